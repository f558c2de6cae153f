// The whole automatic luma_qrt run against its floor: printing the lines
// of the log such a run writes with printf plus fflush. The run includes
// the start-up of the simulated machine and the install of the register
// access driver; both are also timed on their own, and the table at the
// end says what is left for the commands and their output. Each run is a
// child process (the tool closes its standard output at the end), timed
// by its own CPU clock; the log goes to a file or to /dev/null.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "floor_report.h"
#include "lumainfo.h"
#include "report_tool.h"
#include "sim/machine.h"

namespace {

struct Clock {
  timespec cpu{}, wall{};
  void start() {
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    clock_gettime(CLOCK_MONOTONIC, &wall);
  }
  static double since(clockid_t id, const timespec& from) {
    timespec now;
    clock_gettime(id, &now);
    return double(now.tv_sec - from.tv_sec) + 1e-9 * double(now.tv_nsec - from.tv_nsec);
  }
  double seconds[2] = {0, 0};  // CPU, real
  void stop() { seconds[0] = since(CLOCK_PROCESS_CPUTIME_ID, cpu), seconds[1] = since(CLOCK_MONOTONIC, wall); }
};

// A fresh folder for one run: its state, and luma_qrt.log on the sink.
struct RunFolder {
  std::string dir;
  explicit RunFolder(Sink sink) {
    char name[] = "/tmp/luma-qrt-bench-XXXXXX";
    dir = mkdtemp(name);
    if (sink == Sink::Null) std::filesystem::create_symlink("/dev/null", dir + "/luma_qrt.log");
  }
  ~RunFolder() { std::filesystem::remove_all(dir); }
};

// Runs `body` in a child process in `folder`; the child reports the CPU and
// real seconds between its clock's start and stop.
bool in_child(const std::string& folder, const std::function<void(Clock&)>& body, double seconds[2]) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return false;
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    if (chdir(folder.c_str()) != 0) _exit(2);
    setenv("LUMA_SIM_PROFILE", "dov", 1);
    setenv("LUMA_SIM_STATE", (folder + "/state").c_str(), 1);
    Clock clock;
    body(clock);
    ssize_t n = write(pipe_fds[1], clock.seconds, sizeof clock.seconds);
    _exit(n == sizeof clock.seconds ? 0 : 3);
  }
  close(pipe_fds[1]);
  bool ok = pid > 0 && read(pipe_fds[0], seconds, 2 * sizeof(double)) == 2 * sizeof(double);
  close(pipe_fds[0]);
  int status = 0;
  if (pid > 0) waitpid(pid, &status, 0);
  return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void timed_in_children(benchmark::State& state, Sink sink, const std::function<void(Clock&)>& body) {
  double wall = 0;
  for (auto _ : state) {
    state.PauseTiming();
    RunFolder folder(sink);
    state.ResumeTiming();
    double seconds[2];
    if (!in_child(folder.dir, body, seconds)) {
      state.SkipWithError("the child run failed");
      break;
    }
    state.SetIterationTime(seconds[0]);
    wall += seconds[1];
  }
  state.counters["wall"] = benchmark::Counter(wall, benchmark::Counter::kAvgIterations);
}

int run_report() {
  // The tool writes its console lines before it reopens standard output on its log.
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  char name[] = "luma_qrt";
  char* argv[] = {name, nullptr};
  return qrt_run(1, argv, stdin);
}

// The lines of one run's log, captured once.
std::vector<std::string> log_lines() {
  RunFolder folder(Sink::File);
  double seconds[2];
  if (!in_child(folder.dir, [](Clock&) { run_report(); }, seconds)) return {};
  std::vector<std::string> lines;
  FILE* f = std::fopen((folder.dir + "/luma_qrt.log").c_str(), "rb");
  char line[1024];
  while (f && std::fgets(line, sizeof line, f)) lines.emplace_back(line, std::strcspn(line, "\n"));
  if (f) std::fclose(f);
  return lines;
}

void add(const std::string& name, double lines, const std::function<void(Clock&)>& body,
         const std::vector<std::string>* floor = nullptr) {
  for (Sink sink : kSinks)
    add_on_sink(name, sink, lines,
                [=](benchmark::State& state) {
                  timed_in_children(state, sink, [&](Clock& clock) {
                    if (floor) {
                      // The floor writes where the run's log would go.
                      if (!std::freopen("luma_qrt.log", "w", stdout)) return;
                      clock.start();
                      for (const std::string& l : *floor) {
                        std::printf("%s\n", l.c_str());
                        std::fflush(stdout);
                      }
                      clock.stop();
                      return;
                    }
                    body(clock);
                  });
                })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  static const std::vector<std::string> lines = log_lines();
  if (lines.empty()) {
    std::fprintf(stderr, "the report run failed\n");
    return 1;
  }
  const double n = double(lines.size());
  add("printf+fflush", n, nullptr, &lines);
  add("luma_qrt run", n, [](Clock& clock) {
    clock.start();
    run_report();
    clock.stop();
  });
  // The simulated machine's start-up: profile, registry, hardware, screens.
  add("start-up", n, [](Clock& clock) {
    clock.start();
    sim::Machine::get();
    clock.stop();
  });
  // The register access driver's install (and removal) by a session.
  add("driver install", n, [](Clock& clock) {
    sim::Machine::get();
    if (!std::freopen("/dev/null", "w", stdout)) return;
    clock.start();
    opal_open(1);
    opal_close();
    clock.stop();
  });
  return run_against_floors(argc, argv, {{"luma_qrt run", "printf+fflush"}},
                            {"luma_qrt run", "printf+fflush", {"start-up", "driver install"}});
}
