// The command layer's handler tables and the head every handler shares.
//
// A handler is written as its body only: `opal_exit_t cmd_xxx(cmd_args_t*)`
// that may assume a record and no help request. It joins a deliverable
// through a row of its group's table,
//     handler_row<CMD_XXX, cmd_xxx>(),
// whose handler first answers a null record with 5 and a help request with
// the command's help lines, then runs the body.
#pragma once
#include "core/command_table.h"

template <uint32_t Id, cmd_handler_t Body>
opal_exit_t command_head(cmd_args_t* args) {
  if (!args) return EXIT_INVALID_PARAM_ERROR;
  if (args->help) return write_help(args, Id);
  return Body(args);
}

template <uint32_t Id, cmd_handler_t Body>
constexpr CommandHandlerRow handler_row() {
  return {Id, &command_head<Id, Body>};
}

// One table per group, each in its own object so a deliverable links only
// the handlers of the tables it names in its command set.
extern const CommandHandlerTable display_system_handlers;
extern const CommandHandlerTable registry_inventory_handlers;
extern const CommandHandlerTable hardware_handlers;
// The hardware commands the console deliverables carry: read_mmio_regs.
extern const CommandHandlerTable console_hardware_handlers;
