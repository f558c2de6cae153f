// The hardware commands of the console deliverables: read_mmio_regs alone,
// so they link no other hardware handler. It joins here once it is built.
#include "handler_tables.h"

extern const CommandHandlerTable console_hardware_handlers = {nullptr, 0};
