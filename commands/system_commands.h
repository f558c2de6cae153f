// System information commands beyond the operating system, memory and wait.
#pragma once
#include "core/command_table.h"

opal_exit_t cmd_get_chipset_name(cmd_args_t* args);
opal_exit_t cmd_get_cpu_info(cmd_args_t* args);
opal_exit_t cmd_get_driver_version(cmd_args_t* args);
opal_exit_t cmd_get_sys_bios_version(cmd_args_t* args);
