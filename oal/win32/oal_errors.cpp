// Last error and system message texts: the Win32 calls themselves.
#include "oal/errors.h"

namespace oal {

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD code) { ::SetLastError(code); }

DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id, LPSTR buffer,
                     DWORD size, va_list* arguments) {
  return ::FormatMessageA(flags, source, message_id, language_id, buffer, size, arguments);
}

HLOCAL LocalFree(HLOCAL memory) { return ::LocalFree(memory); }

}  // namespace oal
