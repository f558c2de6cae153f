#include "commands/offline_commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "commands/register_commands.h"
#include "commands/report_log.h"
#include "core/msglog.h"
#include "core/session.h"
#include "hw/hw_regs.h"
#include "hw/register_dump.h"
#include "hw/register_source.h"
#include "oal/files.h"

namespace {

// The dumps a replay runs, in order.
struct ReplayStep {
  uint32_t id;
  cmd_handler_t body;
};
const ReplayStep kReplay[] = {
    {CMD_READ_ERROR, cmd_read_error},     {CMD_GET_PIPE_REGS, cmd_get_pipe_regs},
    {CMD_GET_PORT_REGS, cmd_get_port_regs}, {CMD_GET_FUSE_REGS, cmd_get_fuse_regs},
    {CMD_GET_PLANE_REGS, cmd_get_plane_regs}, {CMD_GET_VGACNTRL, cmd_get_vgacntrl},
    {CMD_GET_REG_LVDS, cmd_get_reg_lvds},   {CMD_GET_TV_REGS, cmd_get_tv_regs},
};

// The session's family object swapped for the captured machine's while a
// replay runs.
class ScopedFamily {
 public:
  explicit ScopedFamily(cmn_hw_regs_t* family) : saved_(session.family), mine_(family) { session.family = family; }
  ~ScopedFamily() {
    session.family = saved_;
    destroy_hw_regs(mine_);
  }
  ScopedFamily(const ScopedFamily&) = delete;
  ScopedFamily& operator=(const ScopedFamily&) = delete;

 private:
  cmn_hw_regs_t* saved_;
  cmn_hw_regs_t* mine_;
};

const char* ordinal(int field) {
  static const char* const kOrdinals[] = {"1st", "2nd", "3rd"};
  return kOrdinals[field];
}

}  // namespace

int replay_family(const ReportLog& log) {
  if (log.has_device_id) {
    int id = family_id_of_device(log.device_id);
    if (vol_above(0))
      writeMsg(MSG_PLAIN, "Decoding with the %s family of device 0x%X, named by the log's chipset line",
               family_short_name(id), log.device_id);
    return id;
  }
  int id = session.family ? session.family->family_id() : 1;
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "The log names no chipset: decoding with this machine's %s family", family_short_name(id));
  return id;
}

bool parse_check_line(char* line, uint32_t out[3], int* bad) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  char* p = line;
  for (int i = 0; i < 3; ++i) {
    while (*p && blank(*p)) ++p;
    char* token = p;
    while (*p && !blank(*p)) ++p;
    if (*p) *p++ = '\0';
    // A token that is not wholly a number is as bad as a missing one: a
    // mask of 0 would otherwise let the line pass.
    if (!*token || !parse_unsigned(token, out[i])) {
      *bad = i;
      return false;
    }
  }
  return true;
}

opal_exit_t cmd_parse_qrt(cmd_args_t* args) {
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

  CapturedMmio mmio(2);
  log.fill(mmio);
  ScopedFamily family(create_hw_regs_for(replay_family(log)));
  ScopedDumpSource source(mmio);

  opal_exit_t result = EXIT_OK;
  for (const ReplayStep& step : kReplay) {
    const CommandInfo* info = find_command_info(step.id);
    const char* upper = info && info->upper ? info->upper : "";
    // Every step gets a fresh record: the dumps read the capture through
    // the source, so no buffer address travels as text.
    cmd_args_t record;
    std::memset(&record, 0, sizeof record);
    if (vol_above(1)) writeMsg(MSG_PLAIN, "Function: %s", upper);
    opal_exit_t rc = step.body(&record);
    if (rc == EXIT_OK) {
      for (int i = 0; i < record.count && i < kArgSlots; ++i)
        if (vol_above(0)) writeMsg(MSG_PLAIN, "%s", record.slot[i]);
    } else {
      result = rc;
    }
    if (vol_above(0)) writeMsg(MSG_PLAIN, "\n");
    if (vol_above(1)) {
      char name[OPAL_EXIT_NAME_SIZE];
      opal_decode_exit_code(rc, name);
      writeMsg(MSG_PLAIN, "Function: %s, Exit Code: %s", upper, name);
    }
    if (vol_above(0)) writeMsg(MSG_PLAIN, "\t============================");
  }
  return result;
}

opal_exit_t cmd_check_regs(cmd_args_t* args) {
  std::string path = args->count > 1 ? args->slot[1] : "";
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  FILE* f = oal::fopen(path.c_str(), "r");
  if (!f) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: File %s not present", path.c_str());
    return EXIT_INVALID_PARAM_ERROR;
  }
  // Room for the longest line, CR LF, the terminator and one character
  // more, which tells a line that is too long.
  char line[kCheckLineMax + 4];
  opal_exit_t result = EXIT_OK;
  for (int number = 1; std::fgets(line, sizeof line, f); ++number) {
    size_t n = std::strlen(line);
    bool ended = n && line[n - 1] == '\n';
    if (ended) line[--n] = '\0';
    if (n && line[n - 1] == '\r') line[--n] = '\0';
    if (n > kCheckLineMax || (!ended && !std::feof(f))) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Line %d is longer than %lu characters", number,
                                 static_cast<unsigned long>(kCheckLineMax));
      result = EXIT_INVALID_PARAM_ERROR;
      break;
    }
    char as_read[kCheckLineMax + 4];
    std::memcpy(as_read, line, n + 1);
    uint32_t field[3] = {0, 0, 0};
    int bad = 0;
    if (!parse_check_line(line, field, &bad)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Line %d, %s parameter invalid", number, ordinal(bad));
      result = EXIT_INVALID_PARAM_ERROR;
      break;
    }
    uint32_t actual = 0;
    if (!live_registers().read32(field[0], &actual, 2)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Line %d, register 0x%X cannot be read", number, field[0]);
      result = EXIT_OS_CALL_ERROR;
      break;
    }
    if ((actual & field[1]) != (field[2] & field[1])) {
      if (vol_above(0)) {
        writeMsg(MSG_ERROR, "ERROR: Line %d, %s", number, as_read);
        writeMsg(MSG_ERROR, "ERROR: Value & Mask = 0x%X", field[2] & field[1]);
        writeMsg(MSG_ERROR, "ERROR: Actual_Value & Mask = 0x%X", actual & field[1]);
      }
      result = EXIT_GENERIC_ERROR;
      break;
    }
  }
  std::fclose(f);
  return result;
}
