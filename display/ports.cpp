// Ports: picking them out of a dc, their state, rotation and flip,
// enabling them, and which screen shows which port.
#include <cstdlib>

#include "core/msglog.h"
#include "display_internal.h"

namespace {

// The dc's port fields in the order the mapping walks them.
struct PortSlot {
  uint32_t display;
  uint32_t nibble;
};
const PortSlot kPortSlotOrder[] = {
    {0, PRIMARY_MASTER},   {0, PRIMARY_TWIN1},   {0, PRIMARY_TWIN2}, {0, PRIMARY_TWIN3},
    {1, SECONDARY_MASTER}, {1, SECONDARY_TWIN1}, {1, SECONDARY_TWIN2},
};

bool valid_rotation(uint32_t r) { return r == 0 || r == 90 || r == 180 || r == 270; }

// The driver's texts are not trusted to be terminated.
void terminate_texts(opal_port_info_t* info) {
  info->pd_name[sizeof info->pd_name - 1] = 0;
  info->user_alias[sizeof info->user_alias - 1] = 0;
}

}  // namespace

extern "C" uint32_t opal_get_port(uint32_t dc, uint32_t display, uint32_t location) {
  if (display == 0 && location <= 3) return OPAL_DC_FIELD(dc, location + 1);
  if (display == 1 && location <= 2) return OPAL_DC_FIELD(dc, location + 5);
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid parameter display or port location");
  return 0;
}

extern "C" opal_exit_t opal_get_port_info(uint32_t port, opal_port_info_t* info) {
  if (!info) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid pointer to port info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  // Zeroed so that what the driver leaves out reads as 0; the caller's
  // record changes only when the driver answered.
  opal_port_info_t reply{};
  if (opal_exit_t rc = send_escape_checked(&port, &reply, VARNEL_ESCAPE_GET_PORT_INFO, sizeof port, sizeof reply))
    return rc;
  terminate_texts(&reply);
  *info = reply;
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_flip_rot(uint32_t port, uint32_t* flip, uint32_t* rotation) {
  if (!flip || !rotation) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid pointer to flip or rotation");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t reply[2] = {};
  if (opal_exit_t rc = send_escape_checked(&port, reply, VARNEL_ESCAPE_GET_ROTATION_FLIP, sizeof port, sizeof reply))
    return rc;
  *rotation = reply[0];
  *flip = reply[1];
  return EXIT_OK;
}

extern "C" opal_exit_t opal_set_flip_rot(uint32_t port, uint32_t flip, uint32_t rotation) {
  bool invalid = false;
  if (!valid_rotation(rotation)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid Rotation specified");
    invalid = true;
  }
  if (flip > 1) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid Flip specified");
    invalid = true;
  }
  if (invalid) return EXIT_INVALID_PARAM_ERROR;
  uint32_t old[2] = {};
  if (opal_exit_t rc = send_escape_checked(&port, old, VARNEL_ESCAPE_GET_ROTATION_FLIP, sizeof port, sizeof old))
    return rc;
  if (vol_above(2)) {
    writeMsg(MSG_PLAIN, "Port number is: %d", static_cast<int>(port));
    writeMsg(MSG_PLAIN, "Flip value is: %d", static_cast<int>(flip));
    writeMsg(MSG_PLAIN, "Rotation degree is: %d", static_cast<int>(rotation));
  }
  uint32_t request[3] = {port, rotation, flip};
  if (opal_exit_t rc = send_escape_checked(request, nullptr, IOCTL_VARNEL_SET_ROTATION_FLIP, sizeof request, 0))
    return rc;
  if (vol_above(2)) writeMsg(MSG_PLAIN, "Setting the default screen resolution");
  opal_port_info_t info;
  if (opal_exit_t rc = opal_get_port_info(port, &info)) return rc;
  uint32_t delta = old[0] > rotation ? old[0] - rotation : rotation - old[0];
  bool flip_changed = old[1] != flip;
  return apply_screen_mode(kAllScreens, 0, 0, 0, 0, delta, flip_changed) ? EXIT_OK : EXIT_OS_CALL_ERROR;
}

extern "C" opal_exit_t opal_get_disp_port_mapping(opal_disp_port_map_t** table, uint32_t* count) {
  if (table && *table && vol_above(0))
    writeMsg(MSG_WARNING, "WARNING: Display Port table is not NULL. This may cause memory leaks");
  if (!count || !table) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Display Port table size is NULL. Caller must specify a NON NULL mode size");
    return EXIT_INVALID_PARAM_ERROR;
  }
  auto* map = static_cast<opal_disp_port_map_t*>(std::calloc(OPAL_MAX_SCREENS, sizeof(opal_disp_port_map_t)));
  *table = map;
  *count = 0;
  if (!map) return EXIT_OS_CALL_ERROR;
  ScreenEntry screens[kMaxScreens];
  uint32_t n = 0;
  list_screens(screens, &n);
  for (uint32_t i = 0; i < n; ++i) {
    map[i].absolute_display = screens[i].absolute;
    map[i].relative_display = screens[i].relative;
    map[i].is_primary = screens[i].primary ? 1 : 0;
  }
  *count = n;
  if (n == 0) return EXIT_OK;
  uint32_t dc = opal_get_current_dc();
  if (dc == 0) return EXIT_OS_CALL_ERROR;

  bool none_primary = true;
  for (uint32_t i = 0; i < n; ++i)
    if (map[i].is_primary) none_primary = false;

  opal_exit_t status = EXIT_OK;
  for (const auto& slot : kPortSlotOrder) {
    uint32_t port = OPAL_DC_FIELD(dc, slot.nibble);
    if (!port) continue;
    opal_port_info_t info;
    if (opal_exit_t rc = opal_get_port_info(port, &info)) {
      status = rc;
      continue;
    }
    for (uint32_t i = 0; i < n; ++i) {
      opal_disp_port_map_t& e = map[i];
      bool takes = none_primary ? info.display == e.relative_display
                                : (info.display == 0 && e.is_primary) || (info.display == 1 && !e.is_primary);
      if (!takes) continue;
      // A driver that puts more ports on one screen than a screen has
      // slots for loses the extra ones instead of overrunning the entry.
      if (e.num_ports >= OPAL_MAX_SCREEN_PORTS) continue;
      if (none_primary && info.display == 0) e.is_primary = 1;
      e.ports[e.num_ports].port = port;
      e.ports[e.num_ports].info = info;
      ++e.num_ports;
    }
  }
  return status;
}

extern "C" void opal_free_disp_port_mapping(void* table) { std::free(table); }

extern "C" opal_exit_t opal_en_dis_port(uint32_t enable, uint32_t port) {
  if (port == 0) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "Invalid port specified\n");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t request[2] = {port, enable};
  uint32_t status = 0;
  if (opal_exit_t rc = send_escape_checked(request, &status, VARNEL_ESCAPE_ENABLE_PORT, sizeof request, sizeof status))
    return rc;
  if (status != 0) {
    report_escape_failure(VARNEL_ESCAPE_ENABLE_PORT);
    return EXIT_DRIVER_STATUS_ERROR;
  }
  return EXIT_OK;
}
