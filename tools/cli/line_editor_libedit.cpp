// libedit at a Linux terminal: emacs-style editing, the history file, and
// tab completion bound to the completer.
#include <histedit.h>

#include <cstdio>
#include <cstring>

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
  EditLine* el_ = nullptr;
  History* history_ = nullptr;
};

}  // namespace

std::unique_ptr<LineEditor> make_line_editor(HANDLE, const std::string& history_file, Completer completer) {
  return std::make_unique<EditLineEditor>(history_file, std::move(completer));
}
