// What lumainfo carries, and luma_cli, its console, with it: the full
// command set, the register access driver client and the chipset family
// object.
#include "commands/handler_tables.h"
#include "core/msglog.h"
#include "core/session.h"
#include "hw/driver_client.h"
#include "hw/hw_regs.h"

extern const CommandSet kCommandSet = {{&display_system_handlers, &registry_inventory_handlers, &hardware_handlers}};
extern const bool kMessagesUngated = false;

const SessionParts& session_parts() {
  static const SessionParts parts = {os_initialize, remove_driver, drv_read_device_id, create_hw_regs,
                                     destroy_hw_regs};
  return parts;
}
