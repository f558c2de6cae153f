// The display registers of the simulated graphics device follow the
// simulated screens: pipe timings and source sizes from each head's mode,
// the plane's enable, pixel format, pipe, stride, surface address and
// 180-degree rotation, each pipe's enable and each port's enable and pipe
// bits. They are written whenever the display state differs from what
// they last showed, so a register written in between keeps its value
// until the screens change.
#pragma once
#include <cstdint>
#include <optional>

#include "device_memory.h"
#include "display/display_sim.h"

namespace sim {

class DisplayRegisters {
 public:
  // Whether an MMIO offset is one of the registers that follow the screens.
  static bool follows_display(uint32_t offset);
  // Whether any offset in [first, end) is.
  static bool follows_display(uint32_t first, uint32_t end);
  // `device_id` is device 2's; the registers are those of the devices'
  // windows in `regs` (a device without a window is left alone).
  void sync(uint16_t device_id, DeviceMemory& regs);
  // The registers a display state gives.
  static void apply(const DisplayHardwareState& state, uint16_t device_id, DeviceMemory& regs);

 private:
  std::optional<DisplayHardwareState> shown_;
};

}  // namespace sim
