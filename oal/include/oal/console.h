// Console and debugger output.
#pragma once
#include "oal/win_types.h"

namespace oal {
HANDLE GetStdHandle(DWORD which);
BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes);
void OutputDebugStringA(LPCSTR text);
}  // namespace oal
