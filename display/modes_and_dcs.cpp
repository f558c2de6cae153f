// Modes and display configurations: listing them and switching the driver
// and the Windows desktop to another one.
#include <cstdlib>
#include <cstring>

#include "core/msglog.h"
#include "display_internal.h"

ScreenAssignment assign_screens(uint32_t dc, uint32_t flags) {
  ScreenAssignment a;
  a.flags = flags;
  opal_disp_port_map_t* map = nullptr;
  uint32_t count = 0;
  opal_get_disp_port_mapping(&map, &count);
  if (!map) return a;
  uint32_t primary_port = OPAL_DC_FIELD(dc, PRIMARY_MASTER);
  uint32_t secondary_port = OPAL_DC_FIELD(dc, SECONDARY_MASTER);
  for (uint32_t i = 0; i < count && i < OPAL_MAX_SCREENS; ++i) {
    uint32_t used = map[i].num_ports < OPAL_MAX_SCREEN_PORTS ? map[i].num_ports : OPAL_MAX_SCREEN_PORTS;
    for (uint32_t p = 0; p < used; ++p) {
      uint32_t port = map[i].ports[p].port;
      if (primary_port && port == primary_port) {
        a.primary_screen = map[i].relative_display;
        a.primary_is_windows_primary = map[i].is_primary != 0;
      }
      if (secondary_port && port == secondary_port) {
        a.secondary_screen = map[i].relative_display;
        a.secondary_is_windows_primary = map[i].is_primary != 0;
      }
    }
  }
  opal_free_disp_port_mapping(map);
  return a;
}

bool apply_to_screens(const SetDcPayload& p, const ScreenAssignment& a, bool detach_first) {
  uint32_t type = OPAL_DC_TYPE(p.dc);
  uint32_t other = a.primary_is_windows_primary ? a.secondary_screen : a.primary_screen;
  bool plain = type == MULTI_TYPE_SINGLE || type == MULTI_TYPE_CLONE || type == MULTI_TYPE_TWIN;
  auto apply_primary = [&] {
    return apply_screen_mode(a.primary_screen, p.primary_width, p.primary_height, p.primary_refresh,
                             p.primary_depth, 0, true);
  };
  if (plain && detach_first) {
    detach_screen(other);
    return true;
  }
  if (type == MULTI_TYPE_EXTENDED && !detach_first) {
    if (!attach_screen_right(p.secondary_width, p.secondary_height, p.secondary_refresh, p.secondary_depth,
                             other))
      return false;
    return (a.flags & OPAL_APPLY_PRIMARY) ? apply_primary() : true;
  }
  if (plain) return (a.flags & OPAL_APPLY_PRIMARY) ? apply_primary() : true;
  bool result = true;
  if (a.flags & OPAL_APPLY_PRIMARY) result = apply_primary();
  if (a.flags & OPAL_APPLY_SECONDARY)
    result = apply_screen_mode(a.secondary_screen, p.secondary_width, p.secondary_height, p.secondary_refresh,
                               p.secondary_depth, 0, true);
  return result;
}

namespace {

opal_exit_t send_set_dc(const SetDcPayload& p) {
  return send_escape_checked(&p, nullptr, VARNEL_ESCAPE_SET_DC, sizeof p, 0);
}

// The payload reduced to the primary port in a single configuration.
SetDcPayload single_on_primary(const SetDcPayload& p) {
  SetDcPayload s = p;
  s.dc = (p.dc & 0xF0u) | MULTI_TYPE_SINGLE;
  return s;
}

}  // namespace

extern "C" opal_exit_t opal_get_mode_list(uint32_t dc, uint32_t display, opal_mode_t** table, uint32_t* count) {
  if (display > 1) return EXIT_INVALID_PARAM_ERROR;
  if (table && *table && vol_above(0))
    writeMsg(MSG_WARNING, "WARNING: Input mode table is not NULL. This may cause memory leaks");
  if (!count || !table) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Input mode table size is NULL. Caller must specify a NON NULL mode size");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t port = OPAL_DC_FIELD(dc, display == 0 ? PRIMARY_MASTER : SECONDARY_MASTER);
  if (vol_above(2)) {
    writeMsg(MSG_PLAIN, "Port number is %d", static_cast<int>(port));
    writeMsg(MSG_PLAIN, "Current dc is 0x%X", dc);
  }
  uint32_t in[2] = {port, dc};
  uint32_t n = 0;
  if (opal_exit_t rc = send_escape_checked(in, &n, VARNEL_ESCAPE_GET_NUM_MODES, sizeof in, sizeof n)) return rc;
  *table = nullptr;
  *count = 0;
  // A count the driver cannot mean is refused rather than allocated.
  if (n > kMaxTableBytes / sizeof(opal_mode_t)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The driver reported %u modes, more than can be listed", n);
    return EXIT_INVALID_PARAM_ERROR;
  }
  auto* modes = static_cast<opal_mode_t*>(std::calloc(n ? n : 1, sizeof(opal_mode_t)));
  if (!modes) return EXIT_INVALID_PARAM_ERROR;
  *table = modes;
  *count = n;
  return send_escape_checked(in, modes, VARNEL_ESCAPE_GET_AVAIL_MODES, sizeof in,
                             static_cast<int32_t>(n * sizeof(opal_mode_t)));
}

