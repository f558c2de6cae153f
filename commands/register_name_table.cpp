// The register commands' rows: texts and handlers, linked into luma_cli only.
#include "commands/handler_tables.h"
#include "commands/register_name_commands.h"

namespace {

constexpr CommandGroup HW = CommandGroup::Hardware;
constexpr const char* kNameLine =
    "\t name  - A register (short name, 0x offset or title) or REG.FIELD, or a field alone; * and ? match";

const CommandInfo kInfo[] = {
    {CMD_FIND_REG, "find_reg", "FIND_REG", HW, 2, kMaxTokens, 0, "find_reg pattern",
     "(Finds the registers and fields of the chipset family by name, offset or title)",
     {"\t pattern - A short name, 0x offset or title (the words of a title may follow each other), "
      "REG.FIELD or a field; * and ? match"}},
    {CMD_READ_REG, "read_reg", "READ_REG", HW, 2, kMaxTokens, 0, "read_reg name [name ...]",
     "(Reads registers or fields by name and decodes them as the register dumps do)", {kNameLine}},
    {CMD_WRITE_REG, "write_reg", "WRITE_REG", HW, 3, 4, 0, "write_reg name value [dry]",
     "(Writes a register, or one field of it, by name and reads it back)",
     {kNameLine, "\t value - The field's (or register's) new value",
      "\t [dry] - Print what would change, write nothing"}},
    {CMD_WATCH_REG, "watch_reg", "WATCH_REG", HW, 2, 4, 0, "watch_reg name [interval_ms] [count]",
     "(Samples registers by name and prints every change of their fields)",
     {kNameLine, "\t [interval_ms] - Time between samples (defaults to 100)",
      "\t [count] - How many samples to take (defaults to 100)"}},
    {CMD_USE_LOG, "use_log", "USE_LOG", HW, 2, 2, 0, "use_log log_file_name",
     "(Reads the register commands' registers from a report log instead of the machine)", {"\t QRT log file"}},
    {CMD_USE_LIVE, "use_live", "USE_LIVE", HW, 1, 1, 0, "use_live",
     "(Reads the register commands' registers from the machine again)", {}},
};

const CommandHandlerRow kHandlers[] = {
    handler_row<CMD_FIND_REG, cmd_find_reg>(),   handler_row<CMD_READ_REG, cmd_read_reg>(),
    handler_row<CMD_WRITE_REG, cmd_write_reg>(), handler_row<CMD_WATCH_REG, cmd_watch_reg>(),
    handler_row<CMD_USE_LOG, cmd_use_log>(),     handler_row<CMD_USE_LIVE, cmd_use_live>(),
};
static_assert(sizeof kInfo / sizeof *kInfo == sizeof kHandlers / sizeof *kHandlers, "one handler per row");

}  // namespace

const ExtraCommands register_name_commands = {kInfo, kHandlers, sizeof kInfo / sizeof *kInfo};
