// The Windows console's own line editing (arrows, F7 history, Esc) reads
// the line; the prompt goes to the console.
#include <cstdio>
#include <cstring>

#include "core/stop_request.h"
#include "line_editor.h"
#include "oal/oal.h"

namespace {

class ConsoleLineEditor : public LineEditor {
 public:
  explicit ConsoleLineEditor(HANDLE terminal) : terminal_(terminal) {}

  std::optional<std::string> read(const char* prompt) override {
    for (;;) {
      write(prompt);
      std::string line;
      char chunk[512];
      bool any = false;
      while (std::fgets(chunk, sizeof chunk, stdin)) {
        any = true;
        line += chunk;
        if (!line.empty() && line.back() == '\n') break;
      }
      if (any) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        return line;
      }
      // Ctrl-C ends the console's read as if the input had ended; Windows
      // calls the control routine on a thread of its own, so its flag may
      // come a moment after the read returns.
      std::clearerr(stdin);
      for (int i = 0; i < 20 && !stop_requested(); ++i) oal::WaitForSingleObject(pause_, 10);
      if (!stop_requested()) return std::nullopt;
      clear_stop_request();
      write("\n");
    }
  }
  ~ConsoleLineEditor() override {
    if (pause_) oal::CloseHandle(pause_);
  }

 private:
  void write(const char* text) {
    DWORD written = 0;
    oal::WriteConsoleA(terminal_, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  }
  HANDLE terminal_;
  HANDLE pause_ = oal::CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

}  // namespace

std::unique_ptr<LineEditor> make_line_editor(HANDLE terminal, const std::string&, Completer) {
  return std::make_unique<ConsoleLineEditor>(terminal);
}
