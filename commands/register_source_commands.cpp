// use_log and use_live: where luma_cli's register commands read, through
// the same captured image parse_qrt replays.
#include <cstring>
#include <memory>
#include <string>

#include "commands/offline_commands.h"
#include "commands/register_name_commands.h"
#include "commands/report_log.h"
#include "core/msglog.h"
#include "hw/register_access.h"

opal_exit_t cmd_use_log(cmd_args_t* args) {
  std::string path = args->count > 1 ? args->slot[1] : "";
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  ReportLog log;
  if (!read_report_log(path.c_str(), log)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to open %s", path.c_str());
    return EXIT_LOGFILE_ERROR;
  }
  if (log.long_line && vol_above(0))
    writeMsg(MSG_WARNING, "WARNING: Line %lu of %s is longer than %lu characters: the log is read up to the line before it",
             static_cast<unsigned long>(log.long_line), path.c_str(), static_cast<unsigned long>(kReportLineMax));
  if (!log.bytes_placed && vol_above(0)) writeMsg(MSG_WARNING, "WARNING: %s holds no captured registers", path.c_str());
  auto capture = std::make_unique<CapturedMmio>(2);
  log.fill(*capture);
  int family = replay_family(log);
  use_captured_registers(std::move(capture), family, path);
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "Registers now come from %s: find_reg, read_reg and watch_reg read its capture, write_reg "
             "is refused; use_live reads the machine again", path.c_str());
  return EXIT_OK;
}

opal_exit_t cmd_use_live(cmd_args_t* args) {
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  use_live_registers();
  RegisterView view = register_view();
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "Registers now come from this machine (the %s family)",
             view.map ? view.map->family_name() : "unknown");
  return EXIT_OK;
}
