// luma_cli's own commands: texts and handlers, linked into luma_cli only.
#include "commands/check_state.h"
#include "commands/handler_tables.h"

namespace {

const CommandInfo kInfo[] = {
    {CMD_CHECK_STATE, "check_state", "CHECK_STATE", CommandGroup::Hardware, 2, 3, 0, "check_state rules_file [log_file]",
     "(Checks registers and fields by name against a file of rules, on the machine or on a report log)",
     {"\t rules_file - One rule a line: name == != < <= > >= value, name in {a, b}, name in lo..hi; # comments",
      "\t [log_file] - A report log whose captured registers are checked instead of the machine's"}},
};

const CommandHandlerRow kHandlers[] = {
    handler_row<CMD_CHECK_STATE, cmd_check_state>(),
};
static_assert(sizeof kInfo / sizeof *kInfo == sizeof kHandlers / sizeof *kHandlers, "one handler per row");

}  // namespace

const ExtraCommands check_state_commands = {kInfo, kHandlers, sizeof kInfo / sizeof *kInfo};
