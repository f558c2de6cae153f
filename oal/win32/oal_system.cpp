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

HANDLE GetCurrentProcess() { return ::GetCurrentProcess(); }
BOOL IsWow64Process(HANDLE process, LPBOOL wow64) {
  // Looked up at run time: Windows 2000 and XP before SP2 do not have it.
  using Query = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto query = kernel ? reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")))
                      : nullptr;
  if (!query) {
    if (wow64) *wow64 = FALSE;
    return TRUE;
  }
  return query(process, wow64);
}
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  return ::WaitForSingleObject(object, milliseconds);
}
BOOL CloseHandle(HANDLE object) { return ::CloseHandle(object); }

}  // namespace oal
