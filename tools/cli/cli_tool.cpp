#include "cli_tool.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "commands/check_state.h"
#include "commands/register_name_commands.h"
#include "compare_logs.h"
#include "console/console_tool.h"
#include "log_to_json.h"
#include "register_map_json.h"
#include "report_page/html_report.h"

namespace {

// luma_cli's own commands beyond the library's: the register-name commands
// and check_state, as one table.
const ExtraCommands* cli_commands() {
  static std::vector<CommandInfo> info;
  static std::vector<CommandHandlerRow> handlers;
  static ExtraCommands joined{};
  if (info.empty()) {
    for (const ExtraCommands* t : {&register_name_commands, &check_state_commands}) {
      info.insert(info.end(), t->info, t->info + t->count);
      handlers.insert(handlers.end(), t->handlers, t->handlers + t->count);
    }
    joined = {info.data(), handlers.data(), info.size()};
  }
  return &joined;
}

}  // namespace

int cli_main(int argc, char** argv) {
  // Two report logs compared offline: no session, no machine needed.
  if (argc >= 2 && std::strcmp(argv[1], "--compare") == 0) {
    if (argc != 4) {
      std::printf("Usage: luma_cli --compare first.log second.log\n");
      return kCompareUnreadable;
    }
    return compare_report_logs(argv[2], argv[3]);
  }
  // The register maps as JSON: no session either.
  if (argc >= 2 && argc <= 3 && std::strcmp(argv[1], "--regdb") == 0)
    return write_register_map_json(argc == 3 ? argv[2] : nullptr);
  if (argc >= 2 && std::strcmp(argv[1], "--to-json") == 0) {
    if (argc != 3) {
      std::printf("Usage: luma_cli --to-json report.log\n");
      return kToJsonUnreadable;
    }
    return log_to_json(argv[2], stdout);
  }
  if (argc >= 2 && std::strcmp(argv[1], "--html") == 0) {
    if (argc != 4 && argc != 5) {
      std::printf("Usage: luma_cli --html page.html report.log [other.log]\n");
      return kHtmlUnreadable;
    }
    return write_html_report(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
  }
  return console_main({"LUMA_CLI", "luma_cli.log", cli_commands()}, argc, argv);
}
