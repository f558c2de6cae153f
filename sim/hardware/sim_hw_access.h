// The driver's kernel and HAL services on the simulated machine: PCI
// configuration and physical memory of the hardware model. A mapping is a
// reserved, inaccessible range of addresses: the driver must reach it
// through the register calls, which translate it back to physical memory.
#pragma once
#include <map>

#include "hardware.h"
#include "hwpeek/hw_access.h"

namespace sim {

class SimHwAccess : public hwpeek::HwAccess {
 public:
  SimHwAccess(Machine& machine, Hardware& hardware) : machine_(machine), hw_(hardware) {}
  ~SimHwAccess() override;
  uint32_t bus_read(uint32_t bus, uint32_t slot, void* buffer, uint32_t offset, uint32_t length) override;
  uint32_t bus_write(uint32_t bus, uint32_t slot, const void* buffer, uint32_t offset, uint32_t length) override;
  volatile uint8_t* map_io_space(uint64_t physical, uint32_t length) override;
  void unmap_io_space(volatile uint8_t* address, uint32_t length) override;
  uint8_t read_u8(volatile uint8_t* address) override { return uint8_t(read(address, 1)); }
  uint16_t read_u16(volatile uint8_t* address) override { return uint16_t(read(address, 2)); }
  uint32_t read_u32(volatile uint8_t* address) override { return read(address, 4); }
  // A block inside one mapping is one request to the hardware.
  void read_u32_block(volatile uint8_t* from, uint8_t* to, uint32_t count) override;
  void write_u8(volatile uint8_t* address, uint8_t value) override { write(address, 1, value); }
  void write_u16(volatile uint8_t* address, uint16_t value) override { write(address, 2, value); }
  void write_u32(volatile uint8_t* address, uint32_t value) override { write(address, 4, value); }
  void stall_us(uint32_t microseconds) override { machine_.wait((microseconds + 999) / 1000); }
  void debug_print(const char* text) override { machine_.debug_output(text); }

 private:
  struct Mapping {
    uint64_t physical;
    uint32_t length;
  };
  bool translate(volatile uint8_t* address, uint64_t size, uint64_t& physical, bool count_stray = true);
  uint32_t read(volatile uint8_t* address, unsigned size);
  void write(volatile uint8_t* address, unsigned size, uint32_t value);
  Machine& machine_;
  Hardware& hw_;
  std::map<uintptr_t, Mapping> mappings_;
};

}  // namespace sim
