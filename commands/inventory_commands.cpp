// Inventory commands that need nothing but the command set.
#include "handlers.h"

opal_exit_t cmd_get_win_modes(cmd_args_t* args) {
  args->count = 0;
  return EXIT_OK;
}
