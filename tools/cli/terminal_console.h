// luma_cli at a terminal: the prompt "luma> ", line editing, completion,
// every message on the screen as well as in the log, and Ctrl-C stopping
// the running command instead of the program.
#pragma once
#include <memory>
#include <string>

#include "console/console_tool.h"
#include "line_editor.h"

// Whether standard input is a console a person types at.
bool stdin_is_console();

// Ctrl-C (and Ctrl-Break) at the console request a stop of the running
// command instead of ending the process, until released.
bool catch_console_interrupts();
void release_console_interrupts();

// Where the line history is kept: $XDG_STATE_HOME/lumagraph/luma_cli_history,
// else ~/.local/state/lumagraph/luma_cli_history (the folder is created).
std::string history_file_path();

class TerminalConsole : public ConsoleInput {
 public:
  void begin(const std::vector<std::string>& command_names) override;
  std::optional<std::string> read_line() override;
  void end() override;

 private:
  HANDLE terminal_ = nullptr;
  std::unique_ptr<LineEditor> editor_;
};
