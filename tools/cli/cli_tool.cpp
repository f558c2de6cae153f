#include "cli_tool.h"

#include "console/console_tool.h"

int cli_main(int argc, char** argv) { return console_main({"LUMA_CLI", "luma_cli.log"}, argc, argv); }
