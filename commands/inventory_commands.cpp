// Inventory commands that need nothing but the command set.
#include "handlers.h"

opal_exit_t cmd_get_win_modes(cmd_args_t* args) {
  if (!args) return EXIT_INVALID_PARAM_ERROR;
  if (args->help) return write_help(args, CMD_GET_WINDOWS_MODES);
  args->count = 0;
  return EXIT_OK;
}
