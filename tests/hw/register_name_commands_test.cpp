// luma_cli's register commands by name on the simulated machines: a field
// write changes only its bits, a preview changes nothing, bits that do not
// take are named, a watch sees the register that moves by itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "commands/register_name_commands.h"
#include "core/msglog.h"
#include "core/stop_request.h"
#include "hw/register_access.h"
#include "hw_session.h"

namespace {

const char* const kFamilies[] = {"ava", "dov", "cyr", "eft", "fyn", "bex"};

class NameCommands : public HwSessionTest {
 protected:
  using HwSessionTest::HwSessionTest;
  void SetUp() override {
    HwSessionTest::SetUp();
    saved_volume_ = debug_volume;
    debug_volume = 1;
    register_extra_commands(&register_name_commands);
  }
  void TearDown() override {
    use_live_registers();
    register_extra_commands(nullptr);
    debug_volume = saved_volume_;
    HwSessionTest::TearDown();
  }
  // A line of luma_cli's own commands, or of the library's.
  Run cli(const std::string& line) {
    Run r{};
    EXPECT_TRUE(tokenize_command_line(line.c_str(), &r.args));
    const ExtraCommands& t = register_name_commands;
    for (size_t i = 0; i < t.count; ++i)
      if (std::strcmp(t.info[i].name, r.args.slot[0]) == 0) {
        StdoutCapture capture;
        r.result = t.handlers[i].handler(&r.args);
        std::fflush(stdout);
        r.out = capture.stop();
        return r;
      }
    return run(line);
  }
  uint32_t mmio(uint32_t offset) {
    Run r = run("read_mmio " + hex(offset));
    EXPECT_EQ(r.result, EXIT_OK);
    unsigned long reg = 0, value = 0;
    EXPECT_EQ(std::sscanf(r.args.slot[0], "READ: Register: 0x%lX Value: 0x%lX", &reg, &value), 2) << r.args.slot[0];
    return static_cast<uint32_t>(value);
  }
  void set_mmio(uint32_t offset, uint32_t value) {
    ASSERT_EQ(run("write_mmio " + hex(offset) + " " + hex(value)).result, EXIT_OK);
  }
  static std::string hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
  }
  static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
  uint32_t saved_volume_ = 0;
};

class EveryFamily : public NameCommands, public ::testing::WithParamInterface<const char*> {
 protected:
  EveryFamily() : NameCommands(std::string("base = ") + GetParam() + "\n[machine]\nwait_scale = 0\n") {}
};

// Plane A's enable bit and pixel format: each family has them at 31 and 29:26.
TEST_P(EveryFamily, AFieldWriteChangesOnlyThatFieldsBits) {
  const uint32_t kStart = 0x9A5A5A5Au;
  set_mmio(0x70180, kStart);
  // cyr decodes plane B with plane A's fields: there the field alone is
  // ambiguous.
  Run w = cli(std::string("write_reg ") + (GetParam() == std::string("cyr") ? "plane_a_ctrl." : "") +
              "disp_plane_a_enable 0");
  ASSERT_EQ(w.result, EXIT_OK) << w.out;
  EXPECT_EQ(mmio(0x70180), kStart & ~0x80000000u);
  EXPECT_TRUE(has(w.out, "[0x70180 ]  : 0x9A5A5A5A -> 0x1A5A5A5A")) << w.out;
  EXPECT_TRUE(has(w.out, "    [31]    disp_plane_a_enable                     : 0x1 -> 0x0")) << w.out;
  w = cli("write_reg plane_a_ctrl.disp_a_src_pxl_fmt 0x3");
  ASSERT_EQ(w.result, EXIT_OK) << w.out;
  EXPECT_EQ(mmio(0x70180), (kStart & ~0x80000000u & ~0x3C000000u) | 0x0C000000u);
  // Only the field that changed is listed.
  EXPECT_FALSE(has(w.out, "disp_plane_a_enable")) << w.out;
}

TEST_P(EveryFamily, ADryRunLeavesTheRegisterAsItWas) {
  set_mmio(0x70180, 0x98000000u);
  Run w = cli("write_reg plane_a_ctrl.disp_plane_a_enable 0 DRY");
  ASSERT_EQ(w.result, EXIT_OK) << w.out;
  EXPECT_EQ(mmio(0x70180), 0x98000000u);
  EXPECT_TRUE(has(w.out, "Preview of write_reg plane_a_ctrl.disp_plane_a_enable 0x0: nothing written")) << w.out;
  EXPECT_TRUE(has(w.out, "0x98000000 -> 0x18000000")) << w.out;
}

