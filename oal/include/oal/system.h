// System information, events and waits, and the state of the platform itself.
#pragma once
#include "oal/win_types.h"

namespace oal {
BOOL GetVersionExA(LPOSVERSIONINFOA info);
void GlobalMemoryStatus(LPMEMORYSTATUS status);
HANDLE CreateEventA(void* security, BOOL manual_reset, BOOL initial_state, LPCSTR name);
BOOL SetEvent(HANDLE event);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

// Null when the platform can be used. Otherwise a text saying why not (the
// simulated machine's profile or saved state could not be read); every other
// call of the platform layer then fails.
const char* platform_fault();
}  // namespace oal
