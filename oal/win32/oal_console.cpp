// Console and debugger output: the Win32 calls themselves.
#include "oal/console.h"

namespace oal {

HANDLE GetStdHandle(DWORD which) { return ::GetStdHandle(which); }
BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes) {
  return ::SetConsoleTextAttribute(console, attributes);
}
BOOL WriteConsoleA(HANDLE console, LPCVOID text, DWORD length, LPDWORD written, LPVOID reserved) {
  return ::WriteConsoleA(console, text, length, written, reserved);
}
void OutputDebugStringA(LPCSTR text) { ::OutputDebugStringA(text); }
BOOL GetConsoleMode(HANDLE console, LPDWORD mode) { return ::GetConsoleMode(console, mode); }
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add) { return ::SetConsoleCtrlHandler(routine, add); }
BOOL AllocConsole() { return ::AllocConsole(); }
BOOL GenerateConsoleCtrlEvent(DWORD event, DWORD process_group) {
  return ::GenerateConsoleCtrlEvent(event, process_group);
}

}  // namespace oal
