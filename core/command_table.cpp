#include "command_table.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

cmd_entry_t* joined_table = nullptr;
int32_t joined_count = 0;
const ExtraCommands* extra_commands = nullptr;

// The handler of a command this deliverable carries, or null.
cmd_handler_t carried_handler(const CommandInfo& c) {
  if (!c.name) return nullptr;
  for (const CommandHandlerTable* table : kCommandSet.tables) {
    if (!table) continue;
    for (size_t i = 0; i < table->count; ++i)
      if (table->rows[i].id == c.id) return table->rows[i].handler;
  }
  return nullptr;
}

}  // namespace

const CommandInfo* find_command_info(uint32_t id) {
  size_t n = 0;
  const CommandInfo* rows = command_catalog(&n);
  for (size_t i = 0; i < n; ++i)
    if (rows[i].id == id) return &rows[i];
  for (size_t i = 0; extra_commands && i < extra_commands->count; ++i)
    if (extra_commands->info[i].id == id) return &extra_commands->info[i];
  return nullptr;
}

void register_extra_commands(const ExtraCommands* extra) { extra_commands = extra; }
const ExtraCommands* registered_extra_commands() { return extra_commands; }

extern "C" cmd_entry_t* get_command_table(int32_t* count) {
  if (!joined_table) {
    size_t n = 0;
    const CommandInfo* rows = command_catalog(&n);
    size_t carried_rows = 0;
    for (size_t i = 0; i < n; ++i) carried_rows += carried_handler(rows[i]) != nullptr;
    auto* block = static_cast<cmd_entry_t*>(std::calloc(carried_rows ? carried_rows : 1, sizeof(cmd_entry_t)));
    if (!block) {
      if (count) *count = 0;
      return nullptr;
    }
    int32_t used = 0;
    // The catalogue lists the display and system table, then the registry
    // and inventory table, then the hardware table: the joined order.
    for (CommandGroup group : {CommandGroup::DisplaySystem, CommandGroup::RegistryInventory, CommandGroup::Hardware})
      for (size_t i = 0; i < n; ++i) {
        cmd_handler_t handler = rows[i].group == group ? carried_handler(rows[i]) : nullptr;
        if (!handler) continue;
        cmd_entry_t& e = block[used++];
        e.id = rows[i].id;
        std::snprintf(e.name, sizeof e.name, "%s", rows[i].name);
        e.min_tokens = rows[i].min_tokens;
        e.max_tokens = rows[i].max_tokens;
        e.in_all = rows[i].in_all;
        e.handler = handler;
      }
    joined_table = block;
    joined_count = used;
  }
  if (count) *count = joined_count;
  return joined_table;
}

void release_command_table() {
  std::free(joined_table);
  joined_table = nullptr;
  joined_count = 0;
}

void get_command_id_name(uint32_t id, char* name) {
  if (!name) return;
  const CommandInfo* c = find_command_info(id);
  std::snprintf(name, 256, "%s", c ? c->upper : "Unknown");
}

opal_exit_t write_help(cmd_args_t* args, uint32_t id) {
  if (!args) return EXIT_INVALID_PARAM_ERROR;
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  const CommandInfo* c = find_command_info(id);
  if (!c || !c->usage) return EXIT_OK;
  add_result(args, "%s", c->usage);
  add_result(args, "%s", c->description);
  for (const char* p : c->params)
    if (p) add_result(args, "%s", p);
  return EXIT_OK;
}

bool add_result(cmd_args_t* args, const char* format, ...) {
  if (!args || args->count < 0 || args->count >= kArgSlots) return false;
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(args->slot[args->count], kArgSlotSize, format, ap);
  va_end(ap);
  ++args->count;
  return args->count < kArgSlots;
}

bool tokenize_command_line(const char* line, cmd_args_t* args) {
  if (!line || !args) return false;
  char copy[kCommandLineMax + 1];
  std::snprintf(copy, sizeof copy, "%s", line);
  char* p = copy;
  while (*p == ' ') ++p;
  args->count = 0;
  int tokens = 0;
  const char* delims = " \t\n";
  while (*p) {
    p += std::strspn(p, delims);
    if (!*p) break;
    size_t len = std::strcspn(p, delims);
    if (args->count < kArgSlots) {
      std::memcpy(args->slot[args->count], p, len);
      args->slot[args->count][len] = '\0';
      ++args->count;
    }
    ++tokens;
    p += len;
  }
  return tokens <= kMaxTokens;
}

bool parse_unsigned(const char* text, uint32_t& value) {
  if (!text || !*text) return false;
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  if (*text == '-') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text, &end, 0);
  if (end == text || *end != '\0' || errno == ERANGE || v > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(v);
  return true;
}
