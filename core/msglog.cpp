#include "msglog.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "oal/oal.h"

uint32_t debug_volume = 2;

namespace {

// Destinations, tried in this order: 1 the debugger, 2 standard output,
// 4 an attached log stream (none is ever attached, so it writes nothing).
constexpr unsigned kToDebugger = 1, kToStdout = 2, kToLogStream = 4;
constexpr unsigned kDestinations = kToDebugger | kToStdout | kToLogStream;
FILE* attached_log = nullptr;  // never attached
HANDLE terminal = nullptr;      // an interactive session's console

void write_to_terminal(uint16_t attribute, const char* text) {
  DWORD written = 0;
  if (attribute != kAttrNormal) oal::SetConsoleTextAttribute(terminal, attribute);
  oal::WriteConsoleA(terminal, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  if (attribute != kAttrNormal) oal::SetConsoleTextAttribute(terminal, kAttrNormal);
  oal::WriteConsoleA(terminal, "\n", 1, &written, nullptr);
}

int write_text(int type, const char* text, bool to_debugger = true) {
  // Colouring the console must not change what the caller's next
  // print_last_error reports.
  DWORD saved_error = oal::GetLastError();
  // The console is always left at the normal attribute, so plain messages,
  // most of a report, need no attribute change at all.
  uint16_t attribute = attribute_for_type(type);
  HANDLE console = attribute != kAttrNormal ? oal::GetStdHandle(STD_OUTPUT_HANDLE) : nullptr;
  if (console) oal::SetConsoleTextAttribute(console, attribute);
  for (unsigned bit = 1; bit <= kToLogStream; bit <<= 1) {
    if (!(kDestinations & bit)) continue;
    if (bit == kToDebugger && to_debugger) {
      oal::OutputDebugStringA(text);
      oal::OutputDebugStringA("\n");
    } else if (bit == kToStdout) {
      // The text and a line end, as printf("%s\n") would, without a second
      // pass of the formatter.
      std::fputs(text, stdout);
      std::fputc('\n', stdout);
    } else if (bit == kToLogStream && attached_log) {
      std::fprintf(attached_log, "%s\n", text);
      std::fflush(attached_log);
    }
  }
  if (console) oal::SetConsoleTextAttribute(console, kAttrNormal);
  if (terminal) write_to_terminal(attribute, text);
  std::fflush(stdout);
  oal::SetLastError(saved_error);
  return 0;
}

// Pads `line` with dots to `width` characters, never beyond the message cut.
void pad_with_dots(char* line, size_t width) {
  size_t n = std::strlen(line);
  while (n < width && n < static_cast<size_t>(kMessageMax)) line[n++] = '.';
  line[n] = '\0';
}

}  // namespace

void set_message_terminal(HANDLE console) { terminal = console; }

void write_listing_line(const char* text) { write_text(MSG_PLAIN, text, false); }

uint16_t attribute_for_type(int type) {
  switch (type) {
    case MSG_ERROR: return 12;    // bright red
    case MSG_WARNING: return 14;  // yellow
    case MSG_SUCCESS: return 10;  // bright green
    default: return kAttrNormal;
  }
}

extern "C" int writeMsg(int type, const char* format, ...) {
  // Twice the cut, zeroed, so a cut text is always terminated.
  char buffer[2 * kMessageMax] = {};
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, kMessageMax + 1, format, args);
    va_end(args);
  }
  return write_text(type, buffer);
}

extern "C" int writeFormattedMsg(int type, const char* label, const char* format, ...) {
  char line[kMessageMax + 1] = {};
  if (label) std::snprintf(line, sizeof line, "%s", label);
  pad_with_dots(line, 50);
  char value[kMessageMax + 1] = {};
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(value, sizeof value, format, args);
    va_end(args);
  }
  size_t used = std::strlen(line);
  std::snprintf(line + used, sizeof line - used, "%s", value);
  return writeMsg(type, "%s", line);
}

extern "C" int writePassFail(const char* label, int result) {
  char line[kMessageMax + 1] = {};
  if (label) std::snprintf(line, sizeof line, "%s", label);
  pad_with_dots(line, 70);
  const char* verdict = result == RESULT_PASS ? "PASS" : result == RESULT_FAIL ? "FAIL" : "INVALID RESULT";
  int type = result == RESULT_PASS ? MSG_SUCCESS : MSG_ERROR;
  size_t used = std::strlen(line);
  std::snprintf(line + used, sizeof line - used, "%s", verdict);
  writeMsg(type, "%s", line);
  return writeMsg(MSG_PLAIN, "\n");
}

extern "C" int32_t strprefix(const char* text, const char* prefix) {
  if (!text || !prefix) return -1;
  if (!*prefix) return 1;
  if (!*text) return -1;
  for (size_t i = 0; prefix[i]; ++i) {
    int a = std::toupper(static_cast<unsigned char>(text[i]));
    int b = std::toupper(static_cast<unsigned char>(prefix[i]));
    if (a < b) return -1;
    if (a > b) return 1;
  }
  return 0;
}

extern "C" uint32_t opal_set_debug_volume(uint32_t level) {
  debug_volume = level;
  return level;
}

void print_error_text(uint32_t code) {
  char* text = nullptr;
  DWORD n = oal::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<LPSTR>(&text), 0, nullptr);
  // A code without a system text has nothing to write.
  if (n && text && vol_above(0)) writeMsg(MSG_PLAIN, "%s", text);
  if (text) oal::LocalFree(text);
}

void print_last_error() { print_error_text(oal::GetLastError()); }
