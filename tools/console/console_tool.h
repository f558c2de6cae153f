// The console interpreter shared by the console tools. Each tool gives its
// name and log file; the command set is the one its parts object carries.
#pragma once
#include <cstdio>

struct ExtraCommands;

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
