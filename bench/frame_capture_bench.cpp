// get_frame_buffer of a whole 1024 x 768 plane of 4-byte pixels against
// the floor of printf plus fflush of the same lines (every message
// flushes), on a file and on /dev/null, and, for reference, hexdump -C of
// the same bytes into a file.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "hw/driver_client.h"
#include "hw/frame_capture.h"
#include "lumainfo.h"
#include "floor_report.h"
#include "sim/machine.h"

namespace {

constexpr uint32_t kWidth = 1024, kHeight = 768;


// One machine for the whole run: plane 0 at 1024 x 768, 4-byte pixels.
struct Machine {
  std::string dir;
  std::vector<uint8_t> bytes;  // the capture
  std::vector<std::string> lines;
  Machine() {
    char name[] = "/tmp/luma-fb-bench-XXXXXX";
    dir = mkdtemp(name);
    sim::Machine::boot_text("base = dov\n[machine]\nwait_scale = 0\n", dir);
    std::filesystem::current_path(dir);
    if (opal_open(1) != EXIT_OK) std::abort();
    // The plane at 1024 x 768, 4-byte pixels, whatever the screen's mode.
    const uint32_t regs[][2] = {{0x60000, kWidth - 1}, {0x6000C, kHeight - 1}, {0x70188, kWidth * 4},
                                {0x70184, 0x80000},    {0x70180, 0x98000000}};
    for (const auto& r : regs)
      if (!drv_write_reg(DRV_TARGET_MMIO, 32, r[0], r[1], 2)) std::abort();
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    if (opal_get_frame_buffer(0, 0, kWidth - 1, 0, kHeight - 1, &buffer, &size) != EXIT_OK) std::abort();
    bytes.assign(buffer, buffer + size);
    opal_free_frame_buffer(buffer);
    // The dump's own lines, captured once.
    std::string file = dir + "/lines.txt";
    {
      RedirectedStdout to(file.c_str());
      print_hex_ascii(bytes.data(), 0, bytes.size());
    }
    FILE* f = std::fopen(file.c_str(), "r");
    char line[128];
    while (f && std::fgets(line, sizeof line, f)) lines.emplace_back(line, std::strlen(line) - 1);
    if (f) std::fclose(f);
  }
};

Machine& machine() {
  static Machine m;
  return m;
}

void get_frame_buffer(benchmark::State& state) {
  for (auto _ : state) {
    cmd_args_t args{};
    tokenize_command_line("get_frame_buffer", &args);
    if (cmd_get_frame_buffer(&args) != EXIT_OK) state.SkipWithError("capture failed");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}

void flush_floor(benchmark::State& state) {
  Machine& m = machine();
  for (auto _ : state)
    for (const std::string& line : m.lines) {
      std::printf("%s\n", line.c_str());
      std::fflush(stdout);
    }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}

void BM_HexdumpC(benchmark::State& state) {
  Machine& m = machine();
  std::string in = m.dir + "/frame.bin", out = m.dir + "/hexdump.txt";
  FILE* f = std::fopen(in.c_str(), "wb");
  std::fwrite(m.bytes.data(), 1, m.bytes.size(), f);
  std::fclose(f);
  std::string command = "hexdump -C " + in + " > " + out;
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("hexdump failed");
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_HexdumpC)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  double lines = double(machine().lines.size());
  add_on_sinks("printf+fflush", lines, flush_floor, benchmark::kMillisecond);
  add_on_sinks("get_frame_buffer", lines, get_frame_buffer, benchmark::kMillisecond);
  return run_against_floors(argc, argv, {{"get_frame_buffer", "printf+fflush"}});
}
