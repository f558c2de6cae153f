// The message writer against its floor: every message flushes standard
// output, so a plain printf plus fflush of the same line is the least any
// writer can cost. Standard output is redirected to a file, as in a report run.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "lumainfo.h"
#include "redirected_stdout.h"
#include "sim/machine.h"

namespace {

const char kLine[] = "Total Physical Memory                           : 1024 MB";

void BM_PrintfFlush(benchmark::State& state) {
  RedirectedStdout redirect;
  for (auto _ : state) {
    std::printf("%s\n", kLine);
    std::fflush(stdout);
  }
}
BENCHMARK(BM_PrintfFlush);

void BM_WriteMsg(benchmark::State& state) {
  sim::Machine::get();  // boot outside the timed loop
  RedirectedStdout redirect;
  for (auto _ : state) writeMsg(MSG_PLAIN, "%s", kLine);
}
BENCHMARK(BM_WriteMsg);

// Coloured messages set and restore the console attribute around the text.
void BM_WriteMsgError(benchmark::State& state) {
  sim::Machine::get();
  RedirectedStdout redirect;
  for (auto _ : state) writeMsg(MSG_ERROR, "%s", kLine);
}
BENCHMARK(BM_WriteMsgError);

void BM_WriteFormattedMsg(benchmark::State& state) {
  sim::Machine::get();
  RedirectedStdout redirect;
  for (auto _ : state) writeFormattedMsg(MSG_PLAIN, "Total Physical Memory", "%d MB", 1024);
}
BENCHMARK(BM_WriteFormattedMsg);

}  // namespace

BENCHMARK_MAIN();
