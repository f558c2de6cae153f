// The console interpreter that luma_qrt and luma_cli share: banner, usage,
// the report log and the command loop over the command table of the
// deliverable it is linked into (its parts object chooses the command set).
#include "console_tool.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "core/msglog.h"
#include "core/records.h"
#include "core/session.h"
#include "core/stop_request.h"
#include "oal/oal.h"
#include "records/run_outputs.h"

namespace {

const int kVersion[3] = {1, 15, 3664};
const char kSeparator[] = "\t============================";
const char kHelpRule[] =
    "///////////////////////////////////HELP OPTIONS///////////////////////////////////";

// Exit status when the report log cannot be opened.
constexpr int kExitNoLog = static_cast<int>(EXIT_LOGFILE_ERROR);

struct Counters {
  int passed = 0;
  int failed = 0;
};

void banner(const char* program) {
  if (vol_above(0)) writeMsg(MSG_PLAIN, "%s:%d.%d.%d\n", program, kVersion[0], kVersion[1], kVersion[2]);
}

void print_usage(const char* program) {
  auto line = [](const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
  };
  banner(program);
  line("USAGE:");
  std::printf("%s%s\n", program, " [/? or --help] [command1]");
  line("");
  line("");
  line("/? or --help - Display usage of this test to the user");
  line("");
  line("--script - Read command lines from standard input instead of running the report");
  line("--junit FILE - Also write a JUnit XML report of the run to FILE");
  line("--json FILE - Also write the run as JSON Lines to FILE");
  line("");
  line("For help on commands, first enter program by providing no args and then type \"help\"");
  line("");
  line("EXAMPLE:");
  std::printf("\t%s%s\n", program, " /? or --help");
  std::printf("\t%s%s\n", program, " < input_file_name");
  std::printf("\t%s%s\n", program, " --script < input_file_name");
  line("");
  banner(program);
}

void console_line(const char* text) {
  std::string line = std::string(text) + "\n";
  std::fflush(stdout);
  DWORD written = 0;
  HANDLE out = oal::GetStdHandle(STD_OUTPUT_HANDLE);
  if (!oal::WriteConsoleA(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
    std::fputs(line.c_str(), stdout);
}

bool equals_ignoring_case(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// Marks a line that the loop must refuse: longer than a record holds, or
// holding bytes that are not text.
void check_line(const std::string& line, bool& too_long, bool& binary) {
  if (line.size() > kCommandLineMax) too_long = true;
  for (unsigned char ch : line)
    if ((ch < 0x20 && ch != '\t') || ch == 0x7F) binary = true;
}

// One line of standard input without its line end (a CR before the LF is
// part of the line end too); nullopt at end of input. `too_long` and
// `binary` report lines that the loop must refuse.
std::optional<std::string> read_line(FILE* in, bool& too_long, bool& binary) {
  too_long = binary = false;
  std::string line;
  int c;
  bool any = false;
  while ((c = std::fgetc(in)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.size() <= kCommandLineMax) line.push_back(static_cast<char>(c));
    else too_long = true;
  }
  if (!any) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  check_line(line, too_long, binary);
  return line;
}

// Where the loop's lines come from: a stream, or a front end's terminal.
struct LineSource {
  FILE* in;
  ConsoleInput* terminal;
  std::optional<std::string> next(bool& too_long, bool& binary) const {
    if (!terminal) return read_line(in, too_long, binary);
    too_long = binary = false;
    auto line = terminal->read_line();
    if (line) check_line(*line, too_long, binary);
    return line;
  }
  // A stream's last line may lack its line end: the loop stops after it.
  bool ended() const { return !terminal && std::feof(in); }
};

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

void print_help_listing(const cmd_entry_t* table, int32_t count, const std::string& line) {
  // The filter is what follows "help" and one delimiter.
  std::string filter = line.size() > 5 ? line.substr(5) : "";
  write_listing_line(kHelpRule);
  write_listing_line("//");
  cmd_args_t args;
  for (int32_t i = 0; i < count; ++i) {
    if (!filter.empty() && strprefix(table[i].name, filter.c_str()) != 0) continue;
    std::memset(&args, 0, sizeof args);
    args.help = 1;
    std::snprintf(args.slot[0], sizeof args.slot[0], "%s", table[i].name);
    table[i].handler(&args);
    for (int32_t s = 0; s < args.count && s < kArgSlots; ++s)
      write_listing_line(("// " + std::string(args.slot[s])).c_str());
    if (args.count) {
      write_listing_line("//");
      write_listing_line("//");
    }
  }
  write_listing_line(std::string(82, '/').c_str());
  write_listing_line("");
}

// The command as it starts, for the record listeners: its parameters are
// the record's slots after the command word, before the handler reuses them.
void report_begin(const cmd_entry_t& e, const char* line, const cmd_args_t& args, const char* upper) {
  const char* params[kArgSlots];
  size_t n = 0;
  for (int32_t s = 1; s < args.count && s < kArgSlots; ++s) params[n++] = args.slot[s];
  records::command_begin(records::CommandBegin{e.name, upper, line, params, n});
}

// A line the loop refuses is a failed command of its own for the listeners.
void report_refused(const std::string& line) {
  if (!records::wanted()) return;
  records::command_begin(records::CommandBegin{"", "", line.c_str(), nullptr, 0});
}

// Dispatches one line to every entry that takes it.
bool dispatch(const cmd_entry_t* table, int32_t count, const std::string& line, const char* word,
              bool run_all, Counters& counters) {
  bool found = false;
  cmd_args_t args;
  char upper[256];
  char exit_name[256];
  for (int32_t i = 0; i < count; ++i) {
    const cmd_entry_t& e = table[i];
    if (!run_all && !equals_ignoring_case(e.name, word)) continue;
    std::memset(upper, 0, sizeof upper);
    std::memset(exit_name, 0, sizeof exit_name);
    std::memset(&args, 0, sizeof args);
    if (!tokenize_command_line(line.c_str(), &args)) {
      report_refused(line);
      if (vol_above(0)) writeMsg(MSG_ERROR, "Maximum number of arguments exceeded");
      ++counters.failed;
      records::command_end(EXIT_INVALID_PARAM_ERROR, "");
      break;
    }
    found = true;
    get_command_id_name(e.id, upper);
    if (run_all && !e.in_all) continue;
    if (args.count < e.min_tokens || args.count > e.max_tokens) {
      if (!run_all && vol_above(1)) {
        if (e.min_tokens == e.max_tokens)
          writeMsg(MSG_PLAIN, "Function:%s, requires exactly %d parameters", upper, e.min_tokens - 1);
        else
          writeMsg(MSG_PLAIN, "Function:%s, requires in between %d and %d parameters", upper,
                   e.min_tokens - 1, e.max_tokens - 1);
      }
      continue;
    }
    if (records::wanted()) report_begin(e, run_all ? e.name : line.c_str(), args, upper);
    if (vol_above(1)) writeMsg(MSG_PLAIN, "Function: %s", upper);
    opal_exit_t rc = e.handler(&args);
    // Ctrl-C during the command: it ended early or did not look, either way
    // its work is not whole.
    bool interrupted = stop_requested();
    clear_stop_request();
    if (interrupted) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "Interrupted");
      if (rc == EXIT_OK) rc = EXIT_GENERIC_ERROR;
    }
    opal_decode_exit_code(rc, exit_name);
    if (rc == EXIT_OK) {
      ++counters.passed;
      if (vol_above(0)) {
        for (int32_t s = 0; s < args.count && s < kArgSlots; ++s) writeMsg(MSG_PLAIN, "%s", args.slot[s]);
        writeMsg(MSG_PLAIN, "\n");
      }
      if (vol_above(1)) writeMsg(MSG_SUCCESS, "Function: %s, Exit Code: %s", upper, exit_name);
    } else {
      ++counters.failed;
      if (vol_above(1)) writeMsg(MSG_ERROR, "Function: %s, Exit Code: %s", upper, exit_name);
    }
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%s", kSeparator);
    records::command_end(rc, e.name);
    if (interrupted) break;  // "all" stops too
  }
  return found;
}

// The tool's own commands after the library's, their texts registered.
void append_extra_commands(const ExtraCommands* extra, std::vector<cmd_entry_t>& commands) {
  register_extra_commands(extra);
  for (size_t i = 0; extra && i < extra->count; ++i) {
    const CommandInfo& info = extra->info[i];
    cmd_entry_t e{};
    e.id = info.id;
    std::snprintf(e.name, sizeof e.name, "%s", info.name);
    e.min_tokens = info.min_tokens;
    e.max_tokens = info.max_tokens;
    e.in_all = info.in_all;
    e.handler = extra->handlers[i].handler;
    commands.push_back(e);
  }
}

void run_loop(const LineSource& in, const cmd_entry_t* table, int32_t count, Counters& counters) {
  static const char* const kScript[] = {"ALL", "QUIT"};
  int script_lines_used = 0;
  std::string line;
  for (;;) {
    bool quit = false, run_all = false, consumed = false, found = false;
    if (auto_report_mode) {
      if (script_lines_used < 2) line = kScript[script_lines_used++];
    } else {
      bool too_long = false, binary = false;
      auto next = in.next(too_long, binary);
      if (!next) break;
      line = *next;
      // A line the record cannot hold is refused whole rather than cut.
      if (too_long || binary) {
        report_refused(line);
        if (vol_above(0))
          writeMsg(MSG_ERROR, too_long ? "ERROR: Command line longer than %d characters refused"
                                       : "ERROR: Command line with non-text bytes refused",
                   kCommandLineMax);
        ++counters.failed;
        records::command_end(EXIT_INVALID_PARAM_ERROR, "");
        if (in.ended()) break;
        continue;
      }
    }

    char word_copy[kCommandLineMax + 1];
    std::snprintf(word_copy, sizeof word_copy, "%s", line.c_str());
    const char* word = std::strtok(word_copy, " \t\n");
    std::string trimmed = trim(line);
    bool comment = false;
    line = trimmed;
    if (!word) {
      consumed = true;
    } else {
      if (equals_ignoring_case(line.c_str(), "exit") || equals_ignoring_case(line.c_str(), "quit") ||
          equals_ignoring_case(line.c_str(), "q")) {
        quit = true;
      } else if (equals_ignoring_case(line.c_str(), "all")) {
        run_all = true;
      } else if (strprefix(line.c_str(), "//") == 0) {
        comment = consumed = found = true;
      } else if (!auto_report_mode && equals_ignoring_case(word, "help")) {
        consumed = found = true;
        print_help_listing(table, count, line);
      }
    }
    if (auto_report_mode && !comment && !quit && !run_all) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "Only command \"all\" and \"quit\" are allowed");
      consumed = true;
    }
    if (!quit && !consumed) found = dispatch(table, count, line, word, run_all, counters);
    if (quit) break;
    if (!found && vol_above(0)) writeMsg(MSG_ERROR, "No command found by the name: %s", line.c_str());
    if (!auto_report_mode && in.ended()) break;
  }
}


}  // namespace

