// Console and debugger output of the simulated machine. The console's text
// attributes become ANSI colours, and only while standard output is a
// terminal: a redirected stream never receives colour codes, and setting an
// attribute on it fails as it does on Windows.
#include <unistd.h>

#include <cstdio>

#include "handles.h"
#include "oal/console.h"

namespace {

class StdHandle : public sim::Object {
 public:
  explicit StdHandle(int fd) : fd(fd) {}
  int fd;
};

HANDLE std_handle(int fd) {
  static HANDLE handles[3] = {nullptr, nullptr, nullptr};
  if (!handles[fd]) handles[fd] = sim::make_handle(std::make_unique<StdHandle>(fd));
  return handles[fd];
}

}  // namespace

namespace oal {

HANDLE GetStdHandle(DWORD which) {
  switch (which) {
    case STD_INPUT_HANDLE: return std_handle(0);
    case STD_OUTPUT_HANDLE: return std_handle(1);
    case STD_ERROR_HANDLE: return std_handle(2);
    default: sim::set_last_error(ERROR_INVALID_HANDLE); return INVALID_HANDLE_VALUE;
  }
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes) {
  auto* h = sim::lookup<StdHandle>(console);
  if (!h || h->fd == 0 || !isatty(h->fd)) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FILE* stream = h->fd == 1 ? stdout : stderr;
  std::fflush(stream);
  if ((attributes & 0x0F) == 7) {
    std::fputs("\033[0m", stream);
  } else {
    // Windows colour bits are blue=1, green=2, red=4; ANSI counts red=1,
    // green=2, blue=4. Intensity selects the bright range.
    int colour = ((attributes & FOREGROUND_RED) ? 1 : 0) | ((attributes & FOREGROUND_GREEN) ? 2 : 0) |
                 ((attributes & FOREGROUND_BLUE) ? 4 : 0);
    std::fprintf(stream, "\033[%dm", ((attributes & FOREGROUND_INTENSITY) ? 90 : 30) + colour);
  }
  std::fflush(stream);
  return TRUE;
}

void OutputDebugStringA(LPCSTR text) { sim::Machine::get().debug_output(text); }

}  // namespace oal
