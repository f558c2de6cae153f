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
}  // namespace oal
