// The simulated graphics hardware, described by the profile: PCI functions
// with their configuration space, a sparse physical memory (MMIO windows,
// aperture, anything else), the GMBUS controller inside device 2's MMIO
// window, and the I2C devices behind it.
//
// Profile sections:
//   [pci B:D.F]  vendor, device, revision, class, command, header_type,
//                subsys_vendor, subsys, bar0..bar5, and raw words by hex
//                offset: byte_XX, word_XX, dword_XX
//   [fuses]      control word = value answered at 0xD4 of the host bridge
//   [mmio 2], [mmio 3]  MMIO offset = initial dword of that device's window
//   [mmio 2 read_only], [mmio 3 read_only]  MMIO offset = mask of the bits
//                that writes do not change there
//   [gmbus]      latency (status reads per controller step, default 2),
//                sdvo_pending_reads (default 1), analog_edid, sdvo70, sdvo72,
//                sdvo_ddc (flags, default on)
//   [aperture fill], [mmio 2 fill], [mmio 3 fill], [aperture file]:
//                memory preloaded before the single registers (preload.cpp)
//   [faults]     gmbus_nak = N, gmbus_stall = N (the first N transactions),
//                gmbus_never_ready, device3_absent, driver_start_fail = N,
//                dump_fail = offset (the dump request starting there fails)
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "display_registers.h"
#include "graphics_engine.h"
#include "machine.h"

namespace sim {

// One I2C device: a register pointer, bytes in and out, a stop condition.
class I2cTarget {
 public:
  virtual ~I2cTarget() = default;
  virtual void set_pointer(uint8_t index) { pointer_ = index; }
  virtual uint8_t read() = 0;
  virtual void write(uint8_t value) = 0;
  virtual void stop() {}

 protected:
  uint8_t pointer_ = 0;
};

class SdvoDevice;

class GmbusModel {
 public:
  GmbusModel(const Profile& profile, const Machine& machine);
  ~GmbusModel();
  uint32_t read(uint32_t reg);
  void write(uint32_t reg, uint32_t value);
  SdvoDevice* sdvo(uint8_t address);
  // The argument of the last control-bus switch each SDVO device accepted.
  uint8_t last_switch_argument(uint8_t sdvo_address) const;

 private:
  enum class Event { None, Load, Consumed };
  I2cTarget* resolve(uint8_t address);
  void start(uint32_t command);
  void finish();
  void schedule(Event e);
  void run(Event e);
  void reset();

  uint32_t select_ = 0, index_ = 0, data_in_ = 0, data_out_ = 0;
  bool ga_ = false, hw_rdy_ = false, nak_ = false, stall_ = false, wait_phase_ = false;
  I2cTarget* target_ = nullptr;
  bool reading_ = false, stop_after_ = false, routed_ = false;
  uint32_t remaining_ = 0;
  Event event_ = Event::None;
  uint32_t countdown_ = 0;
  uint32_t latency_ = 2;
  long long nak_left_ = 0, stall_left_ = 0;
  bool never_ready_ = false;
  std::unique_ptr<I2cTarget> analog_edid_;
  std::map<uint8_t, std::unique_ptr<SdvoDevice>> sdvo_;
};

class Hardware : public Part, public PhysicalMemory {
 public:
  explicit Hardware(Machine& machine);
  ~Hardware() override;

  // PCI configuration space; bytes transferred, 0 for an empty slot.
  uint32_t config_read(uint32_t bus, uint32_t slot, void* buffer, uint32_t offset, uint32_t length);
  uint32_t config_write(uint32_t bus, uint32_t slot, const void* buffer, uint32_t offset, uint32_t length);

  // Physical memory; the GMBUS registers of device 2's MMIO window answer
  // from the controller model.
  uint32_t phys_read(uint64_t address, unsigned size);
  void phys_write(uint64_t address, unsigned size, uint32_t value);

  // The driver is about to map a range: the planes' pictures catch up
  // with their registers.
  void before_mapping();

  GmbusModel& gmbus() { return gmbus_; }
  // Accesses through no mapping, or past its end (must stay 0).
  unsigned long long stray_accesses = 0;
  unsigned long long register_accesses = 0;
  // Live mappings (MmMapIoSpace not yet undone).
  int live_mappings = 0;

 private:
  struct Function {
    std::array<uint8_t, 256> config{};
  };
  Function* function(uint32_t bus, uint32_t slot);
  static uint32_t mmio_bar(const Function& fn, uint32_t device);
  // Fills the aperture and MMIO windows as the profile's fill and file
  // sections say.
  void preload_memory();
  bool in_gmbus(uint64_t address, uint32_t& reg);
  uint8_t& byte(uint64_t address);
  // Brings the display registers up to the screens before one is read
  // or written.
  void follow_display(uint64_t address);
  class WindowRegisters;
  uint32_t mem_read(uint64_t address, unsigned size) override;
  void mem_write(uint64_t address, unsigned size, uint32_t value) override;
  void mem_fill(uint64_t address, const uint8_t* bytes, size_t count) override;

  Machine& machine_;
  std::map<uint32_t, Function> functions_;  // key bus << 8 | slot
  std::map<uint32_t, uint32_t> fuses_;
  // Per device window (2, 3): offset -> bits writes leave as they are.
  std::map<uint32_t, uint32_t> read_only_[2];
  // A write with the read-only bits of its dword kept.
  uint32_t keep_read_only(uint64_t address, unsigned size, uint32_t value);
  std::unordered_map<uint64_t, std::vector<uint8_t>> pages_;
  GmbusModel gmbus_;
  DisplayRegisters display_registers_;
  bool booted_ = false;  // the profile's registers are in place
  std::unique_ptr<GraphicsEngine> engine_;
  // Aperture bytes the profile preloaded, [first, end): the profile's
  // explicit wish, which the drawn test pattern and rings leave alone.
  std::vector<std::pair<uint64_t, uint64_t>> preloaded_;
};

}  // namespace sim
