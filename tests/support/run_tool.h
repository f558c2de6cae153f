// Runs a program of the build as a user would, in its own directory.
#pragma once
#include <map>
#include <string>
#include <vector>

struct ToolRun {
  int status = -1;      // exit status
  std::string console;  // what it printed on its standard output and error
  std::string log;      // its report log (<program>.log) in its working directory, if any
  std::string dir;      // its working directory
};

// Runs `program` (a file of the build's bin folder) with `args`, feeding
// `input` on standard input, with the extra environment `env`, in `dir`
// (a fresh directory when empty).
ToolRun run_tool(const std::string& program, const std::vector<std::string>& args,
                 const std::string& input = "", const std::map<std::string, std::string>& env = {},
                 const std::string& dir = "");
