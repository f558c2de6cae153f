#include "hw/driver_sessions.h"

#include <cstdio>

#include "oal/oal.h"

namespace {

const char kSessionsFile[] = "hwpeek.sessions";
// Sessions that can share the driver at once; one more finds no slot and
// shares it uncounted, as a session alone would.
constexpr DWORD kSlots = 64;

// The file stays open for the process's whole session: its handle holds
// the slot's lock.
HANDLE sessions_file = INVALID_HANDLE_VALUE;
DWORD own_slot = 0;  // 0: none

bool lock_byte(DWORD offset, bool wait) {
  OVERLAPPED at{};
  at.Offset = offset;
  DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  return oal::LockFileEx(sessions_file, flags, 0, 1, 0, &at) != FALSE;
}

void unlock_byte(DWORD offset) {
  OVERLAPPED at{};
  at.Offset = offset;
  oal::UnlockFileEx(sessions_file, 0, 1, 0, &at);
}

void open_sessions_file() {
  if (sessions_file != INVALID_HANDLE_VALUE) return;
  char windows[256] = "", path[300];
  UINT n = oal::GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) return;
  std::snprintf(path, sizeof path, "%s\\%s", windows, kSessionsFile);
  sessions_file = oal::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void close_sessions_file() {
  if (sessions_file == INVALID_HANDLE_VALUE || own_slot) return;
  oal::CloseHandle(sessions_file);
  sessions_file = INVALID_HANDLE_VALUE;
}

}  // namespace

DriverSessions::DriverSessions(bool starting) {
  if (starting) {
    leave();
    close_sessions_file();  // it may be another machine's (tests reboot)
  }
  open_sessions_file();
  if (sessions_file != INVALID_HANDLE_VALUE && !lock_byte(0, true)) close_sessions_file();
}

DriverSessions::~DriverSessions() {
  if (sessions_file == INVALID_HANDLE_VALUE) return;
  unlock_byte(0);
  close_sessions_file();
}

void DriverSessions::join() {
  if (sessions_file == INVALID_HANDLE_VALUE || own_slot) return;
  for (DWORD slot = 1; slot <= kSlots; ++slot)
    if (lock_byte(slot, false)) {
      own_slot = slot;
      return;
    }
}

void DriverSessions::leave() {
  if (!own_slot) return;
  unlock_byte(own_slot);
  own_slot = 0;
}

bool DriverSessions::others_live() const {
  if (sessions_file == INVALID_HANDLE_VALUE) return false;
  for (DWORD slot = 1; slot <= kSlots; ++slot) {
    if (slot == own_slot) continue;
    if (!lock_byte(slot, false)) return true;
    unlock_byte(slot);
  }
  return false;
}
