// The registry commands: the driver's keys dumped, configuration values
// and the default configuration id read and changed, keys and values
// deleted.
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/msglog.h"
#include "handlers.h"
#include "oal/oal.h"
#include "registry_store.h"

namespace {

// A configuration id or port number; the port may also be given as "All",
// the general values, as the usage line offers.
bool read_number(const char* text, const char* what, bool all_allowed, uint32_t& value) {
  if (all_allowed && std::strlen(text) == 3 && strprefix(text, "All") == 0) {
    value = 0;
    return true;
  }
  if (parse_dword(text, value)) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid %s: %s", what, text);
  return false;
}

// The configuration id and port of get_reg_value and set_reg_value.
bool read_config_and_port(const cmd_args_t* args, uint32_t& config, uint32_t& port) {
  return read_number(args->slot[1], "config id", false, config) && read_number(args->slot[2], "port", true, port);
}

}  // namespace

opal_exit_t cmd_get_reg_info(cmd_args_t* args) {
  args->count = 0;
  if (opal_exit_t rc = dump_display_instances()) return rc;
  HKEY key = nullptr;
  LSTATUS rc = oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceKey, 0, KEY_READ, &key);
  if (rc != ERROR_SUCCESS) {
    print_error_text(static_cast<uint32_t>(rc));
    return EXIT_REGISTRY_ERROR;
  }
  std::string title = std::string("HKLM\\") + kServiceKey;
  dump_registry_key(title.c_str(), key);
  oal::RegCloseKey(key);

  std::string video_path;
  if (opal_exit_t code = open_video_key(KEY_READ, &key, &video_path)) return code;
  title = "HKLM\\" + video_path;
  dump_registry_key(title.c_str(), key);
  oal::RegCloseKey(key);
  return EXIT_OK;
}

opal_exit_t cmd_get_reg_value(cmd_args_t* args) {
  args->count = 0;
  uint32_t config = 0, port = 0;
  if (!read_config_and_port(args, config, port)) return EXIT_INVALID_PARAM_ERROR;
  char value[kRegTextSize] = {};
  uint32_t type = REG_NONE;
  opal_exit_t rc = reg_param_access(RegAccess::Get, config, port, args->slot[3], args->slot[4], value, &type);
  if (rc != EXIT_OK) return rc;
  std::memset(args->slot, 0, sizeof args->slot);
  const char* type_text = "";
  if (type == REG_SZ) {
    type_text = "STRING";
    std::snprintf(args->slot[0], kArgSlotSize, "%-48s: %s", "Value", value);
  } else if (type == REG_DWORD) {
    type_text = "DWORD";
    auto number = static_cast<uint32_t>(std::strtol(value, nullptr, 10));
    std::snprintf(args->slot[0], kArgSlotSize, "%-48s: 0x%X", "Value", number);
  }
  std::snprintf(args->slot[1], kArgSlotSize, "%-48s: %s", "Type", type_text);
  args->count = 2;
  return EXIT_OK;
}

opal_exit_t cmd_set_reg_value(cmd_args_t* args) {
  args->count = 0;
  uint32_t config = 0, port = 0;
  if (!read_config_and_port(args, config, port)) return EXIT_INVALID_PARAM_ERROR;
  return reg_param_access(RegAccess::Set, config, port, args->slot[3], args->slot[4], args->slot[5], nullptr);
}

opal_exit_t cmd_del_reg(cmd_args_t* args) {
  const char* value = args->count > 2 ? args->slot[2] : "";
  args->count = 0;
  return delete_reg_entry(args->slot[1], value);
}

opal_exit_t cmd_get_config_id(cmd_args_t* args) {
  args->count = 0;
  uint32_t id = 0;
  opal_exit_t rc = config_id_access(RegAccess::Get, &id);
  if (rc == EXIT_OK) add_result(args, "%-48s: %d", "Default Configuration id", static_cast<int32_t>(id));
  return rc;
}

opal_exit_t cmd_set_config_id(cmd_args_t* args) {
  args->count = 0;
  uint32_t id = 0;
  if (!read_number(args->slot[1], "config id", false, id)) return EXIT_INVALID_PARAM_ERROR;
  return config_id_access(RegAccess::Set, &id);
}