int console_main(const ConsoleTool& tool, int argc, char** argv) { return console_run(tool, argc, argv, stdin); }

int console_run(const ConsoleTool& tool, int argc, char** argv, FILE* input) {
  bool scripted = false;
  for (int i = 1; i < argc; ++i) {
    if (i == 1 && (equals_ignoring_case(argv[1], "/?") || equals_ignoring_case(argv[1], "--help"))) {
      print_usage(tool.program);
      return 0;
    }
    if (equals_ignoring_case(argv[i], "--script")) scripted = true;
  }
  records::OutputOptions output_options;
  std::string output_error;
  if (!records::parse_output_options(argc, argv, output_options, output_error)) {
    std::fprintf(stderr, "ERROR: %s\n", output_error.c_str());
    return static_cast<int>(EXIT_INVALID_PARAM_ERROR);
  }
  return console_session(tool, scripted, input, nullptr, &output_options);
}

int console_session(const ConsoleTool& tool, bool scripted, FILE* input, ConsoleInput* terminal,
                    const records::OutputOptions* output_files) {
  const char* program = tool.program;
  const char* log_name = tool.log_name;
  auto_report_mode = !scripted;
  if (opal_open(1) != EXIT_OK) return static_cast<int>(EXIT_LIB_INIT_ERROR);
  records::RunOutputs outputs;
  char version[32];
  std::snprintf(version, sizeof version, "%d.%d.%d", kVersion[0], kVersion[1], kVersion[2]);
  const records::OutputOptions output_options = output_files ? *output_files : records::OutputOptions{};
  std::string output_error;
  if (!outputs.open(output_options, records::live_run_info(program, version, auto_report_mode), output_error)) {
    std::fprintf(stderr, "ERROR: %s\n", output_error.c_str());
    opal_close();
    return kExitNoLog;
  }

  // The name holds a byte of the ANSI code page: a console shows it as the
  // system converts it; redirected output keeps the byte.
  console_line("Varnel\256 Lumagraph");
  std::printf("%s%s%s\n", program, " output redirected to ", log_name);
  std::fflush(stdout);
  if (!oal::freopen(log_name, "w", stdout)) {
    std::fprintf(stderr, "ERROR: Cannot write the report log %s in the current directory: %s\n", log_name,
                 std::strerror(errno));
    opal_close();
    return kExitNoLog;
  }
  banner(program);

  Counters counters;
  int32_t count = 0;
  cmd_entry_t* table = get_command_table(&count);
  if (!table) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid pointer returned");
  } else {
    std::vector<cmd_entry_t> commands(table, table + count);
    append_extra_commands(tool.extra, commands);
    if (terminal) {
      std::vector<std::string> names;
      for (const cmd_entry_t& e : commands) names.push_back(e.name);
      terminal->begin(names);
    }
    run_loop(LineSource{input, terminal}, commands.data(), static_cast<int32_t>(commands.size()), counters);
  }

  opal_close();
  if (auto_report_mode) {
    std::fclose(stdout);
  } else if (vol_above(0)) {
    writeMsg(MSG_PLAIN, "%s", "");
    writeMsg(MSG_PLAIN, "ULTSUMMARY %d %d", counters.passed, counters.failed);
  }
  if (terminal) terminal->end();
  if (!outputs.finish()) {
    std::fprintf(stderr, "ERROR: The JUnit or JSON report could not be written whole\n");
    return kExitNoLog;
  }
  return 0;
}
