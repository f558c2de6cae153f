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
// The pseudo handle of the running process.
HANDLE GetCurrentProcess();
// *wow64 is TRUE for a 32-bit program on 64-bit Windows. A system without
// the call (before XP SP2, none of them 64-bit) answers FALSE there too.
BOOL IsWow64Process(HANDLE process, LPBOOL wow64);

// Null when the platform can be used. Otherwise a text saying why not (the
// simulated machine's profile or saved state could not be read); every other
// call of the platform layer then fails.
const char* platform_fault();
}  // namespace oal
