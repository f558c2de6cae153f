// A machine profile: parsed, then booted in memory, so every part's check
// of its own sections sees it, and the display and hardware are built.
#include "machine_for_fuzzing.h"
#include "oal/oal.h"
#include "sim/hardware/hardware.h"
#include "sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_machine();
  std::string text = fuzz_text(data, size, 1 << 14);
  std::string error;
  if (!sim::Profile::parse(text, "fuzz", error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  sim::Machine& m = sim::Machine::boot_text(text, "");
  if (!m.fault()) {
    m.part<sim::Hardware>();
    DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    for (DWORD i = 0; i < 8 && oal::EnumDisplayDevicesA(nullptr, i, &device, 0); ++i) {
      DEVMODEA mode{};
      mode.dmSize = sizeof mode;
      for (DWORD n = 0; n < 4 && oal::EnumDisplaySettingsA(device.DeviceName, n, &mode); ++n) {
      }
    }
  }
  return 0;
}
