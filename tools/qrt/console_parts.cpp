// What the console tool carries: the console command set, no chipset
// family object.
#include "commands/command_table.h"
#include "core/session.h"
#include "hw/driver_client.h"

extern const CommandSet kCommandSet = CommandSet::Console;

const SessionParts& session_parts() {
  static const SessionParts parts = {os_initialize, remove_driver, drv_read_device_id, nullptr, nullptr};
  return parts;
}
