// Offline analysis: a report log read back into captured registers,
// replayed through the named-register dumps, and live registers checked
// against a file of expected values.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands/report_log.h"
#include "core/msglog.h"
#include "core/session.h"
#include "hw/driver_client.h"
#include "hw/register_source.h"
#include "lumainfo.h"
#include "support/command_line.h"
#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

uint8_t byte_at(const ReportLog& log, uint32_t offset) {
  for (size_t i = 0; i < kCapturedRanges; ++i)
    if (offset >= kCapturedRangeTable[i].first && offset <= kCapturedRangeTable[i].last)
      return log.bytes[i][offset - kCapturedRangeTable[i].first];
  ADD_FAILURE() << "offset outside the ranges";
  return 0;
}

ReportLog parsed(const std::string& text) {
  ReportLog log;
  parse_report_log(text.data(), text.size(), log);
  return log;
}

const std::string kOpen = "Function: READ_MMIO_REGS\n";
const std::string kClose = "Function: READ_MMIO_REGS, Exit Code: EXIT_OK\n";

// ---- reading a log -------------------------------------------------------

struct PlacementCase {
  const char* name;
  std::string text;
  std::map<uint32_t, uint8_t> want;  // offsets and the bytes they must hold
};

TEST(ReportLogParse, PlacesBytesByTheirLineAddress) {
  const PlacementCase cases[] = {
      {"plain dump",
       kOpen + "00001000     11 22 33 44\n00001004     55 66 77 88\n" + kClose,
       {{0x1000, 0x11}, {0x1003, 0x44}, {0x1004, 0x55}, {0x1007, 0x88}}},
      // The chunk at 0x1004 failed: later bytes stay where their address puts them.
      {"missing chunk",
       kOpen + "00001000     11 22 33 44\n00001008     99 AA BB CC\n" + kClose,
       {{0x1003, 0x44}, {0x1004, 0}, {0x1007, 0}, {0x1008, 0x99}, {0x100B, 0xCC}}},
      {"CR LF line ends",
       "Function: READ_MMIO_REGS\r\n00070180     DE AD BE EF\r\n\r\nFunction: READ_MMIO_REGS, Exit Code: EXIT_OK\r\n",
       {{0x70180, 0xDE}, {0x70183, 0xEF}}},
      // 32-bit units keep their low byte, one per token.
      {"wide values", kOpen + "00071400 12345678 9ABCDEF0\n" + kClose, {{0x71400, 0x78}, {0x71401, 0xF0}}},
      {"headings and bad tokens",
       kOpen + "Range 0\n  00071000  01 02 zz 04\nxyz 05\n" + kClose,
       {{0x71000, 1}, {0x71001, 2}, {0x71002, 0}, {0x71003, 0}}},
      // The first dump of a log wins; the second only fills what it lacked.
      {"two dumps",
       kOpen + "00070000 01 02 03 04\n" + kClose + kOpen + "00070000 F1 F2 F3 F4\n00070004 F5\n" + kClose,
       {{0x70000, 1}, {0x70003, 4}, {0x70004, 0xF5}}},
      {"outside the section", "00001000 11 22 33 44\n", {{0x1000, 0}}},
      // A line running off a range's end keeps only the bytes inside it.
      {"across a range end", kOpen + "0007000E 0A 0B 0C 0D\n" + kClose, {{0x7000E, 0x0A}, {0x7000F, 0x0B}}},
  };
  for (const PlacementCase& c : cases) {
    ReportLog log = parsed(c.text);
    for (const auto& [offset, byte] : c.want)
      EXPECT_EQ(byte_at(log, offset), byte) << c.name << std::hex << " at 0x" << offset;
  }
}

TEST(ReportLogParse, DropsLinesOutsideTheNineRanges) {
  ReportLog log = parsed(kOpen + "0000B000 11 22 33 44\n00080000 55\nFFFFFFFE 01 02 03 04\n" + kClose);
  EXPECT_EQ(log.bytes_placed, 0u);
}

