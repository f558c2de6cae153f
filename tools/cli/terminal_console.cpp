#include "terminal_console.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/msglog.h"
#include "core/stop_request.h"
#include "register_completion.h"
#include "oal/oal.h"

namespace {

const char kPrompt[] = "luma> ";
const char kGreeting[] = "Type help for the commands (Tab completes), quit or Ctrl-D to end.\n";

BOOL WINAPI on_console_control(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  request_stop();
  return TRUE;
}

}  // namespace

bool stdin_is_console() {
  DWORD mode = 0;
  return oal::GetConsoleMode(oal::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool catch_console_interrupts() { return oal::SetConsoleCtrlHandler(on_console_control, TRUE) != 0; }
void release_console_interrupts() { oal::SetConsoleCtrlHandler(on_console_control, FALSE); }

std::string history_file_path() {
  namespace fs = std::filesystem;
  fs::path folder;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
    folder = state;
  else if (const char* home = std::getenv("HOME"); home && *home)
    folder = fs::path(home) / ".local" / "state";
  else
    return "";
  folder /= "lumagraph";
  std::error_code ec;
  fs::create_directories(folder, ec);
  return (folder / "luma_cli_history").string();
}

void TerminalConsole::begin(const std::vector<std::string>& commands) {
  terminal_ = oal::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
  if (terminal_ == INVALID_HANDLE_VALUE) terminal_ = nullptr;
  if (terminal_) {
    set_message_terminal(terminal_);
    DWORD written = 0;
    oal::WriteConsoleA(terminal_, kGreeting, static_cast<DWORD>(std::strlen(kGreeting)), &written, nullptr);
  }
  catch_console_interrupts();
  set_word_provider(ArgumentKind::kRegister, session_register_names);
  editor_ = make_line_editor(terminal_, history_file_path(),
                             [commands](const std::string& line) { return complete_line(line, commands); });
}

std::optional<std::string> TerminalConsole::read_line() {
  auto line = editor_->read(kPrompt);
  // A Ctrl-C while the line was typed belongs to no command.
  clear_stop_request();
  return line;
}

void TerminalConsole::end() {
  editor_.reset();
  release_console_interrupts();
  set_message_terminal(nullptr);
  if (terminal_) oal::CloseHandle(terminal_);
  terminal_ = nullptr;
}
