// The simulated machine's physical memory, sparse in 4 KiB pages, with the
// register windows of the graphics devices placed in it: what the display
// registers and the graphics engine see of the hardware. The hardware
// model owns it and keeps the windows where the devices' BARs say.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sim {

class DeviceMemory {
 public:
  // Little-endian access of 1 to 4 bytes; memory never written reads 0.
  uint32_t read(uint64_t address, unsigned size) const;
  void write(uint64_t address, unsigned size, uint32_t value);
  // `count` bytes from `address` into `to`, a page at a time.
  void copy_out(uint64_t address, uint8_t* to, size_t count) const;
  uint8_t& byte(uint64_t address);

  // Graphics memory the profile preloaded, [first, end): the drawing
  // (fill) leaves it as the profile put it.
  void keep(uint64_t first, uint64_t end) { preloaded_.emplace_back(first, end); }
  void fill(uint64_t address, const uint8_t* bytes, size_t count);

  // Device 2's or 3's register window (0: the device has none).
  void set_window(uint32_t device, uint64_t base) { windows_[device == 3] = base; }
  uint64_t window(uint32_t device) const { return windows_[device == 3]; }
  // A dword of a device's window; false (and ignored writes) without one.
  bool read_reg(uint32_t device, uint32_t offset, uint32_t& value) const;
  void write_reg(uint32_t device, uint32_t offset, uint32_t value);

 private:
  std::unordered_map<uint64_t, std::vector<uint8_t>> pages_;
  std::vector<std::pair<uint64_t, uint64_t>> preloaded_;
  uint64_t windows_[2] = {};
};

}  // namespace sim
