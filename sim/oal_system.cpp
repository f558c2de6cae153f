// System version, memory status, events and waits of the simulated machine.
// The version comes from the profile; memory figures are the host's own
// unless the profile's [memory] section sets them.
#include <sys/sysinfo.h>

#include <cstring>

#include "handles.h"
#include "oal/system.h"

namespace {

class Event : public sim::Object {
 public:
  Event(bool manual, bool signalled) : manual(manual), signalled(signalled) {}
  bool manual;
  bool signalled;
};

}  // namespace

namespace oal {

const char* platform_fault() { return sim::Machine::get().fault(); }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

// "[os] wow64 = yes": the program is a 32-bit one on 64-bit Windows.
BOOL IsWow64Process(HANDLE process, LPBOOL wow64) {
  if (process != GetCurrentProcess() || !wow64) {
    sim::set_last_error(process != GetCurrentProcess() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *wow64 = sim::Machine::get().profile().flag("os", "wow64") ? TRUE : FALSE;
  return TRUE;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  auto& m = sim::Machine::get();
  if (m.fault()) {
    sim::set_last_error(ERROR_FILE_CORRUPT);
    return FALSE;
  }
  if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) + 8)) {
    sim::set_last_error(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (m.has_fault("version")) {
    sim::set_last_error(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  const auto& p = m.profile();
  info->dwMajorVersion = static_cast<DWORD>(p.number("os", "major", 5));
  info->dwMinorVersion = static_cast<DWORD>(p.number("os", "minor", 1));
  info->dwBuildNumber = static_cast<DWORD>(p.number("os", "build", 2600));
  info->dwPlatformId = 2;  // VER_PLATFORM_WIN32_NT
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::string csd = p.get("os", "service_pack");
  std::strncpy(info->szCSDVersion, csd.c_str(), sizeof info->szCSDVersion - 1);
  return TRUE;
}

void GlobalMemoryStatus(LPMEMORYSTATUS status) {
  if (!status) return;
  struct sysinfo si {};
  unsigned long long unit = 1, total = 0, free = 0, swap_total = 0, swap_free = 0;
  if (sysinfo(&si) == 0) {
    unit = si.mem_unit ? si.mem_unit : 1;
    total = si.totalram * unit;
    free = (si.freeram + si.bufferram) * unit;
    swap_total = si.totalswap * unit;
    swap_free = si.freeswap * unit;
  }
  const auto& p = sim::Machine::get().profile();
  auto pick = [&](const char* key, unsigned long long host) {
    return static_cast<SIZE_T>(p.number("memory", key, static_cast<long long>(host)));
  };
  status->dwLength = sizeof(MEMORYSTATUS);
  status->dwTotalPhys = pick("total_phys", total);
  status->dwAvailPhys = pick("avail_phys", free);
  status->dwTotalPageFile = pick("total_page_file", total + swap_total);
  status->dwAvailPageFile = pick("avail_page_file", free + swap_free);
  // A 32-bit process sees a 2 GiB user address space.
  status->dwTotalVirtual = pick("total_virtual", 0x7FFE0000ULL);
  status->dwAvailVirtual = pick("avail_virtual", 0x7FFE0000ULL - 0x4000000ULL);
  // A profile may claim more available than total memory: no load then,
  // rather than a wrapped-around percentage.
  status->dwMemoryLoad =
      status->dwTotalPhys && status->dwAvailPhys <= status->dwTotalPhys
          ? static_cast<DWORD>(100 - (status->dwAvailPhys * 100 / status->dwTotalPhys))
          : 0;
  if (p.has("memory", "load")) status->dwMemoryLoad = static_cast<DWORD>(p.number("memory", "load", 0));
}

HANDLE CreateEventA(void*, BOOL manual_reset, BOOL initial_state, LPCSTR) {
  return sim::make_handle(std::make_unique<Event>(manual_reset != 0, initial_state != 0));
}

BOOL SetEvent(HANDLE event) {
  auto* e = sim::lookup<Event>(event);
  if (!e) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  e->signalled = true;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  auto* e = sim::lookup<Event>(object);
  if (!e) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (e->signalled) {
    if (!e->manual) e->signalled = false;
    return WAIT_OBJECT_0;
  }
  // Nothing else runs on the simulated machine that could signal the event,
  // so an endless wait could never end.
  if (milliseconds == INFINITE) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  sim::Machine::get().wait(milliseconds);
  return WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE object) {
  if (!sim::close_handle(object)) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace oal
