// One titled MMIO range, both ends included: what the family tables list
// and what read_mmio_regs walks.
#pragma once
#include <cstdint>

struct mmio_range_t {
  uint32_t first;
  uint32_t last;
  char title[256];
};
