// The hardware commands of the console deliverables: read_mmio_regs alone,
// so they link no other hardware handler.
#include "handler_tables.h"
#include "hw/raw_access.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_READ_MMIO_REGS, cmd_read_mmio_regs>(),
};

}  // namespace

extern const CommandHandlerTable console_hardware_handlers = {kRows, sizeof kRows / sizeof *kRows};
