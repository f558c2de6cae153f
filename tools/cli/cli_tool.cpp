#include "cli_tool.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands/register_name_commands.h"
#include "compare_logs.h"
#include "console/console_tool.h"
#include "terminal_console.h"

namespace {

constexpr ConsoleTool kTool{"LUMA_CLI", "luma_cli.log", &register_name_commands};

// Exit status for options the parser refuses.
constexpr int kBadUsage = 2;

bool is_help_word(const std::string& arg) {
  std::string lower;
  for (char c : arg) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "/?" || lower == "--help";
}

}  // namespace

int cli_main(int argc, char** argv) {
  CLI::App app{"LUMA_CLI: the Lumagraph toolkit's console for the full command set of lumainfo.\n"
               "Without options it runs every command of the \"all\" set into luma_cli.log and quits.",
               "luma_cli"};
  app.set_help_flag("-h,--help", "Print this usage and exit (/? too)");
  app.footer(
      "For help on commands, run luma_cli --script and type \"help\" (or \"help get_\").\n\n"
      "EXAMPLES:\n"
      "\tluma_cli --script                      a prompt with line editing at a terminal\n"
      "\tluma_cli --script < input_file_name    one command per line, into luma_cli.log\n"
      "\tluma_cli --compare good.log bad.log    the registers that differ between two report logs");

  app.get_formatter()->column_width(24);
  bool scripted = false;
  std::vector<std::string> compared;
  app.add_flag("--script", scripted,
               "Read command lines from standard input instead of running the report\n"
               "(at a terminal: a prompt, line editing, output on the screen and in the log)");
  app.add_option("--compare", compared, "Compare the named registers of two report logs (no session)")
      ->expected(2)
      ->type_name("LOG");

  // "/?" and "--help" in any letter case ask for the usage, as in luma_qrt.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(is_help_word(argv[i]) ? "--help" : argv[i]);
  std::vector<const char*> words{argv[0]};
  for (auto& a : args) words.push_back(a.c_str());
  try {
    app.parse(static_cast<int>(words.size()), words.data());
  } catch (const CLI::ParseError& e) {
    std::fflush(stdout);
    int status = app.exit(e, std::cout, std::cerr);
    std::cout.flush();
    return status == 0 ? 0 : kBadUsage;
  }

  if (scripted && !compared.empty()) {
    std::fprintf(stderr, "--compare opens no session: it does not go with --script\nRun with --help for more information.\n");
    return kBadUsage;
  }

  // Two report logs compared offline: no session, no machine needed.
  if (!compared.empty()) return compare_report_logs(compared[0].c_str(), compared[1].c_str());
  // Typed at a terminal: the prompt, line editing and the screen beside
  // the log. A pipe or a file: the scripted mode, the log alone.
  if (scripted && stdin_is_console()) {
    TerminalConsole terminal;
    return console_session(kTool, true, stdin, &terminal);
  }
  return console_session(kTool, scripted, stdin);
}
