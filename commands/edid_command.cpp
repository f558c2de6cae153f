// get_edid_info: the EDID report of every port of the current display
// configuration, or of a block kept in a text file.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/msglog.h"
#include "display/display_internal.h"
#include "edid_file.h"
#include "edid_report.h"

namespace {

opal_exit_t edid_from_file(const char* path) {
  uint8_t data[kEdidFileMaxWords * 4];
  EdidFileResult r = read_edid_file(path, data);
  switch (r.status) {
    case EdidFileStatus::NotFound:
      if (vol_above(0)) writeMsg(MSG_ERROR, "%s not found", path);
      return EXIT_INVALID_PARAM_ERROR;
    case EdidFileStatus::Empty:
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: %s holds no EDID words", path);
      return EXIT_INVALID_PARAM_ERROR;
    case EdidFileStatus::BadToken:
      if (vol_above(0))
        writeMsg(MSG_ERROR, "ERROR: %s line %d: '%.32s' is not a word of 8 hexadecimal digits", path, r.line,
                 r.token.c_str());
      return EXIT_INVALID_PARAM_ERROR;
    case EdidFileStatus::LineTooLong:
      if (vol_above(0))
        writeMsg(MSG_ERROR, "ERROR: %s line %d is longer than %d characters", path, r.line, kEdidFileLineMax);
      return EXIT_INVALID_PARAM_ERROR;
    case EdidFileStatus::NulByte:
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: %s line %d holds a NUL byte", path, r.line);
      return EXIT_INVALID_PARAM_ERROR;
    case EdidFileStatus::Ok: break;
  }
  if (r.ignored_words && vol_above(0))
    writeMsg(MSG_WARNING, "WARNING: %s holds %d words after the first %d; they are ignored", path,
             r.ignored_words, kEdidFileMaxWords);
  uint8_t block[kEdidBlockSize];
  std::memcpy(block, data, sizeof block);
  write_edid_report(block);
  return EXIT_OK;
}

opal_exit_t edid_from_ports() {
  uint32_t dc = 0;
  // A dc read as 0 is no failure: no port is active, so there is no report.
  if (opal_exit_t failure = read_current_dc(&dc)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Can't get current dc");
    return failure;
  }
  opal_exit_t rc = EXIT_OK;
  for (uint32_t field = 1; field <= 7; ++field) {
    uint32_t port = OPAL_DC_FIELD(dc, field);
    if (port == PORT_UNUSED) continue;
    uint8_t block[kEdidBlockSize] = {};
    rc = opal_get_display_firmware(port, 0, block);
    if (rc != EXIT_OK) continue;  // the escape has reported it; try the next port
    if (vol_above(0)) writeMsg(MSG_PLAIN, "EDID Info for Port %d\n\n", static_cast<int>(port));
    write_edid_report(block);
  }
  return rc;
}

}  // namespace

opal_exit_t cmd_get_edid_info(cmd_args_t* args) {
  opal_exit_t rc = EXIT_OK;
  if (args->count > 1 && args->slot[1][0]) {
    char path[kArgSlotSize];
    std::snprintf(path, sizeof path, "%s", args->slot[1]);
    rc = edid_from_file(path);
  } else if (!std::getenv("ULTCONF")) {
    rc = edid_from_ports();
  }
  args->count = 0;
  return rc;
}
