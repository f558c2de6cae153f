// Console and debugger output of the simulated machine. The console's text
// attributes become ANSI colours, and only while standard output is a
// terminal: a redirected stream never receives colour codes, and setting an
// attribute on it fails as it does on Windows.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "handles.h"
#include "oal/console.h"

namespace {

class StdHandle : public sim::Object {
 public:
  explicit StdHandle(int fd) : fd(fd) {}
  StdHandle(int fd, FILE* own) : fd(fd), owned(own) {}
  ~StdHandle() override {
    if (owned) std::fclose(owned);
  }
  FILE* stream() const { return owned ? owned : fd == 1 ? stdout : stderr; }
  int fd;
  FILE* owned = nullptr;  // the terminal itself, opened as CONOUT$
};

// The console control routines, called from the SIGINT handler.
PHANDLER_ROUTINE ctrl_routines[8];
volatile sig_atomic_t ctrl_routine_count = 0;
volatile sig_atomic_t ctrl_c_ignored = 0;  // SetConsoleCtrlHandler(NULL, TRUE)

void on_interrupt(int) {
  if (ctrl_c_ignored) return;
  for (int i = ctrl_routine_count; i-- > 0;)
    if (ctrl_routines[i](CTRL_C_EVENT)) return;
  // No routine took it: the process ends as Ctrl-C ends it by default.
  ::signal(SIGINT, SIG_DFL);
  ::raise(SIGINT);
}

// Without SA_RESTART: a read waiting for the user returns, as a console
// read does at Ctrl-C.
void set_interrupt_action(void (*action)(int)) {
  struct sigaction sa {};
  sa.sa_handler = action;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGINT, &sa, nullptr);
}

// What SIGINT does for the routines and the ignore flag now set.
void update_interrupt_action() {
  set_interrupt_action(ctrl_c_ignored ? SIG_IGN : ctrl_routine_count ? on_interrupt : SIG_DFL);
}

HANDLE std_handle(int fd) {
  static HANDLE handles[3] = {nullptr, nullptr, nullptr};
  if (!handles[fd]) handles[fd] = sim::make_handle(std::make_unique<StdHandle>(fd));
  return handles[fd];
}

// The machine's ANSI code page, Windows-1252, as Unicode: 0x80-0x9F hold
// its own characters (0 where it has none), 0xA0-0xFF are Latin-1.
const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string ansi_to_utf8(const char* text, size_t length) {
  std::string out;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned code = c < 0x80 ? c : c < 0xA0 ? kCp1252High[c - 0x80] : c;
    if (code == 0) code = 0xFFFD;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

// Whether the terminal takes UTF-8, as the locale's environment says.
bool utf8_terminal() {
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  for (const char* name : names) {
    const char* v = std::getenv(name);
    if (!v || !*v) continue;
    std::string s(v);
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s.find("utf-8") != std::string::npos || s.find("utf8") != std::string::npos;
  }
  return false;
}

}  // namespace

namespace sim {

// CONOUT$: the terminal the process runs at, wherever standard output goes.
HANDLE open_console_output() {
  int fd = ::open("/dev/tty", O_WRONLY | O_CLOEXEC | O_NOCTTY);
  FILE* stream = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
  if (!stream) {
    if (fd >= 0) ::close(fd);
    set_last_error(ERROR_INVALID_HANDLE);
    return INVALID_HANDLE_VALUE;
  }
  return make_handle(std::make_unique<StdHandle>(fd, stream));
}

}  // namespace sim

namespace oal {

BOOL WriteConsoleA(HANDLE console, LPCVOID text, DWORD length, LPDWORD written, LPVOID) {
  auto* h = sim::lookup<StdHandle>(console);
  if (!h || h->fd == 0 || !isatty(h->fd) || (!text && length)) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FILE* stream = h->stream();
  const char* bytes = static_cast<const char*>(text);
  std::fflush(stream);
  if (utf8_terminal())
    std::fputs(ansi_to_utf8(bytes, length).c_str(), stream);
  else
    std::fwrite(bytes, 1, length, stream);
  std::fflush(stream);
  if (written) *written = length;
  return TRUE;
}

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
  FILE* stream = h->stream();
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

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
  auto* h = sim::lookup<StdHandle>(console);
  if (!h || !isatty(h->fd)) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // Processed, line and echo input; processed output.
  if (mode) *mode = h->fd == 0 ? 0x7 : 0x1;
  return TRUE;
}

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add) {
  const int capacity = static_cast<int>(sizeof ctrl_routines / sizeof *ctrl_routines);
  int count = ctrl_routine_count;
  if (!routine) {
    // No routine: Ctrl-C is ignored, or handled as before again.
    ctrl_c_ignored = add ? 1 : 0;
    update_interrupt_action();
    return TRUE;
  }
  if (add && count == capacity) {
    sim::set_last_error(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (add) {
    ctrl_routines[count] = routine;
    ctrl_routine_count = count + 1;
    update_interrupt_action();
    return TRUE;
  }
  for (int i = count; i-- > 0;) {
    if (ctrl_routines[i] != routine) continue;
    for (int j = i; j + 1 < count; ++j) ctrl_routines[j] = ctrl_routines[j + 1];
    ctrl_routine_count = count - 1;
    update_interrupt_action();
    return TRUE;
  }
  sim::set_last_error(ERROR_INVALID_PARAMETER);
  return FALSE;
}

BOOL AllocConsole() {
  sim::set_last_error(ERROR_ACCESS_DENIED);
  return FALSE;
}

BOOL GenerateConsoleCtrlEvent(DWORD event, DWORD) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::raise(SIGINT);
  return TRUE;
}

}  // namespace oal
