// Named registers from a report log instead of the machine: the capture
// parse_qrt replays, with the captured machine's family. luma_cli's use_log
// and the exported opal_use_log / opal_use_live.
#include <memory>

#include "commands/offline_commands.h"
#include "commands/report_log.h"
#include "core/msglog.h"
#include "hw/register_access.h"
#include "lumainfo.h"

opal_exit_t use_log_registers(const char* path) {
  if (!path) return EXIT_INVALID_PARAM_ERROR;
  ReportLog log;
  if (opal_exit_t rc = open_report_log(path, log)) return rc;
  if (!log.bytes_placed && vol_above(0)) writeMsg(MSG_WARNING, "WARNING: %s holds no captured registers", path);
  auto capture = std::make_unique<CapturedMmio>(2);
  log.fill(*capture);
  int family = replay_family(log);
  use_captured_registers(std::move(capture), family, path);
  return EXIT_OK;
}

extern "C" opal_exit_t opal_use_log(const char* path) { return use_log_registers(path); }

extern "C" opal_exit_t opal_use_live(void) {
  use_live_registers();
  return EXIT_OK;
}