TEST(ReportLogParse, ReadsTheChipsetLineAndStopsAtAnOverlongLine) {
  ReportLog log = parsed("x\nChipset: 0x2E12, Revision: 0x3, Name: X\n" + kOpen + "00001000 AA\n" +
                         std::string(512, '0') + "\n00001001 BB\n" + kClose);
  EXPECT_TRUE(log.has_device_id);
  EXPECT_EQ(log.device_id, 0x2E12);
  EXPECT_EQ(log.long_line, 5u);
  EXPECT_EQ(byte_at(log, 0x1000), 0xAA);
  EXPECT_EQ(byte_at(log, 0x1001), 0) << "nothing after the long line is read";

  ReportLog fits = parsed(kOpen + std::string(511, ' ') + "\r\n00001000 AA\n");
  EXPECT_EQ(fits.long_line, 0u) << "511 characters and CR LF fit";
  EXPECT_EQ(byte_at(fits, 0x1000), 0xAA);
  EXPECT_FALSE(parsed(kOpen).has_device_id);
}

// ---- replay on the simulated machines ------------------------------------

const char* const kFamilies[] = {"ava", "dov", "cyr", "eft", "fyn", "bex"};
const char* const kDumps[] = {"read_error", "get_pipe_regs", "get_port_regs", "get_plane_regs",
                              "get_vgacntrl", "get_reg_lvds", "get_tv_regs"};

std::map<std::string, std::string> machine(const std::string& profile, const std::string& state) {
  return {{"LUMA_SIM_PROFILE", profile}, {"LUMA_SIM_STATE", state}};
}

// The lines between "Function: <NAME>" and its exit line in a log.
std::vector<std::string> block(const std::string& log, std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::istringstream in(log);
  std::vector<std::string> lines;
  bool in_block = false;
  for (std::string l; std::getline(in, l);) {
    if (l == "Function: " + name) {
      in_block = true;
    } else if (in_block && l.rfind("Function: " + name + ", Exit Code:", 0) == 0) {
      return lines;
    } else if (in_block) {
      lines.push_back(l);
    }
  }
  ADD_FAILURE() << "no block " << name;
  return lines;
}

// A dump as its registers: header prefix (title and offset) -> its lines.
std::vector<std::pair<std::string, std::vector<std::string>>> registers(const std::vector<std::string>& lines) {
  std::vector<std::pair<std::string, std::vector<std::string>>> regs;
  for (const std::string& l : lines) {
    size_t bracket = l.find("]  : ");
    if (l.find(" [0x") != std::string::npos && bracket != std::string::npos)
      regs.push_back({l.substr(0, bracket), {}});
    if (!regs.empty()) regs.back().second.push_back(l);
  }
  return regs;
}

class Replay : public ::testing::TestWithParam<int> {};

