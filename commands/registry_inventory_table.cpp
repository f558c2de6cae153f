// The registry and inventory table's handlers.
#include "handler_tables.h"
#include "handlers.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_GET_REG_INFO, cmd_get_reg_info>(),
    handler_row<CMD_GET_INF_FILE, cmd_get_inf_file>(),
    handler_row<CMD_GET_DIRECTX_VERSION, cmd_get_directx_version>(),
    handler_row<CMD_GET_ALL_SOFTWARE, cmd_get_all_software>(),
    handler_row<CMD_GET_WINDOWS_MODES, cmd_get_win_modes>(),
    handler_row<CMD_GET_REG_VALUE, cmd_get_reg_value>(),
    handler_row<CMD_SET_REG_VALUE, cmd_set_reg_value>(),
    handler_row<CMD_DEL_REG, cmd_del_reg>(),
    handler_row<CMD_GET_CONFIG_ID, cmd_get_config_id>(),
    handler_row<CMD_SET_CONFIG_ID, cmd_set_config_id>(),
};

}  // namespace

extern const CommandHandlerTable registry_inventory_handlers = {kRows, sizeof kRows / sizeof *kRows};
