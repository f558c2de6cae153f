// Display commands over ports: enabling and disabling them, rotation and
// flip, and the attributes of the ports of the current dc.
#include <cstdio>

#include "core/msglog.h"
#include "display/display_internal.h"
#include "display_commands.h"

namespace {

// A port-type parameter; unknown words are refused before the driver is
// asked about port 0.
bool port_param(const cmd_args_t* args, uint32_t& port) {
  port = args->count > 1 ? port_type_number(args->slot[1]) : 0;
  if (port) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "Invalid port specified\n");
  return false;
}

// A decimal parameter; text that is not one becomes a value that is no
// rotation and no flip, so the library refuses it with its own message
// instead of acting on 0.
uint32_t decimal_param(const cmd_args_t* args, int slot) {
  constexpr uint32_t kNotANumber = 0xFFFFFFFFu;
  uint32_t value = 0;
  if (slot >= args->count || !parse_decimal(args->slot[slot], value)) return kNotANumber;
  return value;
}

opal_exit_t enable_or_disable(cmd_args_t* args, uint32_t enable) {
  uint32_t port = args->count > 1 ? port_type_number(args->slot[1]) : 0;
  args->count = 0;
  // Port 0 draws the library's "Invalid port specified".
  return opal_en_dis_port(enable, port);
}

enum class Change { Rotation, Flip };

opal_exit_t rotate_or_flip(cmd_args_t* args, Change change) {
  uint32_t port = 0;
  bool known = port_param(args, port);
  uint32_t value = decimal_param(args, 2);
  args->count = 0;
  if (!known) return EXIT_INVALID_PARAM_ERROR;
  uint32_t flip = 0, rotation = 0;
  if (opal_exit_t rc = opal_get_flip_rot(port, &flip, &rotation)) return rc;
  return change == Change::Rotation ? opal_set_flip_rot(port, flip, value) : opal_set_flip_rot(port, value, rotation);
}

}  // namespace

opal_exit_t cmd_enable_port(cmd_args_t* args) { return enable_or_disable(args, 1); }
opal_exit_t cmd_disable_port(cmd_args_t* args) { return enable_or_disable(args, 0); }
opal_exit_t cmd_rotate(cmd_args_t* args) { return rotate_or_flip(args, Change::Rotation); }
opal_exit_t cmd_flip(cmd_args_t* args) { return rotate_or_flip(args, Change::Flip); }

opal_exit_t cmd_get_rot_status(cmd_args_t* args) {
  args->count = 0;
  uint32_t dc = 0;
  if (opal_exit_t rc = read_current_dc(&dc)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Can't get current dc");
    return rc;
  }
  opal_exit_t status = EXIT_OK;
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble) {
    uint32_t port = OPAL_DC_FIELD(dc, nibble);
    if (!port) continue;
    add_result(args, "%-48s: 0x%X", "Port number", port);
    uint32_t flip = 0, rotation = 0;
    status = opal_get_flip_rot(port, &flip, &rotation);
    if (status != EXIT_OK) continue;
    add_result(args, "%-48s: %ld", "Rotation Degrees", static_cast<long>(static_cast<int32_t>(rotation)));
    add_result(args, "%-48s: %ld", "Flip", static_cast<long>(static_cast<int32_t>(flip)));
  }
  return status;
}

opal_exit_t cmd_get_port_attrib(cmd_args_t* args) {
  args->count = 0;
  uint32_t dc = 0;
  if (opal_exit_t rc = read_current_dc(&dc)) return rc;
  opal_exit_t status = EXIT_OK;
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble) {
    uint32_t port = OPAL_DC_FIELD(dc, nibble);
    if (!port) continue;
    opal_port_attribute_t* table = nullptr;
    uint32_t count = 0;
    status = opal_get_port_attributes(port, &table, &count);
    if (status == EXIT_OK && count == 0) {
      add_result(args, "No attributes found for port %d", static_cast<int>(nibble));
    } else if (status == EXIT_OK && vol_above(0)) {
      // A table the driver did not fill is not printed.
      writeMsg(MSG_PLAIN, "ID\tTYPE\tName\tFlags\t\tDef Value\tCur Value");
      for (uint32_t i = 0; i < count; ++i) {
        const opal_port_attribute_t& a = table[i];
        writeMsg(MSG_PLAIN, "%d\t%d\t%s\t%d\t%d\t%d", static_cast<int>(a.id), static_cast<int>(a.type), a.name,
                 static_cast<int>(a.flags), static_cast<int>(a.default_value), static_cast<int>(a.current_value));
      }
    }
    opal_free_port_attributes(table);
  }
  return status;
}