// luma_qrt's automatic log, replayed on another family's machine, gives
// the dumps the captured machine gives live, register for register; only
// what the log cannot hold reads as not captured.
TEST_P(Replay, AnotherMachineReplaysTheCapturedMachinesDumps) {
  const std::string captured = kFamilies[GetParam()];
  const std::string analyser = kFamilies[(GetParam() + 1) % 6];
  std::string dir = make_temp_dir("replay-" + captured);
  ToolRun qrt = run_tool("luma_qrt", {}, "", machine(captured, dir + "/state-captured"));
  ASSERT_EQ(qrt.status, 0) << qrt.console;
  std::string script = "set_debug_vol 2\n";
  for (const char* d : kDumps) script += std::string(d) + "\n";
  ToolRun live = run_tool("luma_cli", {"--script"}, script + "quit\n", machine(captured, dir + "/state-captured"));
  // A fresh log and the one kept with the tests (tests/data/qrt_logs).
  for (std::string log_path :
       {qrt.dir + "/luma_qrt.log", std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/" + captured + ".log"}) {
    SCOPED_TRACE(log_path);
    ToolRun replay = run_tool("luma_cli", {"--script"}, "set_debug_vol 2\nparse_qrt " + log_path + "\nquit\n",
                              machine(analyser, dir + "/state-analyser"));
    EXPECT_NE(replay.log.find("Decoding with the " + captured + " family of device 0x"), std::string::npos)
        << replay.log.substr(0, 2000);
    // A log holds everything a log can hold: registers beyond its ranges
    // are not failed reads, so every dump and the replay end well.
    for (const char* step : {"GET_PIPE_REGS", "GET_PORT_REGS", "READ_ERROR", "PARSE_QRT"})
      EXPECT_NE(replay.log.find(std::string("Function: ") + step + ", Exit Code: EXIT_OK"), std::string::npos)
          << step;

    for (const char* d : kDumps) {
      auto want = registers(block(live.log, d));
      auto got = registers(block(replay.log, d));
      ASSERT_EQ(got.size(), want.size()) << d;
      ASSERT_FALSE(want.empty()) << d;
      bool after_other_device = false;
      for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got[i].first, want[i].first) << d;
        // The second function of a two-function device is never in a log.
        bool other_device = false;
        for (const std::string& l : got[i].second) other_device |= l == "Device 3: not captured";
        if (other_device) {
          bool live_other = false;
          for (const std::string& l : want[i].second) live_other |= l == "Device 3";
          EXPECT_TRUE(live_other) << d << ": " << want[i].first;
          after_other_device = true;
          continue;
        }
        // The other device's header, printed after its device line.
        if (after_other_device && got[i].second.front().find(": not captured") != std::string::npos) {
          after_other_device = false;
          continue;
        }
        after_other_device = false;
        if (got[i].second.front().find(": not captured") != std::string::npos) {
          // Only registers beyond the nine ranges may be missing.
          uint32_t offset = std::stoul(got[i].first.substr(got[i].first.find("[0x") + 3), nullptr, 16);
          bool inside = false;
          for (const CapturedRange& r : kCapturedRangeTable) inside |= offset >= r.first && offset + 3 <= r.last;
          EXPECT_FALSE(inside) << d << ": " << got[i].first;
          continue;
        }
        EXPECT_EQ(got[i].second, want[i].second) << d << ": " << want[i].first;
      }
    }
    // The fuses are never in a log: the replay shows none of this machine's.
    std::vector<std::string> fuse = block(replay.log, "get_fuse_regs");
    std::string fuse_text;
    for (const std::string& l : fuse) fuse_text += l + "\n";
    if (captured == "fyn")
      EXPECT_NE(fuse_text.find("FUS_EFF0                            [0xD08106F0]  : not captured"), std::string::npos)
          << fuse_text;
    else
      EXPECT_NE(fuse_text.find("No Fuse Registers to read"), std::string::npos) << fuse_text;
  }
  remove_tree(dir);
}

std::string family_of(const ::testing::TestParamInfo<int>& p) { return kFamilies[p.param]; }
INSTANTIATE_TEST_SUITE_P(Families, Replay, ::testing::Range(0, 6), family_of);

