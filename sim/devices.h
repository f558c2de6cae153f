// Devices that a program opens by name ("\\.\Name") and sends device-control
// requests to. Parts of the machine register the names they serve.
#pragma once
#include <functional>
#include <memory>

#include "handles.h"

namespace sim {

class Device : public Object {
 public:
  // Mirrors DeviceIoControl: true on success, with the bytes returned.
  virtual bool control(DWORD code, const void* in, DWORD in_size, void* out, DWORD out_size,
                       DWORD& returned) = 0;
};

// Opens the device, or returns null with the thread's last error set.
using DeviceOpener = std::function<std::unique_ptr<Device>(Machine&)>;
SIM_API void register_device(const char* name, DeviceOpener opener);

}  // namespace sim
