#include "sim_hw_access.h"

#include <sys/mman.h>

namespace sim {

SimHwAccess::~SimHwAccess() {
  for (auto& [base, m] : mappings_) {
    ::munmap(reinterpret_cast<void*>(base), m.length);
    --hw_.live_mappings;
  }
}

uint32_t SimHwAccess::bus_read(uint32_t bus, uint32_t slot, void* buffer, uint32_t offset, uint32_t length) {
  return hw_.config_read(bus, slot, buffer, offset, length);
}

uint32_t SimHwAccess::bus_write(uint32_t bus, uint32_t slot, const void* buffer, uint32_t offset,
                                uint32_t length) {
  return hw_.config_write(bus, slot, buffer, offset, length);
}

volatile uint8_t* SimHwAccess::map_io_space(uint64_t physical, uint32_t length) {
  // A 32-bit machine: nothing lies above 4 GiB.
  if (length == 0 || physical + length > 0x100000000ull) return nullptr;
  hw_.before_mapping();
  void* p = ::mmap(nullptr, length, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  mappings_[reinterpret_cast<uintptr_t>(p)] = {physical, length};
  ++hw_.live_mappings;
  return static_cast<volatile uint8_t*>(p);
}

void SimHwAccess::unmap_io_space(volatile uint8_t* address, uint32_t length) {
  auto it = mappings_.find(reinterpret_cast<uintptr_t>(address));
  if (it == mappings_.end() || it->second.length != length) {
    ++hw_.stray_accesses;
    return;
  }
  ::munmap(const_cast<uint8_t*>(address), length);
  mappings_.erase(it);
  --hw_.live_mappings;
}

bool SimHwAccess::translate(volatile uint8_t* address, uint64_t size, uint64_t& physical, bool count_stray) {
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  auto it = mappings_.upper_bound(a);
  if (it != mappings_.begin()) {
    --it;
    uintptr_t off = a - it->first;
    if (off + size <= it->second.length) {
      physical = it->second.physical + off;
      return true;
    }
  }
  if (count_stray) ++hw_.stray_accesses;
  return false;
}

void SimHwAccess::read_u32_block(volatile uint8_t* from, uint8_t* to, uint32_t count) {
  uint64_t phys;
  if (count && translate(from, 4ull * count, phys, false)) {
    hw_.phys_read_dwords(phys, to, count);
    return;
  }
  // Past a mapping's end: each dword as a read of its own (the stray ones counted).
  HwAccess::read_u32_block(from, to, count);
}

uint32_t SimHwAccess::read(volatile uint8_t* address, unsigned size) {
  uint64_t phys;
  return translate(address, size, phys) ? hw_.phys_read(phys, size) : 0xFFFFFFFFu >> (32 - 8 * size);
}

void SimHwAccess::write(volatile uint8_t* address, unsigned size, uint32_t value) {
  uint64_t phys;
  if (translate(address, size, phys)) hw_.phys_write(phys, size, value);
}

}  // namespace sim
