#include "hw/command_params.h"

#include <cstring>

#include "core/msglog.h"

void clear_output(cmd_args_t* args) {
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
}

bool present(const cmd_args_t* args, int index) { return index < args->count && args->slot[index][0]; }

namespace {

constexpr uint64_t kAddressSpace = 0x100000000ull;

bool parse_decimal(const char* text, uint32_t& value) {
  if (!*text) return false;
  uint64_t v = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + uint64_t(*p - '0');
    if (v > 0xFFFFFFFFull) return false;
  }
  value = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

bool number(const cmd_args_t* args, int index, const char* what, uint32_t& value, bool decimal) {
  value = 0;
  if (!present(args, index)) return true;
  const char* text = args->slot[index];
  if (decimal ? parse_decimal(text, value) : parse_unsigned(text, value)) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid %s: %s", what, text);
  return false;
}

bool unit_of(uint32_t width, uint32_t& unit) {
  unit = width == 8 ? 1 : width == 16 ? 2 : width == 32 ? 4 : 0;
  if (unit) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid width: %u (8, 16 or 32)", width);
  return false;
}

bool fits(uint32_t value, uint32_t unit) {
  if (unit == 4 || value >> (8 * unit) == 0) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Value 0x%X does not fit in %u bits", value, 8 * unit);
  return false;
}

bool within_address_space(uint64_t start, uint64_t bytes) {
  if (start + bytes <= kAddressSpace) return true;
  if (vol_above(0))
    writeMsg(MSG_ERROR, "ERROR: Range 0x%llX + 0x%llX bytes ends past 4 GiB", static_cast<unsigned long long>(start),
             static_cast<unsigned long long>(bytes));
  return false;
}

opal_exit_t invalid(cmd_args_t* args) {
  clear_output(args);
  return EXIT_INVALID_PARAM_ERROR;
}
