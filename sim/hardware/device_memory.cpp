#include "device_memory.h"

#include <algorithm>
#include <cstring>

namespace sim {

uint8_t& DeviceMemory::byte(uint64_t address) {
  auto& page = pages_[address >> 12];
  if (page.empty()) page.assign(4096, 0);
  return page[address & 0xFFF];
}

uint32_t DeviceMemory::read(uint64_t address, unsigned size) const {
  uint32_t v = 0;
  // One page lookup for an access inside a page.
  if ((address & 0xFFF) + size <= 0x1000) {
    auto it = pages_.find(address >> 12);
    if (it == pages_.end()) return 0;
    for (unsigned i = 0; i < size; ++i) v |= uint32_t(it->second[(address & 0xFFF) + i]) << (8 * i);
    return v;
  }
  for (unsigned i = 0; i < size; ++i) {
    auto it = pages_.find((address + i) >> 12);
    uint8_t b = it == pages_.end() ? 0 : it->second[(address + i) & 0xFFF];
    v |= uint32_t(b) << (8 * i);
  }
  return v;
}

void DeviceMemory::write(uint64_t address, unsigned size, uint32_t value) {
  for (unsigned i = 0; i < size; ++i) byte(address + i) = uint8_t(value >> (8 * i));
}

void DeviceMemory::copy_out(uint64_t address, uint8_t* to, size_t count) const {
  while (count) {
    size_t at = static_cast<size_t>(address & 0xFFF);
    size_t n = std::min(count, size_t(0x1000) - at);
    auto it = pages_.find(address >> 12);
    if (it == pages_.end())
      std::memset(to, 0, n);
    else
      std::memcpy(to, it->second.data() + at, n);
    address += n, to += n, count -= n;
  }
}

void DeviceMemory::fill(uint64_t address, const uint8_t* bytes, size_t count) {
  while (count) {
    size_t in_page = 0x1000 - (address & 0xFFF);
    size_t n = count < in_page ? count : in_page;
    uint64_t keep_from = address + n;  // first preloaded byte in this piece
    uint64_t keep_to = address + n;
    for (auto& [first, end] : preloaded_)
      if (first < address + n && end > address) {
        uint64_t from = first > address ? first : address;
        if (from < keep_from) keep_from = from, keep_to = end;
      }
    if (keep_from > address) {
      n = static_cast<size_t>(keep_from - address);
      std::memcpy(&byte(address), bytes, n);
    } else {
      n = static_cast<size_t>(std::min<uint64_t>(keep_to, address + n) - address);  // skip preloaded bytes
    }
    address += n, bytes += n, count -= n;
  }
}

bool DeviceMemory::read_reg(uint32_t device, uint32_t offset, uint32_t& value) const {
  uint64_t base = window(device);
  if (!base) return false;
  value = read(base + offset, 4);
  return true;
}

void DeviceMemory::write_reg(uint32_t device, uint32_t offset, uint32_t value) {
  if (uint64_t base = window(device)) write(base + offset, 4, value);
}

}  // namespace sim
