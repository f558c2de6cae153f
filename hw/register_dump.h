// Printing registers: the bitfield decoder, the table dumper, and the
// snapshots a dump may read instead of the device.
#pragma once
#include <cstddef>
#include <cstdint>

#include "hw/hw_regs.h"
#include "hw/register_source.h"

// Where the dump commands read registers: the live device unless a
// replay has put a captured image in its place for a while.
RegisterSource& dump_source();
class ScopedDumpSource {
 public:
  explicit ScopedDumpSource(RegisterSource& source);
  ~ScopedDumpSource();
  ScopedDumpSource(const ScopedDumpSource&) = delete;
  ScopedDumpSource& operator=(const ScopedDumpSource&) = delete;

 private:
  RegisterSource* saved_;
};

// Up to four copies of MMIO space (buffer, length, the offset the copy
// starts at) in front of another source. A register is taken from the
// highest-numbered pair that holds all four of its bytes; any other comes
// from the source behind.
class SnapshotSource final : public RegisterSource {
 public:
  static constexpr int kPairs = 4;
  explicit SnapshotSource(RegisterSource& behind) : behind_(behind) {}
  void set_pair(int k, const uint8_t* buffer, size_t length, uint32_t base);
  bool read32(uint32_t offset, uint32_t* value, uint32_t device = 2) override;
  bool is_capture() const override { return behind_.is_capture(); }

 private:
  struct Pair {
    const uint8_t* buffer = nullptr;
    size_t length = 0;
    uint32_t base = 0;
  };
  RegisterSource& behind_;
  Pair pairs_[kPairs];
};

// Buffers that may be named by address in a command's snapshot pairs: a
// copy of MMIO space the caller holds, with its length. An address that
// lies in no registered buffer is refused, never read.
void register_snapshot_buffer(const void* buffer, size_t length);
void unregister_snapshot_buffer(const void* buffer);
// The bytes from `address` to the end of its registered buffer; 0 when it
// lies in none.
size_t snapshot_bytes_at(uintptr_t address);

// "[31]" or "[29:26]" and the rest of a field line, lines joined by "\n".
// Writes at most `size` bytes, always terminated.
void format_fields(char* out, size_t size, const bit_field_t* fields, size_t count, uint32_t value);
// "[31]" or "[29:26]": a field's bits as the field lines write them.
void format_bits_label(char* out, size_t size, const bit_field_t& field);
// "    [29:26] disp_a_src_pxl_fmt      : 0x6 -> 0x0": a field that changed.
void format_field_change(char* out, size_t size, const bit_field_t& field, uint32_t old_value, uint32_t new_value);
// The fields as messages of four lines each; `blank_after` ends the last
// message with an empty line.
void print_fields(const bit_field_t* fields, size_t count, uint32_t value, bool blank_after);
// "<title padded to 35> [0x<offset> ] : 0x<value>"
void print_register_header(const char* title, uint32_t offset, uint32_t value);

// Prints each register of the table: its header line (left out for the
// value 0xFFFFFFFF, which nothing answers with), its fields and an empty
// line. A live register that cannot be read ends the dump; a register
// missing from a capture is reported and the dump goes on. True when
// every register was read.
bool dump_registers(const cmn_hw_regs_t& family, const reg_desc_t* table, uint32_t count, RegisterSource& regs);
