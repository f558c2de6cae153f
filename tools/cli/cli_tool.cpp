#include "cli_tool.h"

#include <cstdio>
#include <cstring>

#include "commands/check_state.h"
#include "compare_logs.h"
#include "console/console_tool.h"
#include "log_to_json.h"

int cli_main(int argc, char** argv) {
  // Two report logs compared offline: no session, no machine needed.
  if (argc >= 2 && std::strcmp(argv[1], "--compare") == 0) {
    if (argc != 4) {
      std::printf("Usage: luma_cli --compare first.log second.log\n");
      return kCompareUnreadable;
    }
    return compare_report_logs(argv[2], argv[3]);
  }
  if (argc >= 2 && std::strcmp(argv[1], "--to-json") == 0) {
    if (argc != 3) {
      std::printf("Usage: luma_cli --to-json report.log\n");
      return kToJsonUnreadable;
    }
    return log_to_json(argv[2], stdout);
  }
  return console_main({"LUMA_CLI", "luma_cli.log", &check_state_commands}, argc, argv);
}
