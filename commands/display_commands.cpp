// Display commands over modes and display configurations: the current dc
// and mode, the dc and mode lists, switching configuration or resolution,
// the display-port mapping and the video frame rate.
#include "display_commands.h"

#include <cstdio>
#include <cstring>

#include "core/msglog.h"
#include "display/display_internal.h"

namespace {

// Results overwrite the parameter slots, so parameters are copied first.
struct Param {
  char text[kArgSlotSize] = {};
  Param(const cmd_args_t* args, int slot) {
    if (slot < args->count) std::snprintf(text, sizeof text, "%.*s", kArgSlotSize - 1, args->slot[slot]);
  }
};

// The driver's record fields are 32-bit; the lines print them as the
// 32-bit signed long of the platform.
long as_long(uint32_t v) { return static_cast<long>(static_cast<int32_t>(v)); }

// The dc list, freed however the command ends.
struct DcList {
  uint32_t* dcs = nullptr;
  char** names = nullptr;
  uint32_t count = 0;
  opal_exit_t status = opal_get_dc_list(&dcs, &names, &count);
  ~DcList() { opal_free_dc_list(dcs, names, count); }
  bool holds(uint32_t dc) const {
    for (uint32_t i = 0; i < count; ++i)
      if (dcs[i] == dc) return true;
    return false;
  }
};

struct ModeList {
  opal_mode_t* modes = nullptr;
  uint32_t count = 0;
  ~ModeList() { opal_free_mode_list(modes); }
};

// The first parameter of set_display_mode as a configuration type or a dc
// the driver lists.
opal_exit_t resolve_request(const char* text, uint32_t& value) {
  if (uint32_t type = config_keyword_type(text)) {
    value = type;
    return EXIT_OK;
  }
  uint32_t dc = 0;
  if (!parse_unsigned(text, dc)) return EXIT_INVALID_PARAM_ERROR;
  DcList list;
  // Without the list the number cannot be checked, and an unchecked dc
  // must not reach the driver.
  if (list.status != EXIT_OK) return list.status;
  if (!list.holds(dc)) return EXIT_INVALID_PARAM_ERROR;
  value = dc;
  return EXIT_OK;
}

// The listed dc that a resolved request stands for; 0 when none does.
uint32_t dc_to_set(uint32_t value) {
  DcList list;
  if (list.status != EXIT_OK) return 0;
  bool is_dc = OPAL_DC_FIELD(value, PRIMARY_MASTER) != 0;
  for (uint32_t i = 0; i < list.count; ++i)
    if ((is_dc && list.dcs[i] == value) || OPAL_DC_TYPE(list.dcs[i]) == value) return list.dcs[i];
  return 0;
}

const opal_mode_t* find_mode(const ModeList& list, const ModeText& want) {
  for (uint32_t i = 0; i < list.count; ++i) {
    const opal_mode_t& m = list.modes[i];
    if (m.width == want.width && m.height == want.height && m.refresh == want.refresh) return &m;
  }
  if (vol_above(0))
    writeMsg(MSG_ERROR, "ERROR no valid mode found that matches %dx%dx%d", want.width, want.height, want.refresh);
  return nullptr;
}

constexpr uint16_t kSetModeDepth = 32;

// Reads a mode text parameter; a number too large for a mode is named.
bool read_mode(const char* text, ModeText& mode) {
  switch (parse_mode_text(text, mode)) {
    case ModeTextResult::Ok:
      return true;
    case ModeTextResult::OutOfRange:
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid mode %s: width, height and refresh go up to 65535", text);
      return false;
    case ModeTextResult::TooFewPieces:
      break;
  }
  return false;
}

}  // namespace

opal_exit_t cmd_get_cur_dc(cmd_args_t* args) {
  args->count = 0;
  uint32_t dc = 0;
  if (opal_exit_t rc = read_current_dc(&dc)) return rc;
  add_result(args, "The current dc is 0x%lX", static_cast<unsigned long>(dc));
  add_result(args, "The current display mode is %s", config_type_name(OPAL_DC_TYPE(dc)));
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble)
    add_result(args, "%s is %d", port_role_name(nibble), static_cast<int>(OPAL_DC_FIELD(dc, nibble)));
  return EXIT_OK;
}

