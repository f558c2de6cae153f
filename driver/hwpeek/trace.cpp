// Debugger trace lines: "hwpeek : <routine> : <tag><text>\n", at most 256
// bytes with the terminator, cut rather than overflowing.
#include <cstdio>
#include <cstring>

#include "hwpeek.h"

namespace hwpeek {

void drv_format_trace(char* line, int level, const char* routine, const char* format, va_list args) {
  const char* tag = level == TRACE_ERROR ? "Error ! " : level == TRACE_WARNING ? "Warning ! " : "";
  int used = std::snprintf(line, kTraceLineMax, "hwpeek : %s : %s", routine ? routine : "", tag);
  size_t len = used < 0 ? 0 : std::strlen(line);
  // Keep one byte for the newline: a cut line still ends like every other.
  if (len < kTraceLineMax - 2 && format) {
    std::vsnprintf(line + len, kTraceLineMax - 1 - len, format, args);
    len = std::strlen(line);
  }
  if (len > kTraceLineMax - 2) len = kTraceLineMax - 2;
  line[len] = '\n';
  line[len + 1] = '\0';
}

PtrText ptr_text(const volatile void* address) {
  PtrText t{};
  uintptr_t value = reinterpret_cast<uintptr_t>(address);
  if (!value) {
    t.text[0] = '0';
    return t;
  }
  char digits[2 * sizeof value];
  size_t n = 0;
  for (; value; value >>= 4) digits[n++] = "0123456789abcdef"[value & 0xF];
  t.text[0] = '0', t.text[1] = 'x';
  for (size_t i = 0; i < n; ++i) t.text[2 + i] = digits[n - 1 - i];
  return t;
}

namespace {
NumText digits_text(uint64_t value, unsigned base, const char* prefix) {
  NumText t{};
  char digits[20];
  size_t n = 0;
  do {
    digits[n++] = "0123456789abcdef"[value % base];
    value /= base;
  } while (value);
  size_t at = 0;
  for (; *prefix; ++prefix) t.text[at++] = *prefix;
  while (n) t.text[at++] = digits[--n];
  return t;
}
}  // namespace

NumText dec_text(uint64_t value) { return digits_text(value, 10, ""); }
NumText hex_text(uint64_t value) { return value ? digits_text(value, 16, "0x") : digits_text(0, 16, ""); }

void drv_trace(Driver& drv, int level, const char* routine, const char* format, ...) {
  char line[kTraceLineMax];
  va_list args;
  va_start(args, format);
  drv_format_trace(line, level, routine, format, args);
  va_end(args);
  drv.hw.debug_print(line);
}

}  // namespace hwpeek
