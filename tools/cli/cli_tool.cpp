#include "cli_tool.h"

#include <cstdio>
#include <cstring>

#include "commands/register_name_commands.h"
#include "compare_logs.h"
#include "console/console_tool.h"

int cli_main(int argc, char** argv) {
  // Two report logs compared offline: no session, no machine needed.
  if (argc >= 2 && std::strcmp(argv[1], "--compare") == 0) {
    if (argc != 4) {
      std::printf("Usage: luma_cli --compare first.log second.log\n");
      return kCompareUnreadable;
    }
    return compare_report_logs(argv[2], argv[3]);
  }
  return console_main({"LUMA_CLI", "luma_cli.log", &register_name_commands}, argc, argv);
}
