// Runs one command line through the library's joined command table, as
// the console does, leaving the record with the command's result lines.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/command_table.h"

inline opal_exit_t run_command_line(const std::string& line, cmd_args_t& args) {
  std::memset(&args, 0, sizeof args);
  EXPECT_TRUE(tokenize_command_line(line.c_str(), &args));
  int32_t n = 0;
  cmd_entry_t* table = get_command_table(&n);
  for (int32_t i = 0; i < n; ++i)
    if (std::strcmp(table[i].name, args.slot[0]) == 0) return table[i].handler(&args);
  ADD_FAILURE() << "no command " << args.slot[0];
  return EXIT_GENERIC_ERROR;
}
