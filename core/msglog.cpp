#include "msglog.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "oal/oal.h"
#include "records.h"

uint32_t debug_volume = 2;

namespace {

// Destinations, in this order: the debugger, standard output (unless the
// attached listener takes its place), the listener a caller attached with
// opal_set_message_listener, if any, and an interactive session's console.
opal_message_listener_t listener = nullptr;
void* listener_context = nullptr;
bool listener_only = false;
HANDLE terminal = nullptr;  // an interactive session's console

void write_to_terminal(uint16_t attribute, const char* text) {
  DWORD written = 0;
  if (attribute != kAttrNormal) oal::SetConsoleTextAttribute(terminal, attribute);
  oal::WriteConsoleA(terminal, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  if (attribute != kAttrNormal) oal::SetConsoleTextAttribute(terminal, kAttrNormal);
  oal::WriteConsoleA(terminal, "\n", 1, &written, nullptr);
}

// `text` has room for a line end after its terminator.
int write_text(int type, char* text, bool to_debugger = true) {
  if (records::text_to_listeners_only) {
    records::message(type, text);
    return 0;
  }
  const size_t length = std::strlen(text);
  // Colouring the console must not change what the caller's next
  // print_last_error reports.
  DWORD saved_error = oal::GetLastError();
  // The console is always left at the normal attribute, so plain messages,
  // most of a report, need no attribute change at all.
  uint16_t attribute = attribute_for_type(type);
  HANDLE console = attribute != kAttrNormal ? oal::GetStdHandle(STD_OUTPUT_HANDLE) : nullptr;
  if (console) oal::SetConsoleTextAttribute(console, attribute);
  if (to_debugger) {
    oal::OutputDebugStringA(text);
    oal::OutputDebugStringA("\n");
  }
  if (!(listener && listener_only)) {
    // The text and a line end, as printf("%s\n") would, in one write
    // and without a second pass of the formatter.
    text[length] = '\n';
    std::fwrite(text, 1, length + 1, stdout);
    text[length] = '\0';
  }
  if (listener) listener(type, text, listener_context);
  if (console) oal::SetConsoleTextAttribute(console, kAttrNormal);
  if (terminal) write_to_terminal(attribute, text);
  std::fflush(stdout);
  // The same message, to whatever the front end listens with.
  if (records::wanted()) records::message(type, text);
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

void write_listing_line(const char* text) {
  // Listings are not cut; the copy has room for the line end.
  std::string line(text ? text : "");
  line.push_back('\0');
  write_text(MSG_PLAIN, line.data(), false);
}

uint16_t attribute_for_type(int type) {
  switch (type) {
    case MSG_ERROR: return 12;    // bright red
    case MSG_WARNING: return 14;  // yellow
    case MSG_SUCCESS: return 10;  // bright green
    default: return kAttrNormal;
  }
}

extern "C" int writeMsg(int type, const char* format, ...) {
  // Twice the cut: the formatter always terminates a cut text, and the
  // line end fits after it.
  char buffer[2 * kMessageMax];
  buffer[0] = '\0';
  if (format) {
    va_list args;
    va_start(args, format);
    if (format[0] == '%' && format[1] == 's' && !format[2]) {
      // "%s", the form of every prepared line (dumps, listings): the copy
      // the formatter would make, without its pass.
      const char* text = va_arg(args, const char*);
      if (!text) text = "(null)";
      size_t n = strnlen(text, kMessageMax);
      std::memcpy(buffer, text, n);
      buffer[n] = '\0';
    } else {
      std::vsnprintf(buffer, kMessageMax + 1, format, args);
    }
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

extern "C" opal_exit_t opal_set_message_listener(opal_message_listener_t fn, void* context, uint32_t flags) {
  if (flags & ~OPAL_LISTENER_ONLY) return EXIT_INVALID_PARAM_ERROR;
  listener = fn;
  listener_context = fn ? context : nullptr;
  listener_only = fn && (flags & OPAL_LISTENER_ONLY);
  return EXIT_OK;
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
