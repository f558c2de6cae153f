// System version, memory status, events and waits: the Win32 calls
// themselves. The real platform is always usable.
#include "oal/system.h"

namespace oal {

const char* platform_fault() { return nullptr; }

BOOL GetVersionExA(LPOSVERSIONINFOA info) { return ::GetVersionExA(info); }
void GlobalMemoryStatus(LPMEMORYSTATUS status) { ::GlobalMemoryStatus(status); }

HANDLE CreateEventA(void* security, BOOL manual_reset, BOOL initial_state, LPCSTR name) {
  return ::CreateEventA(static_cast<LPSECURITY_ATTRIBUTES>(security), manual_reset, initial_state, name);
}
BOOL SetEvent(HANDLE event) { return ::SetEvent(event); }
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return ::WaitForSingleObject(object, milliseconds);
}
BOOL CloseHandle(HANDLE object) { return ::CloseHandle(object); }

}  // namespace oal
