// Command handler bodies, by the subject that specifies them. Each runs behind
// the head of handler_tables.h: it gets a record and no help request.
#pragma once
#include "core/command_table.h"

// Message log
opal_exit_t cmd_set_debug_vol(cmd_args_t* args);

// System information
opal_exit_t cmd_get_os_name(cmd_args_t* args);
opal_exit_t cmd_get_sys_mem(cmd_args_t* args);
opal_exit_t cmd_wait(cmd_args_t* args);

// Registry configuration store
opal_exit_t cmd_get_reg_info(cmd_args_t* args);
opal_exit_t cmd_get_reg_value(cmd_args_t* args);
opal_exit_t cmd_set_reg_value(cmd_args_t* args);
opal_exit_t cmd_del_reg(cmd_args_t* args);
opal_exit_t cmd_get_config_id(cmd_args_t* args);
opal_exit_t cmd_set_config_id(cmd_args_t* args);

// System inventory
opal_exit_t cmd_get_inf_file(cmd_args_t* args);
opal_exit_t cmd_get_directx_version(cmd_args_t* args);
opal_exit_t cmd_get_all_software(cmd_args_t* args);
opal_exit_t cmd_get_win_modes(cmd_args_t* args);
