// Registry writes per second in one process on a machine with a state
// folder: RegSetValueExA as it is (each write a read-modify-write of the
// saved registry under the part's lock, with a reload check), against the
// floor of the same write without the lock and the check: the registry's
// state serialized and written through a new file and a rename, as a
// process that owned the folder alone did.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "oal/oal.h"
#include "sim/machine.h"
#include "sim/state_store.h"
#include "support/sim_fixture.h"

namespace {

constexpr int kNames = 100;  // distinct values written in turn

std::string state_dir() {
  static std::string dir = make_temp_dir("registry-bench");
  return dir;
}

HKEY bench_key() {
  sim::Machine::boot_text("base = dov\n[machine]\nwait_scale = 0\n", state_dir());
  HKEY key = nullptr;
  DWORD disposition = 0;
  oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                       &disposition);
  return key;
}

void BM_RegSetValue(benchmark::State& state) {
  HKEY key = bench_key();
  DWORD n = 0;
  for (auto _ : state) {
    std::string name = "v" + std::to_string(n % kNames);
    if (oal::RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&n), 4) != ERROR_SUCCESS) {
      state.SkipWithError("write failed");
      break;
    }
    ++n;
  }
  oal::RegCloseKey(key);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RegSetValue)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

// The floor: one value changed in memory and the whole part written out.
void BM_UnlockedWriteFloor(benchmark::State& state) {
  HKEY key = bench_key();
  oal::RegCloseKey(key);
  sim::StateFile::Values values = sim::Machine::get().state("registry").values();
  std::string path = state_dir() + "/floor.state";
  DWORD n = 0;
  for (auto _ : state) {
    values["v:bench|v" + std::to_string(n % kNames)] = "4|" + std::to_string(n) + "|v";
    std::string content = "# luma-sim state 1\n";
    for (auto& [k, v] : values) content += k + "=" + sim::escape_state_value(v) + "\n";
    std::string error;
    if (!sim::write_file_atomically(path, content, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    ++n;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UnlockedWriteFloor)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->UseRealTime();

// Prints the ratio of the two rates after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto it = run.counters.find("items_per_second");
      if (it != run.counters.end()) rates_[run.run_name.function_name] = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double locked = rates_["BM_RegSetValue"], floor = rates_["BM_UnlockedWriteFloor"];
    if (locked > 0 && floor > 0)
      std::printf("registry writes: %.0f/s locked, %.0f/s unlocked floor; ratio %.2f (%.1f us per write)\n", locked,
                  floor, locked / floor, 1e6 / locked);
  }

 private:
  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  remove_tree(state_dir());
  return 0;
}
