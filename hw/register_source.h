// Where the register dumps read 32-bit MMIO registers from: the live
// register access driver, or a captured MMIO image (a report log's dumps
// replayed), so a dump is the same code on either source.
#pragma once
#include <cstdint>
#include <vector>

class RegisterSource {
 public:
  virtual ~RegisterSource() = default;
  // The 32-bit register at `offset` of graphics device `device` (2, or 3 on
  // the family with two functions). False when it cannot be read (driver
  // failure, short reply, or not captured); *value is then left alone.
  virtual bool read32(uint32_t offset, uint32_t* value, uint32_t device = 2) = 0;
  // True for a captured MMIO image (report-log replay), false for the live driver.
  virtual bool is_capture() const = 0;
  // True when the register at `offset` is one no capture of this kind can
  // hold, which a dump names as not captured without counting a failed
  // read. Live registers are never outside.
  virtual bool outside_capture(uint32_t offset) const {
    (void)offset;
    return false;
  }
};

// The live registers, over the driver client's drv_read_mmio.
RegisterSource& live_registers();

// A captured MMIO image of one device: byte ranges {start offset, bytes}.
// read32 succeeds only where all 4 bytes lie inside one captured range
// (little-endian, as the registers read); where ranges overlap, the one
// added last answers.
class CapturedMmio final : public RegisterSource {
 public:
  explicit CapturedMmio(uint32_t device = 2) : device_(device) {}
  void add_range(uint32_t start, std::vector<uint8_t> bytes);
  // True when [offset, offset + size) lies inside one captured range.
  bool covers(uint32_t offset, uint32_t size) const;
  bool read32(uint32_t offset, uint32_t* value, uint32_t device = 2) override;
  bool is_capture() const override { return true; }
  // Outside when no byte of it lies in the ranges the automatic report
  // dumps: no report log holds it.
  bool outside_capture(uint32_t offset) const override;

 private:
  struct Range {
    uint32_t start;
    std::vector<uint8_t> bytes;
  };
  const Range* range_of(uint32_t offset, uint32_t size) const;
  uint32_t device_;
  std::vector<Range> ranges_;
};
