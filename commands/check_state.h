// check_state: an expectation file of rules over registers and fields by
// name, checked on the machine or on a report log's capture. A command of
// luma_cli's own table.
#pragma once
#include "core/command_table.h"

enum : uint32_t { CMD_CHECK_STATE = 110 };

opal_exit_t cmd_check_state(cmd_args_t* args);

// luma_cli's own commands beyond the library's table.
struct ExtraCommands;
extern const ExtraCommands check_state_commands;