opal_exit_t cmd_get_current_disp_mode(cmd_args_t* args) {
  args->count = 0;
  uint32_t dc = 0;
  if (opal_exit_t rc = read_current_dc(&dc)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Can't get current dc");
    return rc;
  }
  if (vol_above(0)) writeMsg(MSG_PLAIN, "Current DC is 0x%X\n", dc);
  opal_exit_t status = EXIT_OK;
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble) {
    uint32_t port = OPAL_DC_FIELD(dc, nibble);
    if (!port) continue;
    if (vol_above(0)) writeMsg(MSG_PLAIN, "Port number is 0x%X\n", port);
    opal_port_info_t info;
    status = opal_get_port_info(port, &info);
    if (status != EXIT_OK) continue;
    add_result(args, "Display%ld\n%-48s: %ld\n%-48s: %ld\n%-48s: %ld\n%-48s: %ld", static_cast<long>(nibble),
               "Width", as_long(info.width), "Height", as_long(info.height), "Depth", as_long(info.depth),
               "Refresh", as_long(info.refresh));
    add_result(args, "%-48s: %ld\n%-48s: %ld\n%-48s: %ld\n%-48s: %s", "Edid", as_long(info.edid), "Enable",
               as_long(info.enable), "Timing_Owner", as_long(info.timing_owner), "Pd_name", info.pd_name);
    add_result(args, "%-48s: %s\n%-48s: %ld\n%-48s: %ld", "User Alias", info.user_alias, "Pd_version",
               as_long(info.pd_version), "Pd_type", as_long(info.pd_type));
  }
  return status;
}

opal_exit_t cmd_set_display_mode(cmd_args_t* args) {
  Param request(args, 1), mode_text(args, 2);
  args->count = 0;

  uint32_t current = 0;
  if (opal_exit_t rc = read_current_dc(&current)) return rc;
  uint32_t requested = 0;
  if (opal_exit_t rc = resolve_request(request.text, requested)) return rc;
  ModeText mode;
  if (!read_mode(mode_text.text, mode)) return EXIT_INVALID_PARAM_ERROR;
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "Setting %s mode with %dx%dx%d", request.text, mode.width, mode.height, mode.refresh);

  // Everything that can refuse the request is settled before the desktop
  // changes: the dc to set and the mode in its primary port's list.
  uint32_t target = dc_to_set(requested);
  if (!target) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The driver offers no display configuration for %s", request.text);
    return EXIT_INVALID_PARAM_ERROR;
  }
  ModeList list;
  if (opal_exit_t rc = opal_get_mode_list(target, 0, &list.modes, &list.count)) return rc;
  // Both displays take the same mode, matched once in the primary port's list.
  const opal_mode_t* primary = find_mode(list, mode);
  if (!primary) return EXIT_INVALID_PARAM_ERROR;
  const opal_mode_t* secondary = primary;

  const bool extended = OPAL_DC_TYPE(current) == MULTI_TYPE_EXTENDED;
  const bool same_type = OPAL_DC_TYPE(requested) == OPAL_DC_TYPE(current);
  ScreenAssignment before = assign_screens(current, OPAL_APPLY_PRIMARY);
  if (extended && !same_type) {
    // Leaving the extended desktop: the non-primary screen goes first.
    SetDcPayload leave{};
    leave.dc = requested;
    leave.primary_width = mode.width;
    leave.primary_height = mode.height;
    leave.primary_refresh = mode.refresh;
    apply_to_screens(leave, before, true);
  }
  ScreenAssignment screens = assign_screens(current, OPAL_APPLY_PRIMARY | OPAL_APPLY_SECONDARY);

  SetDcPayload payload{};
  payload.dc = target;
  payload.primary_width = payload.primary_width2 = primary->width;
  payload.primary_height = payload.primary_height2 = primary->height;
  payload.primary_refresh = primary->refresh;
  payload.primary_depth = kSetModeDepth;
  payload.secondary_width = payload.secondary_width2 = secondary->width;
  payload.secondary_height = payload.secondary_height2 = secondary->height;
  payload.secondary_refresh = secondary->refresh;
  payload.secondary_depth = kSetModeDepth;

  bool sent = false;
  if (current != target) {
    if (opal_exit_t rc = send_escape_checked(&payload, nullptr, VARNEL_ESCAPE_SET_DC, sizeof payload, 0)) return rc;
    sent = true;
  }
  if (!extended || same_type || !sent) {
    if (!apply_to_screens(payload, screens, extended)) return EXIT_OS_CALL_ERROR;
  }
  return EXIT_OK;
}

