// Raw access to the graphics hardware: graphics memory through the
// aperture, MMIO registers and ranges, PCI configuration space, and the
// hex listings they print.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/command_table.h"
#include "hw/mmio_range.h"

// A name printed after the dump line whose units hold `address`.
struct hex_marker_t {
  uint32_t address;
  char name[256];
};
static_assert(sizeof(hex_marker_t) == 260);

// The first 64 bytes of a PCI function's configuration space.
constexpr size_t kPciHeaderSize = 64;

// Prints `words` dwords of `buffer` as hex units of `unit` bytes (1, 2 or
// 4), `per_line` to a line, each line headed by the address of its first
// unit (`start` plus its position). A line that would not fit a message
// ends early; no unit is lost.
void print_hex_units(const void* buffer, const hex_marker_t* markers, uint32_t start, uint32_t words,
                     uint32_t unit, uint32_t per_line, uint32_t marker_count);
// The same over a byte count, for listings that end inside a dword.
void print_hex_bytes(const void* buffer, const hex_marker_t* markers, uint32_t start, size_t bytes,
                     uint32_t unit, uint32_t per_line, uint32_t marker_count);

// Dumps MMIO offsets first..last (inclusive) of `device` in chunks of 8 KiB
// and prints them; 0, or 6 when a chunk could not be read.
opal_exit_t dump_mmio_range(uint32_t first, uint32_t last, uint32_t unit, uint32_t per_line, uint32_t device);

// The bytes a listing printed, as a record for the listeners (nothing
// without any). `space` is "mmio", "memory" or "pci".
void report_dump(const char* space, uint32_t device, uint32_t address, uint32_t unit, const void* bytes, size_t size);

// Prints the raw bytes and the translated fields of a 64-byte header.
void print_pci_config(const uint8_t* header);

// The nine ranges of the automatic report's MMIO dump, in the order the
// report-log parser reads them back.
const mmio_range_t* default_mmio_ranges(uint32_t* count);
// The chipset family's range table, walked outside the automatic report;
// null while the session has no family object that supplies one.
const mmio_range_t* family_mmio_ranges(uint32_t* count);

// Command bodies (the command layer's tables put the shared head before them)
opal_exit_t cmd_read_mem(cmd_args_t* args);
opal_exit_t cmd_write_mem(cmd_args_t* args);
opal_exit_t cmd_read_mmio(cmd_args_t* args);
opal_exit_t cmd_write_mmio(cmd_args_t* args);
opal_exit_t cmd_i2c_reg(cmd_args_t* args);
opal_exit_t cmd_get_pci_info(cmd_args_t* args);
opal_exit_t cmd_read_mmio_regs(cmd_args_t* args);
