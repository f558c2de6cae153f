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

#include "display/display_sim.h"

namespace sim {

class DisplayRegisters {
 public:
  // Whether an MMIO offset is one of the registers that follow the screens.
  static bool follows_display(uint32_t offset);
  // The registers of the devices' MMIO windows; a device without a window
  // reads false and ignores writes.
  class Registers {
   public:
    virtual ~Registers() = default;
    virtual bool read(uint32_t device, uint32_t offset, uint32_t& value) = 0;
    virtual void write(uint32_t device, uint32_t offset, uint32_t value) = 0;
  };
  // `device_id` is device 2's.
  void sync(uint16_t device_id, Registers& regs);
  // The registers a display state gives.
  static void apply(const DisplayHardwareState& state, uint16_t device_id, Registers& regs);

 private:
  std::optional<DisplayHardwareState> shown_;
};

}  // namespace sim
