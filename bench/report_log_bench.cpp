// parse_qrt on a full automatic report log (about 40,000 lines) against
// the floor of any parser of it: reading the file line by line and
// splitting each line into its tokens.
#include <benchmark/benchmark.h>

#include "line_floor.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "commands/offline_commands.h"
#include "commands/report_log.h"
#include "core/msglog.h"

namespace {

const std::string kLog = std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/dov.log";

void BM_LinesAndTokens(benchmark::State& state) {
  for (auto _ : state) {
    long tokens = lines_and_tokens(kLog.c_str());
    if (tokens < 0) {
      state.SkipWithError("no log");
      return;
    }
    benchmark::DoNotOptimize(tokens);
  }
}
BENCHMARK(BM_LinesAndTokens)->Unit(benchmark::kMillisecond);

// The reader alone: the log's bytes placed in the nine ranges.
void BM_ReadReportLog(benchmark::State& state) {
  for (auto _ : state) {
    ReportLog log;
    if (!read_report_log(kLog.c_str(), log)) {
      state.SkipWithError("no log");
      return;
    }
    benchmark::DoNotOptimize(log.bytes_placed);
  }
}
BENCHMARK(BM_ReadReportLog)->Unit(benchmark::kMillisecond);

// The whole command (its dumps run on the capture; the debug volume is 0,
// so they print nothing).
void BM_ParseQrt(benchmark::State& state) {
  debug_volume = 0;
  for (auto _ : state) {
    cmd_args_t args{};
    args.count = 2;
    std::snprintf(args.slot[0], sizeof args.slot[0], "parse_qrt");
    std::snprintf(args.slot[1], sizeof args.slot[1], "%s", kLog.c_str());
    benchmark::DoNotOptimize(cmd_parse_qrt(&args));
  }
}
BENCHMARK(BM_ParseQrt)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
