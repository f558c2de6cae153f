#include "cli_tool.h"

#include <cstdio>
#include <cstring>

#include "compare_logs.h"
#include "console/console_tool.h"
#include "log_to_json.h"
#include "report_page/html_report.h"

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
  if (argc >= 2 && std::strcmp(argv[1], "--html") == 0) {
    if (argc != 4 && argc != 5) {
      std::printf("Usage: luma_cli --html page.html report.log [other.log]\n");
      return kHtmlUnreadable;
    }
    return write_html_report(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
  }
  return console_main({"LUMA_CLI", "luma_cli.log"}, argc, argv);
}
