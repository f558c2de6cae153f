// Commands that describe the machine: operating system, memory, the wait.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/msglog.h"
#include "handlers.h"
#include "oal/oal.h"

opal_exit_t cmd_get_os_name(cmd_args_t* args) {
  char os_name[OPAL_OS_NAME_SIZE] = {};
  opal_exit_t rc = opal_get_os_name(os_name);
  if (rc != EXIT_OK) return rc;
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  // The buffer is four lines of 256 characters; each non-empty one is a result.
  for (int part = 0; part < 4; ++part) {
    const char* line = os_name + part * 256;
    if (*line) add_result(args, "%.255s", line);
  }
  return EXIT_OK;
}

opal_exit_t cmd_get_sys_mem(cmd_args_t* args) {
  MEMORYSTATUS status{};
  status.dwLength = sizeof status;
  oal::GlobalMemoryStatus(&status);
  constexpr unsigned long long kMiB = 1ull << 20;
  auto down = [&](unsigned long long bytes) { return static_cast<int>(bytes / kMiB); };
  auto up = [&](unsigned long long bytes) { return static_cast<int>((bytes + kMiB - 1) / kMiB); };
  args->count = 0;
  add_result(args, "%-48s: %-4d %s", "Total Physical Memory", down(status.dwTotalPhys), "MB");
  add_result(args, "%-48s: %-4d %s", "Available Physical Memory", up(status.dwAvailPhys), "MB");
  add_result(args, "%-48s: %-4d %s", "Total Virtual Memory", up(status.dwTotalVirtual), "MB");
  add_result(args, "%-48s: %-4d %s", "Available Virtual Memory", up(status.dwAvailVirtual), "MB");
  add_result(args, "%-48s: %-4d %s", "Total Page file Memory", up(status.dwTotalPageFile), "MB");
  add_result(args, "%-48s: %-4d %s", "Available Page file Memory", up(status.dwAvailPageFile), "MB");
  add_result(args, "%-48s: %d %%", "Current Memory Load", static_cast<int>(status.dwMemoryLoad));
  return EXIT_OK;
}

opal_exit_t cmd_wait(cmd_args_t* args) {
  // A decimal count of seconds; text that is not a number counts as 0. A
  // count beyond 32 bits would wrap or stall for decades: refuse it.
  errno = 0;
  long long seconds = std::strtoll(args->slot[1], nullptr, 10);
  if (errno == ERANGE || seconds > 0xFFFFFFFFll) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid number of seconds: %s", args->slot[1]);
    args->count = 0;
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (seconds < 0) seconds = 0;
  opal_wait(static_cast<uint32_t>(seconds));
  args->count = 0;
  return EXIT_OK;
}
