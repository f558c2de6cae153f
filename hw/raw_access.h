// The hex listings of raw graphics memory and MMIO dumps.
#pragma once
#include <cstddef>
#include <cstdint>

// A name printed after the dump line whose units hold `address`.
struct hex_marker_t {
  uint32_t address;
  char name[256];
};
static_assert(sizeof(hex_marker_t) == 260);

// Prints `words` dwords of `buffer` as hex units of `unit` bytes (1, 2 or
// 4), `per_line` to a line, each line headed by the address of its first
// unit (`start` plus its position). Markers inside a finished line's
// units are named after it.
void print_hex_units(const void* buffer, const hex_marker_t* markers, uint32_t start, uint32_t words,
                     uint32_t unit, uint32_t per_line, uint32_t marker_count);
