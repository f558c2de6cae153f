// The set_debug_vol command.
#include "commands/handlers.h"
#include "msglog.h"

opal_exit_t cmd_set_debug_vol(cmd_args_t* args) {
  if (!args) return EXIT_INVALID_PARAM_ERROR;
  if (args->help) return write_help(args, CMD_SET_DEBUG_VOL);
  uint32_t level = 0;
  if (!parse_unsigned(args->slot[1], level)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid debug volume: %s", args->slot[1]);
    args->count = 0;
    return EXIT_INVALID_PARAM_ERROR;
  }
  opal_set_debug_volume(level);
  args->count = 0;
  return EXIT_OK;
}
