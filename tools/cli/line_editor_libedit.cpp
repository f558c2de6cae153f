// libedit at a Linux terminal: emacs-style editing, the history file, and
// tab completion bound to the completer.
#include <errno.h>
#include <histedit.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/stop_request.h"
#include "line_editor.h"

namespace {

// Lines the history file keeps.
constexpr int kHistoryLines = 1000;

class EditLineEditor : public LineEditor {
 public:
  EditLineEditor(const std::string& history_file, Completer completer)
      : history_file_(history_file), completer_(std::move(completer)) {
    // The terminal itself: standard output is the log by now.
    out_ = std::fopen("/dev/tty", "w");
    FILE* out = out_ ? out_ : stderr;
    el_ = el_init("luma_cli", stdin, out, out);
    history_ = history_init();
    HistEvent ev;
    history(history_, &ev, H_SETSIZE, kHistoryLines);
    history(history_, &ev, H_SETUNIQUE, 1);
    if (!history_file_.empty()) history(history_, &ev, H_LOAD, history_file_.c_str());
    el_set(el_, EL_EDITOR, "emacs");
    el_set(el_, EL_HIST, history, history_);
    el_set(el_, EL_CLIENTDATA, this);
    el_set(el_, EL_GETCFN, &EditLineEditor::read_key);
    have_cooked_ = tcgetattr(STDIN_FILENO, &cooked_) == 0;
    el_set(el_, EL_PROMPT, &EditLineEditor::prompt_of);
    el_set(el_, EL_ADDFN, "luma-complete", "Complete a command name or argument", &EditLineEditor::on_tab);
    el_set(el_, EL_BIND, "^I", "luma-complete", nullptr);
    // The user's own ~/.editrc may change the bindings.
    el_source(el_, nullptr);
  }
  ~EditLineEditor() override {
    el_end(el_);
    history_end(history_);
    if (out_) std::fclose(out_);
  }

  std::optional<std::string> read(const char* prompt) override {
    prompt_ = prompt;
    for (;;) {
      int count = 0;
      take_keys_as_typed();
      const char* text = el_gets(el_, &count);
      if (!text) {
        // A read cut by Ctrl-C: a fresh, empty line.
        if (count < 0 && stop_requested()) {
          clear_stop_request();
          write("\n");
          continue;
        }
        write("\n");
        return std::nullopt;
      }
      std::string line(text, static_cast<size_t>(count));
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
      if (line.find_first_not_of(" \t") != std::string::npos) {
        HistEvent ev;
        history(history_, &ev, H_ENTER, line.c_str());
        // Saved at every line, so a session that is killed keeps its lines.
        if (!history_file_.empty()) history(history_, &ev, H_SAVE, history_file_.c_str());
      }
      return line;
    }
  }

 private:
  static const char* prompt_of(EditLine* el) {
    EditLineEditor* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    return self ? self->prompt_ : "";
  }

  // libedit shows the prompt before it leaves the terminal's cooked mode,
  // so keys typed at once would be echoed by the terminal and held for a
  // line end, and a Ctrl-D there is no key at all. Taking keys one by one,
  // unechoed, before the prompt shows closes that gap; libedit restores the
  // cooked mode it found when the line is read.
  void take_keys_as_typed() {
    if (!have_cooked_) return;
    termios keys = cooked_;
    keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL);
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &keys);
  }

  // One key for libedit. A Ctrl-C that comes just before the wait would
  // leave a plain read() blocked with the stop request unseen; SIGINT is
  // held while the request is checked and let in only inside ppoll, so the
  // wait ends at every Ctrl-C.
  static int read_key(EditLine*, wchar_t* key) {
    sigset_t held, open;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    std::mbstate_t state{};
    for (;;) {
      pthread_sigmask(SIG_BLOCK, &held, &open);
      sigdelset(&open, SIGINT);
      int ready = 0;
      if (!stop_requested()) {
        pollfd in{STDIN_FILENO, POLLIN, 0};
        ready = ppoll(&in, 1, nullptr, &open);
      }
      const int wait_error = errno;
      pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
      if (stop_requested()) {
        *key = 0;
        errno = EINTR;
        return -1;
      }
      if (ready < 0) {
        if (wait_error == EINTR) continue;  // another signal: a resize
        errno = wait_error;
        return -1;
      }
      char byte = 0;
      const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
      if (got == 0) return 0;
      if (got < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        return -1;
      }
      wchar_t wide = 0;
      const size_t used = std::mbrtowc(&wide, &byte, 1, &state);
      if (used == static_cast<size_t>(-2)) continue;  // more bytes of one character
      // A byte the locale cannot read stands for itself, as libedit takes it.
      *key = used == static_cast<size_t>(-1) ? static_cast<wchar_t>(static_cast<unsigned char>(byte)) : wide;
      return 1;
    }
  }

  static unsigned char on_tab(EditLine* el, int) {
    EditLineEditor* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    if (!self || !self->completer_) return CC_ERROR;
    const LineInfo* info = el_line(el);
    std::string before(info->buffer, static_cast<size_t>(info->cursor - info->buffer));
    Completion c = self->completer_(before);
    if (c.candidates.empty()) return CC_REFRESH_BEEP;
    const size_t typed = before.size() - c.start;
    std::string insert = c.candidates.size() == 1 ? c.candidates[0] : common_prefix(c.candidates);
    if (c.candidates.size() == 1 && !(c.file && insert.back() == '/')) insert += ' ';
    if (insert.size() > typed) {
      el_deletestr(el, static_cast<int>(typed));
      el_insertstr(el, insert.c_str());
      return CC_REFRESH;
    }
    // Nothing more in common: show the choices under the line.
    self->write("\n");
    for (const auto& candidate : c.candidates) {
      self->write(candidate.c_str());
      self->write("  ");
    }
    self->write("\n");
    return CC_REDISPLAY;
  }

  void write(const char* text) {
    FILE* out = out_ ? out_ : stderr;
    std::fputs(text, out);
    std::fflush(out);
  }

  std::string history_file_;
  Completer completer_;
  const char* prompt_ = "";
  FILE* out_ = nullptr;
  termios cooked_{};
  bool have_cooked_ = false;
  EditLine* el_ = nullptr;
  History* history_ = nullptr;
};

}  // namespace

std::unique_ptr<LineEditor> make_line_editor(HANDLE, const std::string& history_file, Completer completer) {
  return std::make_unique<EditLineEditor>(history_file, std::move(completer));
}