extern "C" void opal_free_mode_list(void* table) { std::free(table); }

extern "C" opal_exit_t opal_get_dc_list(uint32_t** dcs, char*** names, uint32_t* count) {
  if (!count || !dcs || !names) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Input dc table size is NULL. Caller must specify a NON NULL dc size");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (*dcs && vol_above(0)) writeMsg(MSG_WARNING, "WARNING: Input dc table is not NULL. This may cause memory leaks");
  uint32_t n = 0;
  if (send_escape(nullptr, &n, VARNEL_ESCAPE_GET_NUM_DC, 0, sizeof n) != 0) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Cannot read the number of display configurations");
    return EXIT_OS_CALL_ERROR;
  }
  *dcs = nullptr;
  *names = nullptr;
  *count = 0;
  if (n > kMaxTableBytes / (sizeof(uint32_t) + sizeof(char*) + OPAL_DC_NAME_SIZE)) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: The driver reported %u display configurations, more than can be listed", n);
    return EXIT_INVALID_PARAM_ERROR;
  }
  auto* list = static_cast<uint32_t*>(std::calloc(n ? n : 1, sizeof(uint32_t)));
  auto** text = static_cast<char**>(std::calloc(n ? n : 1, sizeof(char*)));
  if (!list || !text) {
    std::free(list);
    std::free(text);
    return EXIT_INVALID_PARAM_ERROR;
  }
  opal_exit_t rc = EXIT_OK;
  if (send_escape(nullptr, list, VARNEL_ESCAPE_GET_DC_LIST, 0, static_cast<int32_t>(n * sizeof(uint32_t))) != 0) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Cannot read the list of display configurations");
    rc = EXIT_OS_CALL_ERROR;
  }
  for (uint32_t i = 0; i < n; ++i) {
    text[i] = static_cast<char*>(std::calloc(1, OPAL_DC_NAME_SIZE));
    if (text[i]) dc_name(list[i], text[i]);
  }
  *dcs = list;
  *names = text;
  *count = n;
  return rc;
}

extern "C" void opal_free_dc_list(uint32_t* dcs, char** names, uint32_t count) {
  if (names)
    for (uint32_t i = 0; i < count; ++i) std::free(names[i]);
  std::free(names);
  std::free(dcs);
}

SetDcPayload make_set_dc_payload(uint32_t dc, const opal_mode_t* primary, const opal_mode_t* secondary,
                                 uint16_t primary_depth, uint16_t secondary_depth) {
  SetDcPayload p{};
  p.dc = dc;
  if (primary) {
    p.primary_width = primary->width;
    p.primary_height = primary->height;
    p.primary_refresh = primary->refresh;
  }
  if (secondary) {
    p.secondary_width = secondary->width;
    p.secondary_height = secondary->height;
    p.secondary_refresh = secondary->refresh;
  }
  p.primary_depth = primary_depth;
  p.secondary_depth = secondary_depth ? secondary_depth : primary_depth;
  return p;
}

