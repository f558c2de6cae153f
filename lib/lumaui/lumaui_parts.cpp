// What lumaui carries: the console command set (its table is carried but
// no code reads it), the register access driver client with its image, no
// chipset family object; its messages are written whatever the volume.
#include "commands/handler_tables.h"
#include "core/msglog.h"
#include "core/session.h"
#include "hw/driver_client.h"

extern const CommandSet kCommandSet = {{&display_system_handlers, &registry_inventory_handlers, &console_hardware_handlers}};
extern const bool kMessagesUngated = true;

const SessionParts& session_parts() {
  static const SessionParts parts = {os_initialize, remove_driver, drv_read_device_id, nullptr, nullptr};
  return parts;
}
