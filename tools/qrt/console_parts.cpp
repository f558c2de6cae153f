// What the console tool carries: the console command set, no chipset
// family object.
#include "commands/command_table.h"
#include "core/session.h"

extern const CommandSet kCommandSet = CommandSet::Console;

const SessionParts& session_parts() {
  static const SessionParts parts = {nullptr, nullptr, nullptr, nullptr, nullptr};
  return parts;
}
