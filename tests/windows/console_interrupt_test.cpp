// Ctrl-C at luma_cli's console, through the platform layer: the console's
// control event reaches the routine the interactive console adds, which asks
// the running command to stop, and the program goes on. On Windows (wine64
// here) the event comes from the console on a thread of its own; on the
// simulated machine from SIGINT.
#include <gtest/gtest.h>

#include "cli_terminal/terminal_console.h"
#include "core/stop_request.h"
#include "oal/oal.h"

namespace {

bool stop_within_two_seconds() {
  HANDLE pause = oal::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  for (int i = 0; i < 200 && !stop_requested(); ++i) oal::WaitForSingleObject(pause, 10);
  oal::CloseHandle(pause);
  return stop_requested();
}

TEST(ConsoleInterrupts, CtrlCRequestsAStopAndTheProgramGoesOn) {
  // Control events need a console: a test run from a pipe asks for its own.
  oal::AllocConsole();
  ASSERT_TRUE(catch_console_interrupts());
  clear_stop_request();
  if (!oal::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    DWORD error = oal::GetLastError();
    release_console_interrupts();
    // wine64 gives a program started from a pipe no console to signal;
    // tests/windows/run-wine-tests.sh runs this test again at a terminal.
    GTEST_SKIP() << "no console to raise Ctrl-C in (error " << error << ")";
  }
  EXPECT_TRUE(stop_within_two_seconds());
  release_console_interrupts();
  clear_stop_request();
}

}  // namespace