// luma_cli --compare on logs luma_qrt wrote: the same capture, one plane
// control field changed by hand, another family, and a missing file.
TEST(CompareLogs, NamesTheFieldsThatDifferAndSaysSoInItsStatus) {
  std::string dir = make_temp_dir("compare");
  ToolRun dov = run_tool("luma_qrt", {}, "", machine("dov", dir + "/state-dov"));
  ToolRun fyn = run_tool("luma_qrt", {}, "", machine("fyn", dir + "/state-fyn"));
  ASSERT_EQ(dov.status, 0);
  ASSERT_EQ(fyn.status, 0);
  std::string a = dov.dir + "/luma_qrt.log", b = fyn.dir + "/luma_qrt.log";
  // Pipe select (bits 25:24) of the plane A control register set to 1,
  // with CR LF line ends, which must not count as a difference.
  std::string changed = read_file(a);
  size_t at = changed.find("\n00070180 ");
  ASSERT_NE(at, std::string::npos);
  size_t eol = changed.find('\n', at + 1);
  std::istringstream bytes(changed.substr(at + 10, eol - at - 10));
  std::vector<std::string> b4{std::istream_iterator<std::string>(bytes), {}};
  ASSERT_EQ(b4.size(), 4u);
  uint32_t top = std::stoul(b4[3], nullptr, 16) ^ 0x01;
  char line[64];
  std::snprintf(line, sizeof line, "\n00070180     %s %s %s %02X", b4[0].c_str(), b4[1].c_str(), b4[2].c_str(), top);
  changed.replace(at, eol - at, line);
  std::string crlf;
  for (char c : changed) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  write_file(dir + "/changed.log", crlf);

  struct Case {
    std::string first, second;
    int status;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {a, a, 0, {"The captures agree on every named register"}},
      {a, dir + "/changed.log", 1,
       {"Display A Plane Control Register    [0x70180 ] : 0x", "disp_a_pipe_select                      : 0x",
        "1 named registers differ"}},
      {a, b, 1, {"The captures are of two chipset families: " + a + " is dov (device 0x2B02), " + b + " is fyn"}},
      {a, dir + "/none.log", 2, {"ERROR: Failed to open " + dir + "/none.log"}},
  };
  for (const Case& c : cases) {
    ToolRun run = run_tool("luma_cli", {"--compare", c.first, c.second});
    EXPECT_EQ(run.status, c.status) << run.console;
    for (const std::string& l : c.lines) EXPECT_NE(run.console.find(l), std::string::npos) << l << "\n" << run.console;
  }
  // Only the changed field is listed.
  ToolRun run = run_tool("luma_cli", {"--compare", a, dir + "/changed.log"});
  EXPECT_EQ(run.console.find("disp_a_src_pxl_fmt"), std::string::npos) << run.console;
  remove_tree(dir);
}

// In-process runs on the dov machine with the driver installed.
class OfflineCommands : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(opal_open(1), EXIT_OK);
    debug_volume = 1;
    dir_ = make_temp_dir("offline");
  }
  void TearDown() override {
    remove_tree(dir_);
    opal_close();
    driver_loaded = false;
    auto_report_mode = false;
    debug_volume = 0;
    SimTest::TearDown();
  }
  std::string output(const std::string& line, opal_exit_t& rc) {
    StdoutCapture out;
    rc = run_command_line(line, args_);
    return out.stop();
  }
  std::string file(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    write_file(path, text);
    return path;
  }
  uint32_t live(uint32_t offset) {
    uint32_t v = 0;
    EXPECT_TRUE(drv_read_mmio(32, offset, &v, 2));
    return v;
  }
  std::string dir_;
  cmd_args_t args_{};
};

TEST_F(OfflineCommands, ParseQrtWithoutASectionDecodesZerosWithTheSessionFamily) {
  opal_exit_t rc;
  std::string out = output("parse_qrt " + file("empty.log", "no dump here\n"), rc);
  EXPECT_NE(out.find("The log names no chipset: decoding with this machine's dov family"), std::string::npos) << out;
  EXPECT_NE(out.find("VGACNTRL Value                      [0x71400 ]  : 0x0"), std::string::npos) << out;
  EXPECT_NE(out.find("\t============================"), std::string::npos);
  EXPECT_EQ(out.find(std::to_string(live(0x71400))), std::string::npos) << "no live value leaks into a replay";
}

