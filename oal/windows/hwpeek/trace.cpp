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

void drv_trace(Driver& drv, int level, const char* routine, const char* format, ...) {
  char line[kTraceLineMax];
  va_list args;
  va_start(args, format);
  drv_format_trace(line, level, routine, format, args);
  va_end(args);
  drv.hw.debug_print(line);
}

}  // namespace hwpeek
