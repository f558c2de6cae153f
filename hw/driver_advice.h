// What a session says when the register access driver cannot be reached:
// beside the system's text, one line saying what happened and what to do.
#pragma once
#include "oal/win_types.h"

// Where reaching the driver failed.
enum class DriverStep {
  Wow64,            // a 32-bit program on 64-bit Windows: refused before installing
  ServiceManager,   // opening the service manager
  Service,          // creating the driver's service
  Start,            // starting it
  Device,           // opening its device
  DeviceAfterStart  // opening its device right after a start that succeeded
};

// Writes the system's text of `error` (none for Wow64), then the line that
// says what happened at `step` and what to do, where there is one.
void report_driver_error(DriverStep step, DWORD error);
