// The set_debug_vol command.
#include "handlers.h"
#include "core/msglog.h"

opal_exit_t cmd_set_debug_vol(cmd_args_t* args) {
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
