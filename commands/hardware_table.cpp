// The hardware table's handlers, as the full command set carries them.
#include "handler_tables.h"
#include "handlers.h"
#include "hw/raw_access.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_READ_MEM, cmd_read_mem>(),
    handler_row<CMD_WRITE_MEM, cmd_write_mem>(),
    handler_row<CMD_READ_MMIO, cmd_read_mmio>(),
    handler_row<CMD_WRITE_MMIO, cmd_write_mmio>(),
    handler_row<CMD_READ_I2C_REG, cmd_i2c_reg>(),
    handler_row<CMD_WRITE_I2C_REG, cmd_i2c_reg>(),
    handler_row<CMD_SET_DEBUG_VOL, cmd_set_debug_vol>(),
    handler_row<CMD_GET_PCI_INFO, cmd_get_pci_info>(),
    handler_row<CMD_READ_MMIO_REGS, cmd_read_mmio_regs>(),
};

}  // namespace

extern const CommandHandlerTable hardware_handlers = {kRows, sizeof kRows / sizeof *kRows};
