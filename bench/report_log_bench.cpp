// parse_qrt on a full automatic report log (about 40,000 lines) against
// the floor of any parser of it, reading the file line by line and
// splitting each line into its tokens: quiet (debug volume 0, the
// reading and decoding alone) and at the usual volume, where the floor
// also prints the command's own output lines with printf plus fflush. On
// a file and on /dev/null. Also luma_cli --html of the same log and the
// records it is built from.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include "line_floor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/offline_commands.h"
#include "commands/report_log.h"
#include "core/msglog.h"
#include "floor_report.h"
#include "html_report.h"
#include "records/log_records.h"

namespace {

const std::string kLog = std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/dov.log";

size_t lines_and_tokens() {
  long tokens = ::lines_and_tokens(kLog.c_str());
  return tokens < 0 ? 0 : static_cast<size_t>(tokens);
}

void parse_qrt() {
  cmd_args_t args{};
  args.count = 2;
  std::snprintf(args.slot[0], sizeof args.slot[0], "parse_qrt");
  std::snprintf(args.slot[1], sizeof args.slot[1], "%s", kLog.c_str());
  benchmark::DoNotOptimize(cmd_parse_qrt(&args));
}

// The lines of a file, without their line ends.
std::vector<std::string> lines_of(const std::string& path) {
  std::vector<std::string> lines;
  FILE* f = std::fopen(path.c_str(), "rb");
  char line[1024];
  while (f && std::fgets(line, sizeof line, f)) lines.emplace_back(line, std::strcspn(line, "\n"));
  if (f) std::fclose(f);
  return lines;
}

// What parse_qrt writes at the usual volume, captured once.
std::vector<std::string> output_lines() {
  char name[] = "/tmp/luma-parse-qrt-XXXXXX";
  int fd = mkstemp(name);
  if (fd >= 0) close(fd);
  {
    RedirectedStdout to(name);
    parse_qrt();
  }
  std::vector<std::string> lines = lines_of(name);
  std::remove(name);
  return lines;
}

void quiet(benchmark::State& state, bool toolkit) {
  uint32_t saved = debug_volume;
  debug_volume = 0;
  for (auto _ : state)
    if (toolkit)
      parse_qrt();
    else
      benchmark::DoNotOptimize(lines_and_tokens());
  debug_volume = saved;
}

}  // namespace

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

namespace {

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

int main(int argc, char** argv) {
  if (!lines_and_tokens()) {
    std::fprintf(stderr, "no report log at %s\n", kLog.c_str());
    return 1;
  }
  static const std::vector<std::string> out = output_lines();
  const double in = double(lines_of(kLog).size());
  add_on_sinks("lines+tokens", in, [](benchmark::State& s) { quiet(s, false); }, benchmark::kMillisecond);
  add_on_sinks("parse_qrt quiet", in, [](benchmark::State& s) { quiet(s, true); }, benchmark::kMillisecond);
  add_on_sinks(
      "lines+tokens+printf", double(out.size()),
      [](benchmark::State& state) {
        for (auto _ : state) {
          benchmark::DoNotOptimize(lines_and_tokens());
          for (const std::string& l : out) {
            std::printf("%s\n", l.c_str());
            std::fflush(stdout);
          }
        }
      },
      benchmark::kMillisecond);
  add_on_sinks(
      "parse_qrt", double(out.size()),
      [](benchmark::State& state) {
        for (auto _ : state) parse_qrt();
      },
      benchmark::kMillisecond);
  return run_against_floors(argc, argv, {{"parse_qrt quiet", "lines+tokens"}, {"parse_qrt", "lines+tokens+printf"}});
}
