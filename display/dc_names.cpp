// Names of ports and of display configurations, and the current one.
#include <cstdio>
#include <algorithm>
#include <cstring>

#include "core/msglog.h"
#include "display_internal.h"

namespace {
const char* const kPortNames[] = {"Unused", "TV", "DVOB", "DVOC", "LVDS", "ANALOG", "DPB", "DPC", "EDP"};
}

extern "C" const char* opal_port_name(uint32_t port) {
  return port < sizeof kPortNames / sizeof *kPortNames ? kPortNames[port] : "Unknown";
}

void dc_name(uint32_t dc, char* name) {
  size_t used = 0;
  name[0] = 0;
  auto append = [&](const char* text) {
    int n = std::snprintf(name + used, OPAL_DC_NAME_SIZE - used, "%s", text);
    if (n > 0) used = std::min<size_t>(used + static_cast<size_t>(n), OPAL_DC_NAME_SIZE - 1);
  };
  bool written_on_display = false;
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble) {
    uint32_t port = OPAL_DC_FIELD(dc, nibble);
    if (nibble == SECONDARY_MASTER) {
      written_on_display = false;
      if (port) append(OPAL_DC_TYPE(dc) == MULTI_TYPE_EXTENDED ? " -> " : " + ");
    }
    if (!port) continue;
    if (written_on_display) append(",");
    append(opal_port_name(port));
    written_on_display = true;
  }
  if (vol_above(2)) writeMsg(MSG_PLAIN, "%-20s 0x%X", name, dc);
}

extern "C" opal_exit_t opal_get_dc_name(uint32_t dc, char* name) {
  if (!name) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Input dc name is NULL. Caller must specify a NON NULL dc name");
    return EXIT_INVALID_PARAM_ERROR;
  }
  dc_name(dc, name);
  return EXIT_OK;
}

opal_exit_t read_current_dc(uint32_t* dc) {
  uint32_t value = 0;
  if (send_escape(nullptr, &value, VARNEL_ESCAPE_GET_CURRENT_DC, 0, sizeof value) != 0) {
    report_escape_failure(VARNEL_ESCAPE_GET_CURRENT_DC);
    return EXIT_OS_CALL_ERROR;
  }
  *dc = value;
  return EXIT_OK;
}

extern "C" uint32_t opal_get_current_dc(void) {
  uint32_t dc = 0;
  return read_current_dc(&dc) == EXIT_OK ? dc : 0;
}
