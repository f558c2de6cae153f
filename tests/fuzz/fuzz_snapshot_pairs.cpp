// libFuzzer entry: a command line of a register dump with snapshot pairs
// (hexadecimal buffer and base arguments). Whatever the text, the command
// reads no memory but a registered copy and never past its end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/command_table.h"
#include "commands/register_commands.h"
#include "hw/register_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static uint8_t copy[64];
  static bool registered = [] {
    register_snapshot_buffer(copy, sizeof copy);
    return true;
  }();
  (void)registered;
  // The copy's own address, so that some inputs name it.
  char address[32];
  std::snprintf(address, sizeof address, "%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(copy)));
  std::string line = "get_vgacntrl ";
  for (size_t i = 0; i < size && line.size() < kCommandLineMax; ++i)
    line += data[i] == '@' ? std::string(address) : std::string(1, static_cast<char>(data[i]));
  cmd_args_t args{};
  tokenize_command_line(line.c_str(), &args);
  cmd_get_vgacntrl(&args);
  std::memset(&args, 0, sizeof args);
  tokenize_command_line(("get_reg_lvds " + line.substr(13)).c_str(), &args);
  cmd_get_reg_lvds(&args);
  return 0;
}
