// What lumainfo carries: the full command set; the register access driver
// client and the chipset family object join as they are built.
#include "commands/command_table.h"
#include "core/session.h"
#include "hw/driver_client.h"

extern const CommandSet kCommandSet = CommandSet::Full;

const SessionParts& session_parts() {
  static const SessionParts parts = {os_initialize, remove_driver, drv_read_device_id, nullptr, nullptr};
  return parts;
}
