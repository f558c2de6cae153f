// Registers by name. find: the grammar over a whole family's map (every
// register and field of dov, 100 registers' worth of names), exact names,
// wildcards and a miss that ranks close names. watch_reg: its sampling
// loop (interval 0) against its floor, raw MMIO reads of the same
// registers through the same driver client; the ratio is printed per run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands/register_name_commands.h"
#include "core/command_table.h"
#include "core/msglog.h"
#include "hw/driver_client.h"
#include "hw/register_access.h"
#include "lumainfo.h"
#include "redirected_stdout.h"
#include "driver_session.h"
#include "sim/machine.h"

namespace {

struct Session : DriverSession {
  Session() { register_extra_commands(&register_name_commands); }
};

Session& session_once() {
  static Session s;
  return s;
}

void BM_Find(benchmark::State& state, const char* pattern) {
  const RegisterMap& map = *RegisterMap::of_family(2);
  size_t matches = 0;
  for (auto _ : state) {
    name_lookup_t r = find_names(map, pattern);
    matches = r.matches.size() + r.suggestions.size();
    benchmark::DoNotOptimize(matches);
  }
  // The Time column is the cost of one find.
  state.counters["matches"] = static_cast<double>(matches);
}
BENCHMARK_CAPTURE(BM_Find, exact_name, "pipe_a_conf")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, every_field, "*.*")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, wildcard_fields, "*enable*")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, title, "pipe a configuration register")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Find, miss_with_close_names, "plane_a_ctl")->Unit(benchmark::kMicrosecond);

// The eight pipe A timing and configuration registers.
constexpr int kRegisters = 8;
constexpr uint32_t kSamples = 2000;

double watch_seconds() {
  cmd_args_t args{};
  tokenize_command_line(("watch_reg pipe_a_* 0 " + std::to_string(kSamples)).c_str(), &args);
  auto start = std::chrono::steady_clock::now();
  cmd_watch_reg(&args);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double raw_seconds() {
  const RegisterMap& map = *register_view().map;
  uint32_t offsets[kRegisters];
  int n = 0;
  for (const named_reg_t& r : map.registers())
    if (n < kRegisters && std::strncmp(r.name, "pipe_a_", 7) == 0) offsets[n++] = r.offset;
  uint32_t value = 0;
  auto start = std::chrono::steady_clock::now();
  for (uint32_t s = 0; s < kSamples; ++s)
    for (int i = 0; i < n; ++i) {
      drv_read_mmio(32, offsets[i], &value, 2);
      benchmark::DoNotOptimize(value);
    }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both in each iteration, so the ratio compares the same moment's machine.
void BM_WatchSamplingAgainstRawReads(benchmark::State& state) {
  session_once();
  RedirectedStdout quiet;
  double watch = 0, raw = 0;
  for (auto _ : state) {
    watch += watch_seconds();
    raw += raw_seconds();
  }
  double reads = double(state.iterations()) * kSamples * kRegisters;
  state.counters["watch_reads_per_s"] = reads / watch;
  state.counters["raw_reads_per_s"] = reads / raw;
  state.counters["watch_to_raw"] = raw / watch;
  state.counters["us_per_watch_read"] = watch / reads * 1e6;
}
BENCHMARK(BM_WatchSamplingAgainstRawReads)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
