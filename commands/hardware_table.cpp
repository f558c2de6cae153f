// The hardware table's handlers, as the full command set carries them.
#include "handler_tables.h"
#include "handlers.h"
#include "hw/raw_access.h"
#include "offline_commands.h"
#include "register_commands.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_READ_MEM, cmd_read_mem>(),
    handler_row<CMD_WRITE_MEM, cmd_write_mem>(),
    handler_row<CMD_READ_MMIO, cmd_read_mmio>(),
    handler_row<CMD_WRITE_MMIO, cmd_write_mmio>(),
    handler_row<CMD_READ_I2C_REG, cmd_i2c_reg>(),
    handler_row<CMD_WRITE_I2C_REG, cmd_i2c_reg>(),
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
    handler_row<CMD_GET_PCI_INFO, cmd_get_pci_info>(),
    handler_row<CMD_READ_MMIO_REGS, cmd_read_mmio_regs>(),
    handler_row<CMD_PARSE_QRT, cmd_parse_qrt>(),
    handler_row<CMD_CHECK_REGS, cmd_check_regs>(),
};

}  // namespace

extern const CommandHandlerTable hardware_handlers = {kRows, sizeof kRows / sizeof *kRows};
