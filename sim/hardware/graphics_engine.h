// What the simulated graphics device does besides holding registers: the
// command rings with a command stream in graphics memory, the picture in
// each enabled plane's surface, and the pipe CRC unit.
//
// Rings: the family's primary, secondary and hardware rings (ava and dov
// all three, cyr the primary one, the later families none) get registers
// and a command stream of the decode templates' instruction set unless the
// profile's [mmio 2] already places that ring.
// Planes: an enabled plane's surface (base, stride, pixel format from its
// registers, size from its pipe's timings) holds a test pattern, drawn
// again whenever any of those registers change (a mode or rotation
// change), so a pixel written in between stays until then.
// Pipe CRC: writing the enable bit with a port select starts the unit;
// once a frame time has passed, the red, green, blue and residual
// registers hold CRCs over the pipe's visible frame. The enable bit stays
// set until 0 is written. DVOB and DVOC show bit 2 when their SDVO device
// is on the bus.
// Interrupt status (0x20AC): its vertical blank bits (7 pipe A, 5 pipe B)
// are cleared by writing 1 to them, and from then on each vertical blank of
// the enabled pipe (every frame time) sets them again. Until software first
// clears one, the register reads as written.
#pragma once
#include <cstdint>
#include <functional>

namespace sim {

class Machine;

// Raw access to physical memory, beneath the register models.
class PhysicalMemory {
 public:
  virtual ~PhysicalMemory() = default;
  virtual uint32_t mem_read(uint64_t address, unsigned size) = 0;
  virtual void mem_write(uint64_t address, unsigned size, uint32_t value) = 0;
  virtual void mem_fill(uint64_t address, const uint8_t* bytes, size_t count) = 0;
};

class GraphicsEngine {
 public:
  // `mmio` and `aperture`: device 2's register window and graphics memory
  // (0 when the device has none).
  GraphicsEngine(Machine& machine, PhysicalMemory& memory, uint16_t device_id, uint64_t mmio, uint64_t aperture,
                 bool dvob_present, bool dvoc_present);

  // Places the rings; once, after the profile's registers are in.
  void build_rings();
  // A register the engine answers itself; false for plain memory.
  bool read(uint64_t address, unsigned size, uint32_t& value);
  // After a write landed in memory.
  void written(uint64_t address, unsigned size, uint32_t value);
  // Before the driver maps a range: the planes' pictures follow their registers.
  void sync_planes();
  // The interrupt status register, whose bits follow the pipes' enables.
  bool is_interrupt_status(uint64_t address) const { return mmio_ && address == mmio_ + kInterruptStatus; }
  static constexpr uint32_t kInterruptStatus = 0x20AC;

  // The CRC over one channel of a frame, as the unit computes it.
  static uint32_t crc32(uint32_t crc, uint8_t byte);

 private:
  struct PlaneShown {
    uint32_t control = 0, stride = 0, surface = 0, width = 0, height = 0;
    bool operator==(const PlaneShown&) const = default;
  };
  PlaneShown plane_state(int plane);
  void draw(int plane, const PlaneShown& p);
  void compute_crc(int pipe);
  uint32_t reg(uint32_t offset) { return memory_.mem_read(mmio_ + offset, 4); }
  void set_reg(uint32_t offset, uint32_t value) { memory_.mem_write(mmio_ + offset, 4, value); }

  Machine& machine_;
  PhysicalMemory& memory_;
  uint16_t device_id_;
  uint64_t mmio_, aperture_;
  bool dvo_present_[2];
  PlaneShown shown_[2];
  bool drawn_[2] = {false, false};
  struct CrcUnit {
    bool running = false, done = false;
    unsigned long long started_ms = 0;
    uint32_t values[4] = {};
  } crc_[2];
  // A vertical blank bit once software has cleared it: the frame it was
  // cleared in; set again at the next frame of an enabled pipe.
  struct VblankLatch {
    bool cleared = false;
    unsigned long long frame = 0;
  } vblank_[2];
};

}  // namespace sim
