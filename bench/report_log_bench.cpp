// parse_qrt and luma_cli --html on a full automatic report log (about
// 40,000 lines) against the floor of any parser of it: reading the file
// line by line and splitting each line into its tokens.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/offline_commands.h"
#include "commands/report_log.h"
#include "core/msglog.h"
#include "html_report.h"
#include "records/log_records.h"

namespace {

const std::string kLog = std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/dov.log";

// The floor: the log's lines read and split into tokens; false without it.
bool lines_and_tokens() {
  FILE* f = std::fopen(kLog.c_str(), "rb");
  if (!f) return false;
  char line[512];
  size_t tokens = 0;
  while (std::fgets(line, sizeof line, f))
    for (char* t = std::strtok(line, " \t\r\n"); t; t = std::strtok(nullptr, " \t\r\n")) tokens += t[0] != 0;
  std::fclose(f);
  benchmark::DoNotOptimize(tokens);
  return true;
}

void BM_LinesAndTokens(benchmark::State& state) {
  for (auto _ : state)
    if (!lines_and_tokens()) {
      state.SkipWithError("no log");
      return;
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

// The records of the log alone, as --to-json makes them: what the page is
// built from.
void BM_LogRecords(benchmark::State& state) {
  for (auto _ : state) records::convert_report_log(kLog.c_str(), [](const nlohmann::ordered_json&) {});
}
BENCHMARK(BM_LogRecords)->Unit(benchmark::kMillisecond);

// Processor seconds per run of `work`, the median of a few batches.
template <typename Work>
double cpu_seconds_per_run(Work work, int runs) {
  std::vector<double> batches;
  for (int b = 0; b < 5; ++b) {
    std::clock_t start = std::clock();
    for (int i = 0; i < runs; ++i) work();
    batches.push_back(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / runs);
  }
  std::sort(batches.begin(), batches.end());
  return batches[2];
}

// luma_cli --html of the log: its records, the page, the file. The
// counter x_floor is its processor time over the floor's, measured here.
void BM_HtmlReportPage(benchmark::State& state) {
  std::string out = (std::filesystem::temp_directory_path() / "report_log_bench.html").string();
  if (write_html_report(out.c_str(), kLog.c_str(), nullptr) != kHtmlWritten) {
    state.SkipWithError("the page was not written");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(write_html_report(out.c_str(), kLog.c_str(), nullptr));
  double page = cpu_seconds_per_run([&] { write_html_report(out.c_str(), kLog.c_str(), nullptr); }, 4);
  double floor = cpu_seconds_per_run(lines_and_tokens, 16);
  state.counters["x_floor"] = page / floor;
  state.counters["page_MB"] = static_cast<double>(std::filesystem::file_size(out)) / 1e6;
  std::filesystem::remove(out);
}
BENCHMARK(BM_HtmlReportPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
