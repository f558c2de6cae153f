// The hardware table's handlers, as the full command set carries them.
#include "handler_tables.h"
#include "handlers.h"
#include "register_commands.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_GET_PLANE_REGS, cmd_get_plane_regs>(),
    handler_row<CMD_GET_PORT_REGS, cmd_get_port_regs>(),
    handler_row<CMD_GET_PIPE_REGS, cmd_get_pipe_regs>(),
    handler_row<CMD_GET_FUSE_REGS, cmd_get_fuse_regs>(),
    handler_row<CMD_GET_CMOS_SETTINGS, cmd_get_cmos_settings>(),
    handler_row<CMD_GET_VGACNTRL, cmd_get_vgacntrl>(),
    handler_row<CMD_GET_REG_LVDS, cmd_get_reg_lvds>(),
    handler_row<CMD_GET_TV_REGS, cmd_get_tv_regs>(),
    handler_row<CMD_READ_ERROR, cmd_read_error>(),
    handler_row<CMD_SET_DEBUG_VOL, cmd_set_debug_vol>(),
};

}  // namespace

extern const CommandHandlerTable hardware_handlers = {kRows, sizeof kRows / sizeof *kRows};
