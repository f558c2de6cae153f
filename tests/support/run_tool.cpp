#include "run_tool.h"

#include <sys/wait.h>

#include <cstdlib>

#include "sim_fixture.h"

namespace {
std::string quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}
}  // namespace

ToolRun run_tool(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                 const std::map<std::string, std::string>& env, const std::string& dir) {
  ToolRun run;
  run.dir = dir.empty() ? make_temp_dir("run") : dir;
  write_file(run.dir + "/.stdin", input);
  std::string cmd = "cd " + quote(run.dir) + " && env";
  for (auto& [k, v] : env) cmd += " " + quote(k + "=" + v);
  cmd += " " + quote(std::string(LUMA_BIN_DIR) + "/" + program);
  for (auto& a : args) cmd += " " + quote(a);
  cmd += " < .stdin > .console 2>&1";
  int rc = std::system(cmd.c_str());
  run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  run.console = read_file(run.dir + "/.console");
  run.log = read_file(run.dir + "/" + program + ".log");
  return run;
}
