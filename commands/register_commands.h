// The named-register commands: dumps of the chipset family's register
// tables, the fuses and the CMOS settings. Only lumainfo carries them (the
// hardware table). Handler bodies: the table's head has answered a null
// record and a help request.
#pragma once
#include "core/command_table.h"

opal_exit_t cmd_get_plane_regs(cmd_args_t* args);
opal_exit_t cmd_get_port_regs(cmd_args_t* args);
opal_exit_t cmd_get_pipe_regs(cmd_args_t* args);
opal_exit_t cmd_get_tv_regs(cmd_args_t* args);
opal_exit_t cmd_read_error(cmd_args_t* args);
opal_exit_t cmd_get_fuse_regs(cmd_args_t* args);
opal_exit_t cmd_get_vgacntrl(cmd_args_t* args);
opal_exit_t cmd_get_reg_lvds(cmd_args_t* args);
opal_exit_t cmd_get_cmos_settings(cmd_args_t* args);

// The stolen graphics memory that a host bridge word at 0x52 gives for a
// device id, in bytes (0 for ids without a rule).
uint32_t stolen_memory_size(uint16_t device_id, uint16_t word);