INSTANTIATE_TEST_SUITE_P(Families, EveryFamily, ::testing::ValuesIn(kFamilies),
                         [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.param); });

TEST_F(NameCommands, RefusedWritesTouchNothing) {
  set_mmio(0x70180, 0x98000000u);
  struct Case {
    const char* line;
    const char* says;
  };
  const Case kCases[] = {
      {"write_reg disp_a_src_pxl_fmt 0x10", "ERROR: 0x10 does not fit plane_a_ctrl.disp_a_src_pxl_fmt: its 4 bits hold at most 0xF"},
      {"write_reg plane_a_ctrl.reserved1 0", "ERROR: plane_a_ctrl.reserved1 is reserved: every write keeps its bits"},
      {"write_reg pipe_enable 0", "ERROR: pipe_enable names 2 registers or fields of the dov family"},
      {"write_reg plane_a_ctl 0", "close names: plane_a_ctrl"},
      {"write_reg plane_a_ctrl zero", "ERROR: Invalid value: zero"},
      {"write_reg plane_a_ctrl 0 now", "ERROR: The last parameter is dry or nothing: now"},
      {"read_reg pipe_a_conf no_such_reg", "is named no_such_reg"},
      {"watch_reg pipe_a_conf 60001", "ERROR: Invalid interval: 60001"},
      {"watch_reg pipe_a_conf 10 0", "ERROR: Invalid count: 0"},
  };
  for (const Case& c : kCases) {
    Run r = cli(c.line);
    EXPECT_EQ(r.result, EXIT_INVALID_PARAM_ERROR) << c.line;
    EXPECT_TRUE(has(r.out, c.says)) << c.line << "\n" << r.out;
    // A refused read prints no register.
    EXPECT_FALSE(has(r.out, "Pipe A Configuration Register")) << c.line;
  }
  EXPECT_EQ(mmio(0x70180), 0x98000000u);
}

TEST_F(NameCommands, AWholeRegisterWriteKeepsTheReservedBits) {
  set_mmio(0x70180, 0x00000123u);
  Run w = cli("write_reg 0x70180 0xFFFFFFFF");
  ASSERT_EQ(w.result, EXIT_OK) << w.out;
  EXPECT_EQ(mmio(0x70180), 0xFFF07923u);  // dov's reserved 19:15 and 10:0 as they were
  EXPECT_TRUE(has(w.out, "The reserved fields keep their bits (0xF87FF of the value not written)")) << w.out;
}

TEST_F(NameCommands, ReadPrintsTheDumpsLines) {
  set_mmio(0x70008, 0x80000000u);
  Run dump = run("get_pipe_regs");
  Run r = cli("read_reg pipe_a_conf");
  ASSERT_EQ(r.result, EXIT_OK);
  // The dump's block for the register, exactly.
  size_t at = dump.out.find("Pipe A Configuration Register");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(dump.out.substr(at, r.out.size()), r.out);
  // A field: its register's header line and its own line.
  r = cli("read_reg pipe_a_conf.pipe_enable");
  EXPECT_EQ(r.out,
            "Pipe A Configuration Register       [0x70008 ]  : 0x80000000\n"
            "[31]    pipe_enable                             : 0x1\n\n\n");
}

TEST_F(NameCommands, FindListsNamesOffsetsTitlesAndBits) {
  Run r = cli("find_reg pipe a configuration register");
  ASSERT_EQ(r.result, EXIT_OK);
  EXPECT_TRUE(has(r.out, "pipe_a_conf              [0x70008 ] Pipe A Configuration Register (get_pipe_regs)\n"
                         "    [31]    pipe_enable\n"))
      << r.out;
  r = cli("find_reg *.disp_*_enable");
  EXPECT_TRUE(has(r.out, "0 registers and 4 fields of the dov family match *.disp_*_enable")) << r.out;
  EXPECT_FALSE(has(r.out, "reserved")) << r.out;
}

class ReadOnlyBit : public NameCommands {
 protected:
  ReadOnlyBit() : NameCommands("base = dov\n[machine]\nwait_scale = 0\n[mmio 2 read_only]\n0x70180 = 0x40000000\n") {}
};

