// The registry and inventory table's handlers.
#include "handler_tables.h"
#include "handlers.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_GET_WINDOWS_MODES, cmd_get_win_modes>(),
};

}  // namespace

extern const CommandHandlerTable registry_inventory_handlers = {kRows, sizeof kRows / sizeof *kRows};
