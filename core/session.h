// The library session: what opal_open sets up and opal_close releases.
#pragma once
#include <cstdint>

#include "oal/display.h"

class cmn_hw_regs_t;

// What a deliverable carries beyond the core: the register access driver
// client and the chipset family object. A deliverable without one leaves
// its entries null and the session skips that step.
struct SessionParts {
  bool (*os_initialize)(uint8_t install);
  bool (*remove_driver)();
  bool (*read_device_id)(uint16_t* device_id, uint16_t* revision);
  cmn_hw_regs_t* (*create_family)();
  void (*destroy_family)(cmn_hw_regs_t*);
};
// Defined once by each deliverable.
const SessionParts& session_parts();

typedef int32_t (*bootup_sequence_fn)();
typedef int32_t (*test_escape_fn)(int32_t, int32_t code, int32_t in_size, const void* in,
                                  int32_t out_size, void* out);
typedef int32_t (*test_change_display_settings_fn)(DEVMODEA* mode, uint32_t flags);

struct SessionState {
  bool simulation = false;
  HMODULE simulation_library = nullptr;
  HMODULE user32 = nullptr;
  oal::ChangeDisplaySettingsExA_t change_display_settings_ex = nullptr;
  cmn_hw_regs_t* family = nullptr;
};
extern SessionState session;

// Set while the console tool runs its built-in report script.
extern bool auto_report_mode;

// The chipset name table: device id to display name.
struct ChipsetName {
  uint16_t device_id;
  const char* name;
};
const ChipsetName* chipset_names(unsigned* count);
