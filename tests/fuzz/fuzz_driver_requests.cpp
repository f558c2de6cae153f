// The register access driver's request dispatch over the simulated
// hardware: a run of requests with random codes, buffer lengths and
// records. A register access outside every mapping, a mapping left behind
// at unload, or a byte count beyond the output buffer is a failure; ASan
// sees any access past the system buffer.
//
// Each request in the input: code (1 byte: one of the driver's codes, or a
// random one), input and output lengths (2 bytes each, little-endian), then
// the input bytes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "machine_for_fuzzing.h"
#include "hwpeek/hwpeek.h"
#include "sim/hardware/hardware.h"
#include "sim/hardware/sim_hw_access.h"
#include "sim/machine.h"

namespace {

constexpr uint32_t kMaxBuffer = 1u << 14;

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
  auto access = std::make_unique<sim::SimHwAccess>(m, hw);
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
