// The message writer against its floor: every message flushes standard
// output, so a plain printf plus fflush of the same line is the least any
// writer can cost. On a file, as in a report run, and on /dev/null.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "floor_report.h"
#include "lumainfo.h"
#include "sim/machine.h"

namespace {

const char kLine[] = "Total Physical Memory                           : 1024 MB";

void printf_flush(benchmark::State& state) {
  for (auto _ : state) {
    std::printf("%s\n", kLine);
    std::fflush(stdout);
  }
}

void write_msg(benchmark::State& state) {
  for (auto _ : state) writeMsg(MSG_PLAIN, "%s", kLine);
}

// Coloured messages set and restore the console attribute around the text.
void write_msg_error(benchmark::State& state) {
  for (auto _ : state) writeMsg(MSG_ERROR, "%s", kLine);
}

void write_formatted_msg(benchmark::State& state) {
  for (auto _ : state) writeFormattedMsg(MSG_PLAIN, "Total Physical Memory", "%d MB", 1024);
}

}  // namespace

int main(int argc, char** argv) {
  sim::Machine::get();  // boot outside the timed loops
  add_on_sinks("printf+fflush", 1, printf_flush);
  add_on_sinks("writeMsg", 1, write_msg);
  add_on_sinks("writeMsg error", 1, write_msg_error);
  add_on_sinks("writeFormattedMsg", 1, write_formatted_msg);
  return run_against_floors(argc, argv,
                            {{"writeMsg", "printf+fflush"},
                             {"writeMsg error", "printf+fflush"},
                             {"writeFormattedMsg", "printf+fflush"}});
}