TEST_F(ReadOnlyBit, TheReadBackNamesTheFieldThatDidNotTake) {
  set_mmio(0x70180, 0x98000000u);
  Run w = cli("write_reg plane_a_ctrl 0xDC000000");
  EXPECT_EQ(w.result, EXIT_OS_CALL_ERROR) << w.out;
  EXPECT_TRUE(has(w.out, "ERROR: Bits did not take: 0xDC000000 was written, 0x9C000000 reads back")) << w.out;
  EXPECT_TRUE(has(w.out, "    [30]    disp_a_gamma_enable                     : wrote 0x1, reads 0x0")) << w.out;
  EXPECT_FALSE(has(w.out, "disp_a_src_pxl_fmt                      : wrote")) << w.out;
  EXPECT_EQ(mmio(0x70180), 0x9C000000u);
}

// The vertical blank bit of the interrupt status comes back after each
// clear (pipe A is on); the pipe's configuration stays as it is.
TEST_F(NameCommands, WatchSeesTheMovingRegisterAndNothingOfAStillOne) {
  Run w = cli("write_reg int_status 0x80");
  EXPECT_EQ(w.result, EXIT_OS_CALL_ERROR) << w.out;  // the bit clears instead of taking
  Run still = cli("watch_reg pipe_a_conf 10 20");
  ASSERT_EQ(still.result, EXIT_OK);
  EXPECT_EQ(still.out,
            "Watching pipe_a_conf (1 register of the dov family) every 10 ms, 20 samples\n20 samples, 0 changes\n");
  ASSERT_EQ(run("write_mmio 0x20AC 0x80").result, EXIT_OK);
  Run moving = cli("watch_reg int_* 5 10");
  ASSERT_EQ(moving.result, EXIT_OK);
  EXPECT_TRUE(has(moving.out, " ms int_status: int_status_bits 0x")) << moving.out;
  EXPECT_TRUE(has(moving.out, "10 samples, 1 change\n")) << moving.out;
}

// A source that asks the watch to stop (as Ctrl-C does) at its third read.
class StopsAtThirdRead : public RegisterSource {
 public:
  bool read32(uint32_t, uint32_t* value, uint32_t) override {
    *value = ++reads;
    if (reads == 3) request_stop();
    return true;
  }
  bool is_capture() const override { return true; }
  uint32_t reads = 0;
};

TEST_F(NameCommands, AStopRequestEndsTheWatchAtTheNextSample) {
  // A request left from before the watch does not count.
  request_stop();
  Run r = cli("watch_reg pipe_a_conf 0 5");
  EXPECT_TRUE(has(r.out, "\n5 samples, 0 changes")) << r.out;
  use_captured_registers(std::make_unique<StopsAtThirdRead>(), 2, "stopping.log");
  r = cli("watch_reg tv_wss_data 1 100");
  EXPECT_EQ(r.result, EXIT_OK);
  EXPECT_TRUE(has(r.out, "\nInterrupted after 3 samples, 2 changes\n")) << r.out;
}

TEST_F(NameCommands, AReportLogIsReadWithItsFamilyAndNeverWritten) {
  std::string log = std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/fyn.log";
  Run r = cli("use_log " + log);
  ASSERT_EQ(r.result, EXIT_OK) << r.out;
  EXPECT_TRUE(has(r.out, "Decoding with the fyn family of device 0x")) << r.out;
  r = cli("find_reg plane_a_pipe_select");
  EXPECT_TRUE(has(r.out, "of the fyn family")) << r.out;
  r = cli("read_reg pipe_b_htotal");
  EXPECT_EQ(r.result, EXIT_OK) << r.out;
  EXPECT_TRUE(has(r.out, "Device 3: not captured")) << r.out;
  r = cli("write_reg plane_a_ctrl 0");
  EXPECT_EQ(r.result, EXIT_INVALID_PARAM_ERROR);
  EXPECT_TRUE(has(r.out, "registers come from " + log + " now: use_live first")) << r.out;
  r = cli("use_live");
  EXPECT_TRUE(has(r.out, "Registers now come from this machine (the dov family)")) << r.out;
  EXPECT_EQ(cli("read_reg plane_a_pipe_select").result, EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(cli("use_log /no/such.log").result, EXIT_LOGFILE_ERROR);
}

}  // namespace