TEST_F(OfflineCommands, ParseQrtErrorsAndTheAutomaticReport) {
  opal_exit_t rc;
  std::string out = output("parse_qrt " + dir_ + "/missing.log", rc);
  EXPECT_EQ(rc, EXIT_LOGFILE_ERROR);
  EXPECT_NE(out.find("ERROR: Failed to open " + dir_ + "/missing.log"), std::string::npos) << out;

  out = output("parse_qrt " + file("long.log", std::string(600, 'x') + "\n"), rc);
  EXPECT_NE(out.find("WARNING: Line 1 of " + dir_ + "/long.log is longer than 511 characters"), std::string::npos)
      << out;

  auto_report_mode = true;
  out = output("parse_qrt " + file("a.log", kOpen + "00071400 01 02 03 04\n" + kClose), rc);
  EXPECT_EQ(rc, EXIT_OK);
  EXPECT_EQ(out.find("VGACNTRL"), std::string::npos) << out;
  EXPECT_NE(out.find("\t============================"), std::string::npos);
}

struct CheckCase {
  const char* name;
  std::string text;  // %A, %B: the live values of 0x70180 and 0x71400; %C: %B with its low bit flipped
  opal_exit_t rc;
  std::vector<std::string> lines;  // what the output must hold
};

std::string hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", v);
  return text;
}

TEST_F(OfflineCommands, CheckRegsAgainstTheLiveRegisters) {
  uint32_t a = live(0x70180), b = live(0x71400);
  const CheckCase cases[] = {
      {"pass", "0x70180 0xFFFFFFFF %A\n0x71400\t0xFF00 %B extra fields\n", EXIT_OK, {}},
      {"CR LF", "0x70180 0xFFFFFFFF %A\r\n", EXIT_OK, {}},
      {"mask 0", "0x70180 0 0x12345\n", EXIT_OK, {}},
      {"mismatch",
       "0x70180 0xFFFFFFFF %A\n0x71400 0xF %C\n",
       EXIT_GENERIC_ERROR,
       {"ERROR: Line 2, 0x71400 0xF %C", "ERROR: Value & Mask = " + hex((b ^ 1) & 0xF),
        "ERROR: Actual_Value & Mask = " + hex(b & 0xF)}},
      {"blank line", "\n0x70180 0 0\n", EXIT_INVALID_PARAM_ERROR, {"ERROR: Line 1, 1st parameter invalid"}},
      {"no mask", "0x70180 0 0\n0x70180\n", EXIT_INVALID_PARAM_ERROR, {"ERROR: Line 2, 2nd parameter invalid"}},
      // Not 0 that a mask of 0 would pass.
      {"bad number", "0x70180 0 zz\n", EXIT_INVALID_PARAM_ERROR, {"ERROR: Line 1, 3rd parameter invalid"}},
      {"long line", "0x70180 0 0 " + std::string(250, 'x') + "\n0x70180 0xFFFFFFFF 1\n", EXIT_INVALID_PARAM_ERROR,
       {"ERROR: Line 1 is longer than 255 characters"}},
  };
  for (const CheckCase& c : cases) {
    std::string text = c.text;
    const std::pair<std::string, uint32_t> marks[] = {{"%A", a}, {"%B", b}, {"%C", b ^ 1}};
    for (const auto& [mark, value] : marks)
      for (size_t at; (at = text.find(mark)) != std::string::npos;) text.replace(at, 2, hex(value));
    opal_exit_t rc;
    std::string out = output("check_regs " + file("expected.txt", text), rc);
    EXPECT_EQ(rc, c.rc) << c.name << "\n" << out;
    for (std::string want : c.lines) {
      for (size_t at; (at = want.find("%C")) != std::string::npos;) want.replace(at, 2, hex(b ^ 1));
      EXPECT_NE(out.find(want), std::string::npos) << c.name << ": " << want << "\n" << out;
    }
  }
  opal_exit_t rc;
  std::string out = output("check_regs " + dir_ + "/none.txt", rc);
  EXPECT_EQ(rc, EXIT_INVALID_PARAM_ERROR);
  EXPECT_NE(out.find("ERROR: File " + dir_ + "/none.txt not present"), std::string::npos) << out;
}

}  // namespace
