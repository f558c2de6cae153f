// The calling thread's last error and the system's text for an error code.
#pragma once
#include <cstdarg>
#include "oal/win_types.h"

namespace oal {
DWORD GetLastError();
void SetLastError(DWORD code);
// Supports FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_IGNORE_INSERTS, with
// or without FORMAT_MESSAGE_ALLOCATE_BUFFER (then `buffer` is really a
// `LPSTR*` that receives a LocalAlloc'd text). Returns the text's length.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPSTR buffer,
                     DWORD size, va_list* arguments);
HLOCAL LocalFree(HLOCAL memory);
}  // namespace oal
