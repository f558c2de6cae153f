// Console and debugger output.
#pragma once
#include "oal/win_types.h"

namespace oal {
HANDLE GetStdHandle(DWORD which);
BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes);
// Text in the system's ANSI code page to a console; fails (as on Windows)
// when the handle is not a console, such as a redirected output.
BOOL WriteConsoleA(HANDLE console, LPCVOID text, DWORD length, LPDWORD written, LPVOID reserved);
void OutputDebugStringA(LPCSTR text);
// Succeeds only for a console (a terminal), so it tells whether standard
// input is typed by a person.
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);
// Ctrl-C and Ctrl-Break at the console call the routines added, the last
// added first, until one returns TRUE; with none that does, the process
// ends. Windows calls them on a thread of its own, the simulated machine
// from its SIGINT handler, so a routine only sets a lock-free flag.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add);
// Gives a process started without a console one of its own; fails with
// ERROR_ACCESS_DENIED for one that has a console (the simulated machine's
// processes always count as having one).
BOOL AllocConsole();
// Raises a console control event (the simulated machine: in this process).
BOOL GenerateConsoleCtrlEvent(DWORD event, DWORD process_group);
}  // namespace oal
