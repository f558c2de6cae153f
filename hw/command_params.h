// Parameters of the raw access commands: numbers that are refused rather
// than read as 0, widths, values that must fit them, ranges that must end
// at or below 4 GiB.
#pragma once
#include <cstdint>

#include "core/command_table.h"

// Empties the record's result lines.
void clear_output(cmd_args_t* args);
// True when parameter `index` is given and not empty.
bool present(const cmd_args_t* args, int index);
// Parameter `index` as a number (automatic base unless `decimal`); an absent
// or empty one reads as 0. Text that is not a 32-bit number is refused with
// a message naming it as `what`, so that a typo never becomes a 0 that gets
// written.
bool number(const cmd_args_t* args, int index, const char* what, uint32_t& value, bool decimal = false);
// Bytes per unit of a width: only 8, 16 and 32 exist.
bool unit_of(uint32_t width, uint32_t& unit);
// A value must fit the unit it is written to.
bool fits(uint32_t value, uint32_t unit);
// Addresses and offsets are 32-bit: [start, start + bytes) must end at or
// below 4 GiB.
bool within_address_space(uint64_t start, uint64_t bytes);
// Refuses the command: no result lines, exit code 5.
opal_exit_t invalid(cmd_args_t* args);
