// The hardware table's handlers, as the full command set carries them.
#include "handler_tables.h"
#include "handlers.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_SET_DEBUG_VOL, cmd_set_debug_vol>(),
};

}  // namespace

extern const CommandHandlerTable hardware_handlers = {kRows, sizeof kRows / sizeof *kRows};
