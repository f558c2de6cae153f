// The hardware table's handlers, as the full command set carries them.
#include "handler_tables.h"
#include "handlers.h"
#include "hw/raw_access.h"
#include "hw/frame_capture.h"
#include "hw/ring_commands.h"
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
    handler_row<CMD_READ_RING_INS, cmd_read_ring_ins>(),
    handler_row<CMD_DECODE_INS, cmd_decode_ins>(),
    handler_row<CMD_GET_CRC_VALUES, cmd_get_crc_values>(),
    handler_row<CMD_GET_FRAME_BUFFER, cmd_get_frame_buffer>(),
    // A help request to the escape commands lists their (empty) help: it
    // must not start or stop the driver's video CRC collection.
    handler_row<CMD_VIDEO_CRC_START, cmd_video_crc_start>(),
    handler_row<CMD_VIDEO_CRC_STOP, cmd_video_crc_stop>(),
    handler_row<CMD_GET_CRC, cmd_get_crc>(),
    handler_row<CMD_GET_CRC_DEBUG_INFO, cmd_get_crc_debug_info>(),
    handler_row<CMD_GET_SURFACE_DATA, cmd_get_surface_data>(),
    handler_row<CMD_PARSE_QRT, cmd_parse_qrt>(),
    handler_row<CMD_CHECK_REGS, cmd_check_regs>(),
};

}  // namespace

extern const CommandHandlerTable hardware_handlers = {kRows, sizeof kRows / sizeof *kRows};
