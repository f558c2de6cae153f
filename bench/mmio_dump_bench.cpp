// The report's MMIO dump (read_mmio_regs in the automatic mode: nine ranges,
// 159856 bytes as lines of four bytes) into a redirected standard output,
// against its floor: printf plus fflush of the same lines, as every message
// flushes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "core/session.h"
#include "hw/raw_access.h"
#include "lumainfo.h"
#include "redirected_stdout.h"
#include "sim/machine.h"

namespace {

// A machine of its own with the driver installed, for the whole program.
struct Session {
  Session() {
    char dir[] = "/tmp/luma-bench-state-XXXXXX";
    state = mkdtemp(dir);
    sim::Machine::boot("dov", state);
    if (chdir(state.c_str()) != 0) std::abort();
    RedirectedStdout quiet;
    if (opal_open(1) != EXIT_OK) std::abort();
  }
  ~Session() {
    RedirectedStdout quiet;
    opal_close();
  }
  std::string state;
};

Session& session_once() {
  static Session s;
  return s;
}

// The lines the dump writes, as text, with the empty message after each
// 8 KiB chunk.
std::vector<std::string> report_lines() {
  std::vector<std::string> lines;
  uint32_t count = 0;
  const mmio_range_t* ranges = default_mmio_ranges(&count);
  char line[64];
  for (uint32_t r = 0; r < count; ++r)
    for (uint64_t chunk = ranges[r].first; chunk <= ranges[r].last; chunk += 8192) {
      uint64_t end = std::min<uint64_t>(chunk + 8191, ranges[r].last);
      for (uint64_t a = chunk; a <= end; a += 4) {
        std::snprintf(line, sizeof line, "%08lX     %02X %02X %02X %02X", static_cast<unsigned long>(a), 0u, 0u, 0u, 0u);
        lines.push_back(line);
      }
      lines.push_back("\n");
    }
  return lines;
}

void BM_PrintfFlushFloor(benchmark::State& state) {
  std::vector<std::string> lines = report_lines();
  RedirectedStdout redirect;
  for (auto _ : state)
    for (const std::string& l : lines) {
      std::printf("%s\n", l.c_str());
      std::fflush(stdout);
    }
  state.SetBytesProcessed(state.iterations() * 159856);
}
BENCHMARK(BM_PrintfFlushFloor)->Unit(benchmark::kMillisecond);

void BM_ReadMmioRegsReport(benchmark::State& state) {
  session_once();
  auto_report_mode = true;
  RedirectedStdout redirect;
  cmd_args_t args;
  for (auto _ : state) {
    std::memset(&args, 0, sizeof args);
    std::strcpy(args.slot[0], "read_mmio_regs");
    args.count = 1;
    benchmark::DoNotOptimize(cmd_read_mmio_regs(&args));
  }
  auto_report_mode = false;
  state.SetBytesProcessed(state.iterations() * 159856);
}
BENCHMARK(BM_ReadMmioRegsReport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
