#include "cli_tool.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "commands/check_state.h"
#include "commands/register_name_commands.h"
#include "compare_logs.h"
#include "console/console_tool.h"
#include "log_to_json.h"
#include "records/run_outputs.h"
#include "register_map_json.h"
#include "report_page/html_report.h"
#include "terminal_console.h"

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

// Exit status for options the parser refuses.
constexpr int kBadUsage = 2;

bool is_help_word(const std::string& arg) {
  std::string lower;
  for (char c : arg) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower == "/?" || lower == "--help";
}

int refuse(const char* why) {
  std::fprintf(stderr, "%s\nRun with --help for more information.\n", why);
  return kBadUsage;
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
      "\tluma_cli --script                        a prompt with line editing at a terminal\n"
      "\tluma_cli --script < input_file_name      one command per line, into luma_cli.log\n"
      "\tluma_cli --script --junit r.xml --json r.jsonl < input_file_name\n"
      "\tluma_cli --compare good.log bad.log      the registers that differ between two report logs\n"
      "\tluma_cli --html page.html a.log [b.log]  a report log (or two compared) as a web page\n"
      "\tluma_cli --to-json luma_qrt.log          a report log as JSON Lines on standard output\n"
      "\tluma_cli --regdb dov                     the dov family's register map as JSON");

  app.get_formatter()->column_width(26);
  bool scripted = false;
  std::vector<std::string> compared, html;
  std::string to_json, junit, json;
  std::vector<std::string> regdb;
  app.add_flag("--script", scripted,
               "Read command lines from standard input instead of running the report\n"
               "(at a terminal: a prompt, line editing, output on the screen and in the log)");
  app.add_option("--junit", junit, "Write a JUnit XML report of the run to FILE")->type_name("FILE");
  app.add_option("--json", json, "Write the run as JSON Lines to FILE")->type_name("FILE");
  app.add_option("--compare", compared, "Compare the named registers of two report logs (no session)")
      ->expected(2)
      ->option_text("LOG LOG");
  app.add_option("--html", html, "Write a report log, or two compared, as one web page (no session)")
      ->expected(2, 3)
      ->option_text("OUT LOG [LOG]");
  app.add_option("--to-json", to_json, "Write a report log as JSON Lines on standard output (no session)")
      ->type_name("LOG");
  app.add_option("--regdb", regdb, "Write the register map of FAMILY (default every family) as JSON (no session)")
      ->expected(0, 1)
      ->type_name("[FAMILY]");

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

  // The offline commands open no session: one at a time, without a run's options.
  const char* offline = nullptr;
  int offline_count = 0;
  for (auto [given, name] : {std::pair{!compared.empty(), "--compare"}, {!html.empty(), "--html"},
                             {!to_json.empty(), "--to-json"}, {app.count("--regdb") > 0, "--regdb"}})
    if (given) offline = offline ? offline : name, ++offline_count;
  if (offline_count > 1) return refuse("--compare, --html, --to-json and --regdb go one at a time");
  if (offline && scripted)
    return refuse((std::string(offline) + " opens no session: it does not go with --script").c_str());
  if (offline && (!junit.empty() || !json.empty()))
    return refuse((std::string(offline) + " opens no session: it does not go with --junit or --json").c_str());

  if (!compared.empty()) return compare_report_logs(compared[0].c_str(), compared[1].c_str());
  if (!html.empty()) return write_html_report(html[0].c_str(), html[1].c_str(), html.size() > 2 ? html[2].c_str() : nullptr);
  if (!to_json.empty()) return log_to_json(to_json.c_str(), stdout);
  if (app.count("--regdb"))  // given alone, the parser may hand over one empty word
    return write_register_map_json(regdb.empty() || regdb[0].empty() ? nullptr : regdb[0].c_str());

  const ConsoleTool tool{"LUMA_CLI", "luma_cli.log", cli_commands()};
  records::OutputOptions outputs{junit, json};
  // Typed at a terminal: the prompt, line editing and the screen beside
  // the log. A pipe or a file: the scripted mode, the log alone.
  if (scripted && stdin_is_console()) {
    TerminalConsole terminal;
    return console_session(tool, true, stdin, &terminal, &outputs);
  }
  return console_session(tool, scripted, stdin, nullptr, &outputs);
}
