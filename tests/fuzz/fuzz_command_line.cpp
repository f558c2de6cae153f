// A command line through the tokenizer, and every command of the shared
// library's table run with random arguments on the simulated machine. The
// first byte picks the command (and a help request); the rest are its
// arguments.
#include <cstdlib>
#include <cstring>

#include "core/command_table.h"
#include "machine_for_fuzzing.h"
#include "lumainfo.h"

namespace {

// Parameters that say how much work a command does: a million dwords of
// decode take minutes by design, as a wait of N seconds does.
struct WorkCount {
  int id;
  int slot;
};
constexpr WorkCount kWorkCounts[] = {
    {CMD_READ_MEM, 2}, {CMD_WRITE_MEM, 4}, {CMD_READ_MMIO, 2}, {CMD_READ_RING_INS, 2}, {CMD_DECODE_INS, 2},
};
constexpr unsigned long long kMaxWorkCount = 1 << 16;

bool asks_for_much_work(const cmd_entry_t& e, const cmd_args_t& args) {
  for (const WorkCount& w : kWorkCounts) {
    if (w.id != e.id || w.slot >= args.count) continue;
    // Read as the commands may: automatic base or decimal.
    const char* text = args.slot[w.slot];
    if (std::strtoull(text, nullptr, 0) > kMaxWorkCount || std::strtoull(text, nullptr, 10) > kMaxWorkCount)
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_machine();
  // One session with the register access driver, as the library's callers open it.
  static const bool opened = opal_open(1) == EXIT_OK;
  if (!opened) __builtin_trap();
  if (size == 0) return 0;
  static int32_t count = 0;
  static cmd_entry_t* table = get_command_table(&count);
  if (!table || count <= 0) __builtin_trap();

  // The tokenizer over the raw line, as a console would pass it.
  std::string raw = fuzz_text(data + 1, size - 1, kCommandLineMax);
  cmd_args_t args;
  std::memset(&args, 0, sizeof args);
  if (tokenize_command_line(raw.c_str(), &args) && (args.count < 0 || args.count > kMaxTokens)) __builtin_trap();

  const cmd_entry_t& e = table[data[0] % count];
  // A wait of N seconds takes N seconds' worth of clock steps, which is
  // what it is for; it only reads a number, as many other commands do.
  if (e.id == CMD_WAIT) return 0;
  std::string line = std::string(e.name) + " ";
  for (char c : raw) line += (c == '\0' || c == '\n' || c == '\r') ? ' ' : c;
  if (line.size() > kCommandLineMax) line.resize(kCommandLineMax);
  std::memset(&args, 0, sizeof args);
  if (!tokenize_command_line(line.c_str(), &args)) return 0;
  if (args.count < e.min_tokens || args.count > e.max_tokens) return 0;
  if (asks_for_much_work(e, args)) return 0;
  args.help = (data[0] & 0x80) && (data[0] / count) % 2;
  e.handler(&args);
  if (args.count < 0 || args.count > kArgSlots) __builtin_trap();
  for (int i = 0; i < args.count; ++i)
    if (!std::memchr(args.slot[i], '\0', kArgSlotSize)) __builtin_trap();  // every result line ends
  return 0;
}
