#include "register_source.h"

#include "driver_client.h"
#include "mmio_range.h"
#include "raw_access.h"

namespace {

class LiveRegisters final : public RegisterSource {
 public:
  bool read32(uint32_t offset, uint32_t* value, uint32_t device) override {
    return value && drv_read_mmio(32, offset, value, device);
  }
  bool is_capture() const override { return false; }
};

}  // namespace

RegisterSource& live_registers() {
  static LiveRegisters live;
  return live;
}

void CapturedMmio::add_range(uint32_t start, std::vector<uint8_t> bytes) {
  if (!bytes.empty()) ranges_.push_back({start, std::move(bytes)});
}

const CapturedMmio::Range* CapturedMmio::range_of(uint32_t offset, uint32_t size) const {
  if (size == 0) return nullptr;
  // 64-bit ends: a range or a read near the top of the address space must
  // not wrap around to offset 0.
  uint64_t end = uint64_t{offset} + size;
  for (auto r = ranges_.rbegin(); r != ranges_.rend(); ++r)
    if (offset >= r->start && end <= uint64_t{r->start} + r->bytes.size()) return &*r;
  return nullptr;
}

bool CapturedMmio::covers(uint32_t offset, uint32_t size) const { return range_of(offset, size) != nullptr; }

bool CapturedMmio::read32(uint32_t offset, uint32_t* value, uint32_t device) {
  if (!value || device != device_) return false;
  const Range* r = range_of(offset, 4);
  if (!r) return false;
  const uint8_t* b = r->bytes.data() + (offset - r->start);
  *value = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
  return true;
}

bool CapturedMmio::outside_capture(uint32_t offset) const {
  uint32_t count = 0;
  const mmio_range_t* ranges = default_mmio_ranges(&count);
  uint64_t end = uint64_t{offset} + 4;
  for (uint32_t i = 0; i < count; ++i)
    if (offset <= ranges[i].last && end > ranges[i].first) return false;
  return true;
}