opal_exit_t cmd_set_scrn_res(cmd_args_t* args) {
  Param screen_text(args, 1), mode_text(args, 2);
  args->count = 0;
  uint32_t screen = 0;
  if (word_is(screen_text.text, "ALL")) {
    screen = OPAL_ALL_SCREENS;
  } else {
    // A decimal screen number and nothing else: "1a" or "-1" would pick a
    // screen nobody asked for.
    if (!parse_decimal(screen_text.text, screen)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid screen number %s", screen_text.text);
      return EXIT_INVALID_PARAM_ERROR;
    }
  }
  ModeText mode;
  if (!read_mode(mode_text.text, mode)) return EXIT_INVALID_PARAM_ERROR;
  return apply_screen_mode(screen, mode.width, mode.height, mode.refresh, 0, 0, false) ? EXIT_OK
                                                                                       : EXIT_OS_CALL_ERROR;
}

opal_exit_t cmd_get_dc_list(cmd_args_t* args) {
  args->count = 0;
  DcList list;
  if (list.status == EXIT_OK && vol_above(0)) {
    writeMsg(MSG_PLAIN, "Total DCs available: %d\nDC list: ", static_cast<int>(list.count));
    for (uint32_t i = 0; i < list.count; ++i)
      writeMsg(MSG_PLAIN, "%d 0x%08X %s", static_cast<int>(i + 1), list.dcs[i],
               list.names && list.names[i] ? list.names[i] : "");
  }
  return list.status;
}

opal_exit_t cmd_get_drv_mode_list(cmd_args_t* args) {
  args->count = 0;
  uint32_t dc = 0;
  if (opal_exit_t rc = read_current_dc(&dc)) return rc;
  ModeList list;
  opal_exit_t rc = opal_get_mode_list(dc, 0, &list.modes, &list.count);
  if (rc == EXIT_OK && vol_above(0)) {
    writeMsg(MSG_PLAIN, "Total Modes available: %d\n", static_cast<int>(list.count));
    writeMsg(MSG_PLAIN, "Width\tHeight\tRefresh Rate\n");
    for (uint32_t i = 0; i < list.count; ++i)
      writeMsg(MSG_PLAIN, "%d\t%d\t%d", list.modes[i].width, list.modes[i].height, list.modes[i].refresh);
  }
  return rc;
}

opal_exit_t cmd_get_disp_port_map(cmd_args_t* args) {
  args->count = 0;
  opal_disp_port_map_t* map = nullptr;
  uint32_t count = 0;
  opal_exit_t rc = opal_get_disp_port_mapping(&map, &count);
  if (rc == EXIT_OK && map && vol_above(0)) {
    writeMsg(MSG_PLAIN, "%-25s%-25s%-15s%-10s", "ABSOLUTE DISPLAY NUM", "RELATIVE DISPLAY NUM", "IS PRIMARY",
             "PORTS");
    for (uint32_t i = 0; i < count && i < OPAL_MAX_SCREENS; ++i) {
      const opal_disp_port_map_t& e = map[i];
      char line[128];
      int n = std::snprintf(line, sizeof line, "%-25lu%-25lu%-15s", static_cast<unsigned long>(e.absolute_display),
                            static_cast<unsigned long>(e.relative_display), e.is_primary ? "YES" : "NO");
      uint32_t ports = e.num_ports < OPAL_MAX_SCREEN_PORTS ? e.num_ports : OPAL_MAX_SCREEN_PORTS;
      if (ports == 0)
        std::snprintf(line + n, sizeof line - n, "%-3s", "NO PORTS");
      for (uint32_t p = 0; p < ports; ++p) {
        size_t used = std::strlen(line);
        std::snprintf(line + used, sizeof line - used, "%-3lu", static_cast<unsigned long>(e.ports[p].port));
      }
      writeMsg(MSG_PLAIN, "%s", line);
    }
  }
  opal_free_disp_port_mapping(map);
  return rc;
}

opal_exit_t cmd_get_video_fps(cmd_args_t* args) {
  Param option(args, 1);
  // One line in every case; until a rate is measured it is the command word.
  args->count = 1;
  if (word_is(option.text, "START")) return opal_get_video_fps(OPAL_VIDEO_FPS_START, nullptr);
  if (!word_is(option.text, "FPS")) return EXIT_INVALID_PARAM_ERROR;
  opal_video_fps_t info{};
  if (opal_exit_t rc = opal_get_video_fps(OPAL_VIDEO_FPS_STOP, &info)) return rc;
  std::snprintf(args->slot[0], kArgSlotSize, "%-48s: %f\n%-48s: %d\n%-48s: %d", "FPS", opal_video_fps_rate(&info),
                "Used Hardware Decode", static_cast<int>(info.used_hw_decode), "Used Overlay",
                static_cast<int>(info.used_overlay));
  return EXIT_OK;
}