opal_exit_t set_dc_payload(const SetDcPayload& payload, uint32_t flags) {
  uint32_t new_dc = payload.dc;
  uint32_t old_dc = 0;
  if (opal_exit_t rc = read_current_dc(&old_dc)) return rc;
  ScreenAssignment assignment = assign_screens(old_dc, flags);
  bool detach_first = OPAL_DC_TYPE(old_dc) == MULTI_TYPE_EXTENDED;
  uint32_t old_type = OPAL_DC_TYPE(old_dc), new_type = OPAL_DC_TYPE(new_dc);
  bool primary_changed = false;

  if (old_type == MULTI_TYPE_EXTENDED && new_type == MULTI_TYPE_EXTENDED && old_dc != new_dc) {
    // The driver cannot move between extended configurations directly.
    SetDcPayload single = single_on_primary(payload);
    apply_to_screens(single, assignment, true);
    if (opal_exit_t rc = send_set_dc(single)) return rc;
    if (opal_exit_t rc = read_current_dc(&old_dc)) return rc;
    old_type = OPAL_DC_TYPE(old_dc);
    detach_first = false;
  } else if (old_type == MULTI_TYPE_EXTENDED && new_type != MULTI_TYPE_EXTENDED) {
    apply_to_screens(payload, assignment, true);
    detach_first = false;
    primary_changed = OPAL_DC_FIELD(old_dc, PRIMARY_MASTER) != OPAL_DC_FIELD(new_dc, PRIMARY_MASTER);
  } else if (old_type != MULTI_TYPE_EXTENDED && new_type == MULTI_TYPE_EXTENDED &&
             OPAL_DC_FIELD(old_dc, PRIMARY_MASTER) != OPAL_DC_FIELD(new_dc, PRIMARY_MASTER)) {
    if (opal_exit_t rc = send_set_dc(single_on_primary(payload))) return rc;
  }

  bool sent = false;
  if (new_dc != old_dc || (new_type == MULTI_TYPE_CLONE && (flags & OPAL_APPLY_SECONDARY))) {
    // Judged by reading the dc back below.
    send_escape(&payload, nullptr, VARNEL_ESCAPE_SET_DC, sizeof payload, 0);
    sent = true;
  }
  uint32_t now = 0;
  if (opal_exit_t rc = read_current_dc(&now)) return rc;
  if (now != new_dc) {
    // The driver kept another configuration: the switch failed, and the
    // Windows settings are left as they are.
    report_escape_failure(VARNEL_ESCAPE_SET_DC);
    return EXIT_OS_CALL_ERROR;
  }

  if (old_type == MULTI_TYPE_EXTENDED && new_type != MULTI_TYPE_EXTENDED && !primary_changed && sent &&
      !(flags & OPAL_APPLY_PRIMARY))
    return EXIT_OK;
  // A mode Windows refuses leaves the desktop out of step with the driver.
  return apply_to_screens(payload, assign_screens(new_dc, flags), detach_first) ? EXIT_OK : EXIT_OS_CALL_ERROR;
}

extern "C" opal_exit_t opal_set_dc(uint32_t dc, const opal_mode_t* primary, const opal_mode_t* secondary,
                                   uint16_t primary_depth, uint16_t secondary_depth, uint32_t flags) {
  if (!primary) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "Must provide a primary mode");
    return EXIT_INVALID_PARAM_ERROR;
  }
  return set_dc_payload(make_set_dc_payload(dc, primary, secondary, primary_depth, secondary_depth), flags);
}

extern "C" opal_exit_t opal_set_mode(uint32_t display, const opal_mode_t* mode, uint16_t depth) {
  if (!mode) return EXIT_INVALID_PARAM_ERROR;
  if (display != 1)
    return apply_screen_mode(display, mode->width, mode->height, mode->refresh, depth, 0, false)
               ? EXIT_OK
               : EXIT_OS_CALL_ERROR;
  uint32_t dc = 0;
  read_current_dc(&dc);
  uint32_t pdepth = 0, rotation = 0, width = 0, height = 0, refresh = 0;
  if (!read_primary_settings(&pdepth, &rotation, &width, &height, &refresh)) return EXIT_OS_CALL_ERROR;
  if (vol_above(2))
    writeMsg(MSG_PLAIN, "Primary's Width = %d, Height = %d, Refresh = %d", static_cast<int>(width),
             static_cast<int>(height), static_cast<int>(refresh));
  opal_mode_t primary{};
  primary.width = static_cast<uint16_t>(width);
  primary.height = static_cast<uint16_t>(height);
  primary.refresh = static_cast<uint16_t>(refresh);
  if (opal_exit_t rc = opal_set_dc(dc, &primary, mode, static_cast<uint16_t>(pdepth), depth,
                                   OPAL_APPLY_PRIMARY | OPAL_APPLY_SECONDARY))
    return rc;
  // A clone shows one desktop, which keeps the primary's size; otherwise the
  // secondary's own screen takes the mode asked for (the primary's size
  // there would undo the change just made).
  bool clone = OPAL_DC_TYPE(dc) == MULTI_TYPE_CLONE;
  const opal_mode_t& shown = clone ? primary : *mode;
  return apply_screen_mode(clone ? 0 : 1, shown.width, shown.height, shown.refresh, depth, 0, false)
             ? EXIT_OK
             : EXIT_OS_CALL_ERROR;
}
