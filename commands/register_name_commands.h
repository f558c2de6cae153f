// luma_cli's register commands: registers and fields found, read, written
// and watched by name, from the machine or from a report log's capture.
// They live in a table of their own (register_name_commands), linked into
// luma_cli only: lumainfo's command table stays as it is.
#pragma once
#include "core/command_table.h"

// Their ids, above every id of the library's catalogue.
enum register_name_command_id : uint32_t {
  CMD_FIND_REG = 100,
  CMD_READ_REG = 101,
  CMD_WRITE_REG = 102,
  CMD_WATCH_REG = 103,
  CMD_USE_LOG = 104,
  CMD_USE_LIVE = 105,
};

// Handler bodies (the table's head has answered a null record and a help request).
opal_exit_t cmd_find_reg(cmd_args_t* args);
opal_exit_t cmd_read_reg(cmd_args_t* args);
opal_exit_t cmd_write_reg(cmd_args_t* args);
opal_exit_t cmd_watch_reg(cmd_args_t* args);
opal_exit_t cmd_use_log(cmd_args_t* args);
opal_exit_t cmd_use_live(cmd_args_t* args);

// The table luma_cli appends to the library's commands.
extern const ExtraCommands register_name_commands;
