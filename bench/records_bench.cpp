// What the machine-readable outputs cost. The automatic report of luma_qrt
// run as a process with --json and --junit against the same run without
// them (CPU time of the child, user and system), and luma_cli --to-json's
// conversion of a full report log against the floor of any reader of it:
// reading its lines and splitting their tokens.
#include <benchmark/benchmark.h>

#include "line_floor.h"
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "records/log_records.h"

namespace {

const std::string kLog = std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/dov.log";

double children_cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One automatic report in a folder of its own, on a machine that keeps no
// state between runs and waits no real time.
void report_run(benchmark::State& state, const char* options) {
  char folder[] = "/tmp/luma-records-bench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::string profile = std::string(folder) + "/dov.profile";
  if (FILE* f = std::fopen(profile.c_str(), "w")) {
    std::fputs("base = dov\n[machine]\nwait_scale = 0\n", f);
    std::fclose(f);
  }
  std::string command = std::string("cd ") + folder + " && LUMA_SIM_PROFILE=" + profile + " LUMA_SIM_STATE=" + folder +
                        "/state " + LUMA_BIN_DIR + "/luma_qrt " + options + " >/dev/null 2>&1";
  for (auto _ : state) {
    double before = children_cpu_seconds();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("luma_qrt failed");
      break;
    }
    state.SetIterationTime(children_cpu_seconds() - before);
  }
  std::system((std::string("rm -rf ") + folder).c_str());
}

void BM_AutomaticReport(benchmark::State& state) { report_run(state, ""); }
BENCHMARK(BM_AutomaticReport)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

void BM_AutomaticReportWithJsonAndJunit(benchmark::State& state) {
  report_run(state, "--json r.jsonl --junit r.xml");
}
BENCHMARK(BM_AutomaticReportWithJsonAndJunit)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

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

void BM_ToJson(benchmark::State& state) {
  for (auto _ : state) {
    FILE* out = std::tmpfile();
    if (!out || records::convert_report_log(kLog.c_str(), out) != records::LogConversion::done) {
      state.SkipWithError("conversion failed");
      if (out) std::fclose(out);
      return;
    }
    std::fclose(out);
  }
}
BENCHMARK(BM_ToJson)->Unit(benchmark::kMillisecond);

// Prints the ratios the targets are set in.
class Ratios : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      std::string name = r.benchmark_name();
      // The reports' manual time is their child's CPU time; the others' CPU time is their own.
      double t = name.find("manual_time") != std::string::npos ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
      if (name.find("BM_AutomaticReportWithJsonAndJunit") == 0) with_ = t;
      else if (name.find("BM_AutomaticReport") == 0) without_ = t;
      else if (name.find("BM_LinesAndTokens") == 0) floor_ = t;
      else if (name.find("BM_ToJson") == 0) to_json_ = t;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (with_ > 0 && without_ > 0)
      std::printf("automatic report CPU with --json and --junit / without: %.2fx (target <= 1.25x)\n", with_ / without_);
    if (to_json_ > 0 && floor_ > 0)
      std::printf("--to-json of a full report log / lines-and-tokens floor: %.2fx (target <= 3x)\n", to_json_ / floor_);
  }

 private:
  double with_ = 0, without_ = 0, floor_ = 0, to_json_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Ratios reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
