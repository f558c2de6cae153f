// Reading a typed line at luma_cli's prompt. Each platform has its own
// editor, chosen by the build: libedit (line editing, a history kept across
// runs, tab completion) on Linux, the console's own line editing on Windows.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "completion.h"
#include "oal/win_types.h"

class LineEditor {
 public:
  virtual ~LineEditor() = default;
  // Shows `prompt` and reads a line without its line end; nullopt at the
  // end of input (Ctrl-D). Ctrl-C clears the line and prompts again.
  virtual std::optional<std::string> read(const char* prompt) = 0;
};

// What completes the text before the cursor.
using Completer = std::function<Completion(const std::string& line)>;

// The editor for a terminal whose output handle is `terminal` (CONOUT$).
// `history_file` keeps the lines typed, where the editor keeps any.
std::unique_ptr<LineEditor> make_line_editor(HANDLE terminal, const std::string& history_file,
                                             Completer completer);
