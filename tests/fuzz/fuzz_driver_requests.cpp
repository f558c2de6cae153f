// The register access driver's request dispatch over the simulated
// hardware: a run of requests with random codes, buffer lengths and
// records. A mapping of physical memory outside the graphics devices' own
// BAR windows, a register access outside every mapping, a mapping left
// behind at unload, or a byte count beyond the output buffer is a failure;
// ASan sees any access past the system buffer.
//
// Each request in the input: code (1 byte: one of the driver's codes, or a
// random one), input and output lengths (2 bytes each, little-endian), then
// the input bytes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "devices/device_ids.h"
#include "machine_for_fuzzing.h"
#include "hwpeek/hwpeek.h"
#include "sim/hardware/hardware.h"
#include "sim/hardware/sim_hw_access.h"
#include "sim/machine.h"

namespace {

constexpr uint32_t kMaxBuffer = 1u << 14;

// The kernel services of the simulated machine, stopping the run at any
// mapping outside the windows that the graphics functions' BARs decode
// (read here from their configuration space, before the driver runs).
class WindowCheckedAccess : public sim::SimHwAccess {
 public:
  WindowCheckedAccess(sim::Machine& m, sim::Hardware& hw) : SimHwAccess(m, hw) {
    for (uint32_t device : {2u, 3u}) {
      uint16_t ids[2] = {};
      if (hw.config_read(0, device, ids, 0, 4) != 4 || ids[0] != GFX_VENDOR_ID) continue;
      const hwpeek::BarRow& row = device == 3 ? hwpeek::gmch_bar_row_dev3() : hwpeek::gmch_bar_row(ids[1]);
      add(hw, device, row.mmio_bar, row.mmio_size);
      add(hw, device, row.aperture_bar, row.aperture_size);
    }
  }
  volatile uint8_t* map_io_space(uint64_t physical, uint32_t length) override {
    bool inside = false;
    for (const auto& [base, size] : windows_)
      inside = inside || (physical >= base && physical + length <= base + size);
    if (!inside) __builtin_trap();
    return SimHwAccess::map_io_space(physical, length);
  }

 private:
  void add(sim::Hardware& hw, uint32_t device, uint32_t bar, uint32_t size) {
    uint32_t value = 0;
    if (hw.config_read(0, device, &value, 0x10 + 4 * bar, 4) == 4 && !(value & 1) && (value & ~0xFu))
      windows_.push_back({value & ~0xFu, size});
  }
  std::vector<std::pair<uint64_t, uint64_t>> windows_;
};

uint32_t take(const uint8_t*& p, const uint8_t* end, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n && p < end; ++i) v |= uint32_t(*p++) << (8 * i);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_machine();
  sim::Machine& m = sim::Machine::get();
  sim::Hardware& hw = m.part<sim::Hardware>();
  auto access = std::make_unique<WindowCheckedAccess>(m, hw);
  hwpeek::Driver drv(*access);
  hwpeek::drv_load(drv, "", "");
  const unsigned long long stray_before = hw.stray_accesses;

  const uint8_t* p = data;
  const uint8_t* end = data + size;
  for (int requests = 0; p < end && requests < 16; ++requests) {
    uint32_t pick = take(p, end, 1);
    uint32_t code = pick < 0xF0 ? hwpeek::hwpeek_code(pick % 16) : 0x220000u | (pick << 2);
    uint32_t in = take(p, end, 2) % kMaxBuffer;
    uint32_t out = take(p, end, 2) % kMaxBuffer;
    // The system buffer of a buffered request holds max(in, out) bytes.
    size_t length = std::max(in, out);
    std::vector<uint8_t> buffer(length);
    size_t copy = std::min<size_t>(in, static_cast<size_t>(end - p));
    if (copy) std::memcpy(buffer.data(), p, copy);
    p += copy;
    uint32_t information = 0xDEADBEEF;
    hwpeek::drv_device_control(drv, code, length ? buffer.data() : nullptr, in, out, &information);
    if (information != 0xDEADBEEF && information > out) __builtin_trap();
    m.take_debug_output();
  }
  hwpeek::drv_unload(drv);
  if (hw.stray_accesses != stray_before) __builtin_trap();
  access.reset();
  if (hw.live_mappings != 0) __builtin_trap();
  return 0;
}
