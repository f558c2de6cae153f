// What the driver needs from the kernel and the HAL, as a small interface:
// PCI configuration space by offset, mapping I/O space, register access
// through a mapping, a stall and the debugger. The NT build implements it
// with HalGetBusDataByOffset/HalSetBusDataByOffset, MmMapIoSpace/
// MmUnmapIoSpace, READ_/WRITE_REGISTER_*, KeStallExecutionProcessor and
// DbgPrint; the simulated machine implements it over its hardware model.
#pragma once
#include <cstdint>
#include <cstring>

namespace hwpeek {

class HwAccess {
 public:
  virtual ~HwAccess() = default;

  // PCI configuration space of bus/slot (slot = device | function << 5):
  // the number of bytes transferred, 0 for an empty slot.
  virtual uint32_t bus_read(uint32_t bus, uint32_t slot, void* buffer, uint32_t offset,
                            uint32_t length) = 0;
  virtual uint32_t bus_write(uint32_t bus, uint32_t slot, const void* buffer, uint32_t offset,
                             uint32_t length) = 0;

  // Non-cached mapping of physical memory; null when it cannot be mapped.
  virtual volatile uint8_t* map_io_space(uint64_t physical, uint32_t length) = 0;
  virtual void unmap_io_space(volatile uint8_t* address, uint32_t length) = 0;

  virtual uint8_t read_u8(volatile uint8_t* address) = 0;
  virtual uint16_t read_u16(volatile uint8_t* address) = 0;
  virtual uint32_t read_u32(volatile uint8_t* address) = 0;
  // `count` consecutive dwords from `from` into `to`: a register read
  // each, unless the implementation can move them at once.
  virtual void read_u32_block(volatile uint8_t* from, uint8_t* to, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t v = read_u32(from + 4 * i);
      std::memcpy(to + 4 * i, &v, 4);
    }
  }
  virtual void write_u8(volatile uint8_t* address, uint8_t value) = 0;
  virtual void write_u16(volatile uint8_t* address, uint16_t value) = 0;
  virtual void write_u32(volatile uint8_t* address, uint32_t value) = 0;

  virtual void stall_us(uint32_t microseconds) = 0;
  virtual void debug_print(const char* text) = 0;
};

}  // namespace hwpeek
