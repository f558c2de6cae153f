// The toolkit against its floor in the same run, on two sinks for standard
// output: a file (as a report run writes) and /dev/null, where writing costs
// almost nothing and the toolkit's own work per line shows. After the usual
// table, one line per pair and sink: the floor's and the toolkit's time per
// output line (median CPU time when repeated), their ratio (of CPU and of
// real time) and what the toolkit adds per line in nanoseconds.
//
//   add_on_sinks("floor", lines, body);     // registers floor/file and floor/null
//   return run_against_floors(argc, argv, {{"toolkit", "floor"}});
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "redirected_stdout.h"

enum class Sink { File, Null };
constexpr Sink kSinks[] = {Sink::File, Sink::Null};
inline const char* sink_name(Sink s) { return s == Sink::File ? "file" : "null"; }

// Output lines per iteration, by benchmark name.
inline std::map<std::string, double>& lines_per_iteration() {
  static std::map<std::string, double> lines;
  return lines;
}

// Registers `body` once per sink as "<name>/file" and "<name>/null", with
// standard output redirected there around the timed loop. `lines`: output
// lines per iteration (what the costs per line divide by).
inline benchmark::internal::Benchmark* add_on_sink(const std::string& name, Sink sink, double lines,
                                                   std::function<void(benchmark::State&)> body) {
  std::string full = name + "/" + sink_name(sink);
  lines_per_iteration()[full] = lines;
  return benchmark::RegisterBenchmark(full.c_str(), [sink, body](benchmark::State& state) {
    RedirectedStdout redirect(sink == Sink::Null ? "/dev/null" : nullptr);
    body(state);
  });
}

inline void add_on_sinks(const std::string& name, double lines, const std::function<void(benchmark::State&)>& body,
                         benchmark::TimeUnit unit = benchmark::kNanosecond) {
  for (Sink sink : kSinks) add_on_sink(name, sink, lines, body)->Unit(unit);
}

class FloorReporter : public benchmark::ConsoleReporter {
 public:
  struct Pair {
    std::string toolkit, floor;
  };
  // `whole`, when given, is broken down into `parts` and the rest, per line
  // of `whole`'s floor.
  struct Breakdown {
    std::string whole, floor;
    std::vector<std::string> parts;
  };
  explicit FloorReporter(std::vector<Pair> pairs, Breakdown breakdown = {})
      : pairs_(std::move(pairs)), breakdown_(std::move(breakdown)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      Times& t = times_[run.run_name.function_name];
      if (t.median && !median) continue;
      double to_ns = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      t = {run.GetAdjustedCPUTime() * to_ns, run.GetAdjustedRealTime() * to_ns, median};
      // Timed in a child process: the manual time is its CPU time, "wall"
      // its real time per iteration.
      if (auto wall = run.counters.find("wall"); wall != run.counters.end())
        t.cpu = t.real, t.real = wall->second * 1e9;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::FILE* out = stdout;
    std::fprintf(out, "\nAgainst the floor, per output line (ns, CPU time; ratios of CPU and of real time):\n");
    std::fprintf(out, "%-26s %-4s %12s %12s %9s %10s %12s\n", "toolkit", "sink", "floor/line", "toolkit/line",
                 "ratio", "ratio real", "extra/line");
    for (const Pair& p : pairs_)
      for (Sink sink : kSinks) {
        std::string tk = p.toolkit + "/" + sink_name(sink), fl = p.floor + "/" + sink_name(sink);
        auto a = times_.find(tk), b = times_.find(fl);
        if (a == times_.end() || b == times_.end()) continue;
        double lines = lines_per_iteration()[fl];
        if (lines <= 0) lines = 1;
        const Times &t = a->second, &f = b->second;
        std::fprintf(out, "%-26s %-4s %12.1f %12.1f %8.2fx %9.2fx %12.1f\n", p.toolkit.c_str(), sink_name(sink),
                     f.cpu / lines, t.cpu / lines, t.cpu / f.cpu, t.real / f.real, (t.cpu - f.cpu) / lines);
      }
    print_breakdown(out);
    std::fflush(out);
  }

 private:
  void print_breakdown(std::FILE* out) {
    if (breakdown_.whole.empty()) return;
    for (Sink sink : kSinks) {
      auto name = [&](const std::string& n) { return n + "/" + sink_name(sink); };
      auto whole = times_.find(name(breakdown_.whole)), floor = times_.find(name(breakdown_.floor));
      if (whole == times_.end() || floor == times_.end()) continue;
      double lines = lines_per_iteration()[name(breakdown_.floor)];
      if (lines <= 0) lines = 1;
      std::fprintf(out, "\n%s on %s, CPU time per run (ms) and per line of its floor (ns):\n",
                   breakdown_.whole.c_str(), sink_name(sink));
      double rest = whole->second.cpu;
      auto row = [&](const std::string& what, double ns) {
        std::fprintf(out, "  %-30s %10.2f ms %10.1f ns/line\n", what.c_str(), ns / 1e6, ns / lines);
      };
      row("whole run", whole->second.cpu);
      for (const std::string& part : breakdown_.parts) {
        auto t = times_.find(name(part));
        if (t == times_.end()) continue;
        row(part, t->second.cpu);
        rest -= t->second.cpu;
      }
      row("the rest (commands, output)", rest);
      row("floor (printf+fflush)", floor->second.cpu);
      std::fprintf(out, "  the rest against the floor: %.2fx, %.1f ns more per line\n", rest / floor->second.cpu,
                   (rest - floor->second.cpu) / lines);
    }
  }

  struct Times {
    double cpu = 0, real = 0;
    bool median = false;
  };
  std::vector<Pair> pairs_;
  Breakdown breakdown_;
  std::map<std::string, Times> times_;
};

// BENCHMARK_MAIN with the comparison of each pair after the usual table.
inline int run_against_floors(int argc, char** argv, std::vector<FloorReporter::Pair> pairs,
                              FloorReporter::Breakdown breakdown = {}) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  FloorReporter reporter(std::move(pairs), std::move(breakdown));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
