// The report's MMIO dump (read_mmio_regs in the automatic mode: nine ranges,
// 159856 bytes as lines of four bytes) against its floor, printf plus
// fflush of the same lines (every message flushes), on a file and on
// /dev/null.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "core/session.h"
#include "floor_report.h"
#include "hw/raw_access.h"
#include "lumainfo.h"
#include "driver_session.h"
#include "sim/machine.h"

namespace {

using Session = DriverSession;

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

}  // namespace

int main(int argc, char** argv) {
  static Session session;
  static const std::vector<std::string> lines = report_lines();
  auto per_iteration = [](benchmark::State& state) { state.SetBytesProcessed(state.iterations() * 159856); };
  add_on_sinks(
      "printf+fflush", double(lines.size()),
      [&](benchmark::State& state) {
        for (auto _ : state)
          for (const std::string& l : lines) {
            std::printf("%s\n", l.c_str());
            std::fflush(stdout);
          }
        per_iteration(state);
      },
      benchmark::kMillisecond);
  add_on_sinks(
      "read_mmio_regs", double(lines.size()),
      [&](benchmark::State& state) {
        auto_report_mode = true;
        cmd_args_t args;
        for (auto _ : state) {
          std::memset(&args, 0, sizeof args);
          std::strcpy(args.slot[0], "read_mmio_regs");
          args.count = 1;
          benchmark::DoNotOptimize(cmd_read_mmio_regs(&args));
        }
        auto_report_mode = false;
        per_iteration(state);
      },
      benchmark::kMillisecond);
  return run_against_floors(argc, argv, {{"read_mmio_regs", "printf+fflush"}});
}
