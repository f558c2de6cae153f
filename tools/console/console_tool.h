// The console interpreter shared by the console tools. Each tool gives its
// name and log file; the command set is the one its parts object carries.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

struct ExtraCommands;
namespace records {
struct OutputOptions;
}

struct ConsoleTool {
  const char* program;   // upper-case name in the banner, usage and console lines
  const char* log_name;  // the report log, in the current directory
  // Commands of this tool alone, after the library's (null: none).
  const ExtraCommands* extra = nullptr;
};

// Runs the tool as its main function does; returns the exit status.
int console_main(const ConsoleTool& tool, int argc, char** argv);
// The same reading scripted command lines from `input` instead of stdin.
int console_run(const ConsoleTool& tool, int argc, char** argv, FILE* input);

// A front end that gives an interactive session its lines (a terminal with
// a prompt and line editing). The interpreter stays the same: it asks for
// lines, and the front end adds what the user sees beside the log.
class ConsoleInput {
 public:
  virtual ~ConsoleInput() = default;
  // Once the log is open, before the first line, with the names of the
  // commands the session carries.
  virtual void begin(const std::vector<std::string>& command_names) = 0;
  // The next command line without its line end; nullopt at the end of input.
  virtual std::optional<std::string> read_line() = 0;
  // After the closing summary, as the run ends.
  virtual void end() {}
};

// Runs the tool on options already parsed: the built-in report, or
// scripted lines from `input`, or from `terminal` when one is given; with
// `output_files`, the JUnit and JSON reports it names beside the log.
int console_session(const ConsoleTool& tool, bool scripted, FILE* input, ConsoleInput* terminal = nullptr,
                    const records::OutputOptions* output_files = nullptr);
