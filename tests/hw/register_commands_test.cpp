// The named-register commands on each chipset family's simulated machine:
// whole dumps against golden files, registers that follow the screens,
// the second device, the CMOS settings and the paths without hardware.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/msglog.h"
#include "core/session.h"
#include "hw/driver_client.h"
#include "hw/hw_regs.h"
#include "commands/register_commands.h"
#include "hw/register_dump.h"
#include "lumainfo.h"
#include "oal/display.h"
#include "support/command_line.h"
#include "support/sim_fixture.h"
#include "hw_session.h"

namespace {

// A machine of one family with the register access driver installed.
class RegisterCommands : public HwSessionTest {
 protected:
  explicit RegisterCommands(std::string profile) : HwSessionTest(std::move(profile)) {}
  void TearDown() override {
    auto_report_mode = false;
    HwSessionTest::TearDown();
  }
  // Runs a command line through the joined table, as the console does.
  opal_exit_t run(const std::string& line) { return run_command_line(line, args_); }
  // What the command printed, then its result lines.
  std::string output(const std::string& line, opal_exit_t& rc) {
    StdoutCapture out;
    rc = run(line);
    std::string text = out.stop();
    for (int i = 0; i < args_.count; ++i) text += std::string("slot ") + std::to_string(i) + ": " + args_.slot[i] + "\n";
    return text;
  }
  std::string output(const std::string& line) {
    opal_exit_t rc;
    std::string text = output(line, rc);
    EXPECT_EQ(rc, EXIT_OK) << line << "\n" << text;
    return text;
  }
  // The line of a dump that holds `needle`, or "".
  static std::string line_with(const std::string& text, const std::string& needle) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
      if (l.find(needle) != std::string::npos) return l;
    return "";
  }
  uint32_t live(uint32_t offset, uint32_t device = 2) {
    uint32_t v = 0;
    EXPECT_TRUE(drv_read_mmio(32, offset, &v, device));
    return v;
  }
  cmd_args_t args_{};
};

// ---- one golden dump per family ---------------------------------------------

const char* const kDumpCommands[] = {"get_plane_regs", "get_port_regs", "get_pipe_regs",    "get_tv_regs",
                                     "read_error",     "get_fuse_regs", "get_vgacntrl",     "get_reg_lvds",
                                     "get_cmos_settings"};

class GoldenDump : public RegisterCommands, public ::testing::WithParamInterface<const char*> {
 protected:
  GoldenDump() : RegisterCommands(std::string("base = ") + GetParam() + "\n[machine]\nwait_scale = 0\n") {}
};

// tests/data/regdumps/<family>.txt: every dump command on the family's
// built-in machine. LUMA_UPDATE_GOLDEN=1 rewrites the files (read the
// difference before committing it).
TEST_P(GoldenDump, MatchesLineForLine) {
  std::string text;
  for (const char* command : kDumpCommands) {
    opal_exit_t rc;
    std::string out = output(command, rc);
    text += std::string("==== ") + command + " -> " + std::to_string(rc) + "\n" + out;
  }
  std::string path = std::string(LUMA_TEST_DATA_DIR) + "/regdumps/" + GetParam() + ".txt";
  if (std::getenv("LUMA_UPDATE_GOLDEN")) write_file(path, text);
  std::istringstream want(read_file(path)), got(text);
  int line = 0;
  for (std::string w, g;;) {
    bool more_w = static_cast<bool>(std::getline(want, w)), more_g = static_cast<bool>(std::getline(got, g));
    ++line;
    if (!more_w && !more_g) break;
    ASSERT_EQ(g, w) << path << ":" << line;
  }
}

std::string family_name(const ::testing::TestParamInfo<const char*>& p) { return p.param; }
// Every register a dump names holds a value no other one holds, so a dump
// that read the wrong offset would show it.
TEST_P(GoldenDump, EveryRegisterHoldsItsOwnValue) {
  std::vector<uint32_t> offsets;
  for (auto get : {&cmn_hw_regs_t::get_plane_regs, &cmn_hw_regs_t::get_port_regs, &cmn_hw_regs_t::get_error_regs}) {
    reg_desc_t* t = nullptr;
    uint32_t n = 0;
    (session.family->*get)(&t, &n);
    for (uint32_t i = 0; i < n; ++i) offsets.push_back(t[i].offset);
    free_reg_table(t);
  }
  size_t n = 0;
  const reg_row_t* rows = pipe_rows(&n);
  uint32_t dpll[3];
  dpll_a_offsets(session.family->family_id(), dpll);
  for (size_t i = 0; i < n; ++i) offsets.push_back(i < 3 ? dpll[i] : rows[i].offset);
  rows = tv_rows(&n);
  for (size_t i = 0; i < n; ++i) offsets.push_back(rows[i].offset);
  offsets.push_back(0x71400);
  std::map<uint32_t, uint32_t> owner;
  for (uint32_t offset : offsets) {
    uint32_t v = live(offset);
    auto [it, fresh] = owner.emplace(v, offset);
    EXPECT_TRUE(fresh || it->second == offset)
        << std::hex << "0x" << offset << " and 0x" << it->second << " both hold 0x" << v;
  }
}

INSTANTIATE_TEST_SUITE_P(Families, GoldenDump, ::testing::Values("ava", "dov", "cyr", "eft", "fyn", "bex"),
                         family_name);

}  // namespace

namespace {

// ---- registers that follow the screens ---------------------------------------

class FollowsScreens : public RegisterCommands {
 protected:
  FollowsScreens() : RegisterCommands("base = cyr\n[machine]\nwait_scale = 0\n") {}
};

TEST_F(FollowsScreens, PipeTimingPlaneAndStrideShowTheMode) {
  // The primary screen of the built-in machine: 1024x768 at 32 bits.
  EXPECT_EQ(live(0x60000) & 0xFFF, 1023u);
  EXPECT_EQ(live(0x6000C) & 0xFFF, 767u);
  EXPECT_EQ(live(0x6001C), (1023u << 16) | 767u);
  EXPECT_EQ(live(0x70188), 4096u);
  EXPECT_EQ(live(0x70180) >> 26 & 0xF, 0x6u) << "32-bit format";
  EXPECT_EQ(live(0x70180) >> 31, 1u);
  EXPECT_EQ(live(0x70008) >> 31, 1u);

  ASSERT_EQ(run("set_scrn_res 0 800x600x60"), EXIT_OK);
  EXPECT_EQ(live(0x60000) & 0xFFF, 799u);
  EXPECT_EQ(live(0x6000C) & 0xFFF, 599u);
  EXPECT_EQ(line_with(output("get_pipe_regs"), "pipe_hz_act_disp_pxls"),
            "[11:0]  pipe_hz_act_disp_pxls                   : 0x31F");

  ASSERT_EQ(run("set_scrn_res 0 640x480x60"), EXIT_OK);
  EXPECT_EQ(live(0x6001C), (639u << 16) | 479u);
  EXPECT_EQ(live(0x70188), 2560u);
}

TEST_F(FollowsScreens, ADepthChangeChangesFormatAndStride) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  mode.dmPelsWidth = 1024, mode.dmPelsHeight = 768, mode.dmBitsPerPel = 16;
  ASSERT_EQ(oal::ChangeDisplaySettingsA(&mode, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_EQ(live(0x70180) >> 26 & 0xF, 0x5u);
  EXPECT_EQ(live(0x70188), 2048u);
}

TEST_F(FollowsScreens, ADisabledPortShowsItsEnableBitClear) {
  EXPECT_EQ(live(0x61180) >> 31, 1u) << "the primary's panel";
  ASSERT_EQ(run("disable lvds"), EXIT_OK);
  EXPECT_EQ(live(0x61180) >> 31, 0u);
  EXPECT_EQ(line_with(output("get_reg_lvds"), "lvds_port_enable"), "slot 1: [31]    lvds_port_enable                        : 0x0");
  ASSERT_EQ(run("enable lvds"), EXIT_OK);
  EXPECT_EQ(live(0x61180) >> 31, 1u);
}

TEST_F(FollowsScreens, RotationSetsThePlanesRotationBit) {
  EXPECT_EQ(live(0x70180) >> 15 & 1, 0u);
  ASSERT_EQ(run("rotate lvds 180"), EXIT_OK);
  EXPECT_EQ(live(0x70180) >> 15 & 1, 1u);
  EXPECT_EQ(line_with(output("get_plane_regs"), "one_eighty_disp_rot"),
            "[15]    one_eighty_disp_rot                     : 0x1");
  ASSERT_EQ(run("rotate lvds 0"), EXIT_OK);
  EXPECT_EQ(live(0x70180) >> 15 & 1, 0u);
}

TEST_F(FollowsScreens, AWrittenRegisterKeepsItsValueUntilTheScreensChange) {
  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x70188, 0x1234, 2));
  EXPECT_EQ(live(0x70188), 0x1234u);
  ASSERT_EQ(run("set_scrn_res 0 800x600x60"), EXIT_OK);
  EXPECT_EQ(live(0x70188), 3200u);
}

// ---- particular registers and families ----------------------------------------

class EftMachine : public RegisterCommands {
 protected:
  EftMachine() : RegisterCommands("base = eft\n[machine]\nwait_scale = 0\n") {}
};

TEST_F(EftMachine, AnAllOnesRegisterIsDecodedWithoutAHeader) {
  EXPECT_EQ(live(0x680B4), 0xFFFFFFFFu);
  std::string tv = output("get_tv_regs");
  EXPECT_EQ(line_with(tv, "Wide Screen Signaling Data Register"), "");
  EXPECT_NE(line_with(tv, "Wide Screen Signaling Control Register"), "");
  // On a register with fields, the fields still follow.
  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x2024, 0xFFFFFFFF, 2));
  std::string errors = output("read_error");
  EXPECT_EQ(line_with(errors, "Page Table Error Register"), "");
  EXPECT_EQ(errors.substr(0, errors.find('\n')), "[31:19] reserved5                               : 0x1FFF");
}

TEST_F(EftMachine, OnePortRegister) {
  std::string ports = output("get_port_regs");
  // Bit 2: the SDVO device behind DVO B is on the bus.
  EXPECT_EQ(ports.substr(0, ports.find('\n')), "DVO B Port                          [0x61140 ]  : 0x4061144");
  size_t headers = 0;
  for (size_t at = 0; (at = ports.find("[0x", at)) != std::string::npos; ++at) ++headers;
  EXPECT_EQ(headers, 1u);
}

class FynMachine : public RegisterCommands {
 protected:
  FynMachine() : RegisterCommands("base = fyn\n[machine]\nwait_scale = 0\n") {}
};

TEST_F(FynMachine, PipeBComesTwiceTheSecondTimeFromDevice3) {
  EXPECT_NE(live(0x61000, 3), live(0x61000, 2));
  std::string pipe = output("get_pipe_regs");
  EXPECT_EQ(line_with(pipe, "A Control Register"), "A Control Register                  [0xF014  ]  : 0x5500F014");
  size_t b = pipe.find("Pipe B Horizantal Total Register    [0x61000 ]  : 0x55061000\n");
  ASSERT_NE(b, std::string::npos) << pipe;
  // Then device 3's value, decoded as pipe A: 0xD3061000.
  std::string after = pipe.substr(b, 400);
  EXPECT_NE(after.find("\nDevice 3\n"
                       "[31:29] reserved2                               : 0x6\n"
                       "[28:16] pipe_hz_tot_disp_clks                   : 0x1306\n"
                       "[15:12] reserved1                               : 0x1\n"
                       "[11:0]  pipe_hz_act_disp_pxls                   : 0x0\n"),
            std::string::npos)
      << after;
}

// Two screens on fyn: pipe B's registers in device 3 show the second
// screen; device 2's keep their own values.
class FynTwoScreens : public RegisterCommands {
 protected:
  FynTwoScreens()
      : RegisterCommands(
            "base = fyn\n[machine]\nwait_scale = 0\n"
            "[screen 0]\nhead = 0\nprimary = 1\nattached = 1\nwidth = 1024\nheight = 768\n"
            "[screen 1]\nhead = 1\nattached = 1\nwidth = 1280\nheight = 1024\ndepth = 16\n"
            "[lumagraph]\ndc = 0x00500048\n") {}
};

TEST_F(FynTwoScreens, PipeBLivesInDevice3) {
  EXPECT_EQ(live(0x61000, 3) & 0xFFF, 1279u);
  EXPECT_EQ(live(0x6100C, 3) & 0xFFF, 1023u);
  EXPECT_EQ(live(0x71008, 3) >> 31, 1u);
  EXPECT_EQ(live(0x61000, 2), 0x55061000u);
  // Plane B is on device 2, in 16 bits on pipe B.
  EXPECT_EQ(live(0x71180) >> 24 & 0xBF, 0x80u | 0x5u << 2 | 1u);
  EXPECT_EQ(live(0x71188), 2560u);
  // Port 5 (analog) drives the second head: enabled, on pipe B.
  EXPECT_EQ(live(0x61100) >> 30, 3u);
  std::string pipe = output("get_pipe_regs");
  EXPECT_NE(pipe.find("Device 3\n[31:29] reserved2                               : 0x0\n"
                      "[28:16] pipe_hz_tot_disp_clks                   : 0x69F\n"),
            std::string::npos)
      << pipe;
}

TEST_F(FynMachine, FuseRegisters) {
  std::string fuses = output("get_fuse_regs");
  EXPECT_EQ(line_with(fuses, "FUS_EFF5"), "FUS_EFF5                            [0xD0810BF0]  : 0x66");
}

// ---- the CMOS settings ----------------------------------------------------------

struct CmosCase {
  const char* family;
  const char* stolen;
  const char* aperture;
};
const CmosCase kCmos[] = {
    // ava's id is in no stolen-memory row; its aperture is the word at 0xB4.
    {"ava", "0x0 Bytes (0.00 MB)", "0x80 Bytes (0.00 MB)"},
    {"dov", "0x800000 Bytes (8.00 MB)", "0x8000000 Bytes (128.00 MB)"},
    {"cyr", "0x2000000 Bytes (32.00 MB)", "0x10000000 Bytes (256.00 MB)"},
    {"eft", "0x4000000 Bytes (64.00 MB)", "0x10000000 Bytes (256.00 MB)"},
    {"bex", "0x0 Bytes (0.00 MB)", "0x10000000 Bytes (256.00 MB)"},
};

void PrintTo(const CmosCase& c, std::ostream* os) { *os << c.family; }

class Cmos : public RegisterCommands, public ::testing::WithParamInterface<CmosCase> {
 protected:
  Cmos() : RegisterCommands(std::string("base = ") + GetParam().family + "\n[machine]\nwait_scale = 0\n") {}
};

TEST_P(Cmos, StolenMemoryAndAperture) {
  ASSERT_EQ(run("get_cmos_settings"), EXIT_OK);
  ASSERT_EQ(args_.count, 4);
  EXPECT_STREQ(args_.slot[0], "Function 0                                      : ENABLED");
  EXPECT_EQ(std::string(args_.slot[2]), std::string("Stolen memory size                              : ") + GetParam().stolen);
  EXPECT_EQ(std::string(args_.slot[3]), std::string("Aperture Size Present                           : ") + GetParam().aperture);
}

std::string cmos_name(const ::testing::TestParamInfo<CmosCase>& p) { return p.param.family; }
INSTANTIATE_TEST_SUITE_P(Families, Cmos, ::testing::ValuesIn(kCmos), cmos_name);

// ---- without hardware, a family or live registers ------------------------------------

class NoDriver : public SimTest {
 protected:
  void TearDown() override {
    opal_close();
    auto_report_mode = false;
    SimTest::TearDown();
  }
  opal_exit_t run(cmd_handler_t handler, std::string& out) {
    std::memset(&args_, 0, sizeof args_);
    StdoutCapture capture;
    opal_exit_t rc = handler(&args_);
    out = capture.stop();
    return rc;
  }
  cmd_args_t args_{};
};

const cmd_handler_t kFamilyCommands[] = {cmd_get_plane_regs, cmd_get_port_regs, cmd_get_pipe_regs,
                                         cmd_get_tv_regs,    cmd_read_error,    cmd_get_cmos_settings};

TEST_F(NoDriver, WithoutAFamilyObjectEveryDumpIsRefused) {
  ASSERT_EQ(session.family, nullptr);
  for (cmd_handler_t h : kFamilyCommands) {
    std::string out;
    EXPECT_EQ(run(h, out), EXIT_OS_CALL_ERROR);
    EXPECT_EQ(out, "ERROR: No chipset register maps: the library session is not open or carries none\n");
  }
}

TEST_F(NoDriver, WithoutTheDriverAvaIsChosenAndTheFirstReadEndsTheDump) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  ASSERT_NE(session.family, nullptr);
  EXPECT_EQ(session.family->family_id(), 1);
  std::string out;
  EXPECT_EQ(run(cmd_get_plane_regs, out), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(out, "ERROR: Driver not present, First install driver by calling os_initialize\n");
  EXPECT_EQ(run(cmd_get_vgacntrl, out), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(args_.count, 0);
  // Neither a device id nor a fuse can be read: a failure, not a value.
  EXPECT_EQ(run(cmd_get_fuse_regs, out), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(run(cmd_get_cmos_settings, out), EXIT_OK);
  EXPECT_EQ(args_.count, 2) << "sizes unknown without a device id";
}

TEST_F(NoDriver, AutomaticReportModeDumpsNothing) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  auto_report_mode = true;
  for (cmd_handler_t h : {cmd_get_plane_regs, cmd_get_port_regs, cmd_get_pipe_regs, cmd_get_tv_regs, cmd_read_error,
                          cmd_get_fuse_regs, cmd_get_vgacntrl, cmd_get_reg_lvds}) {
    std::string out;
    EXPECT_EQ(run(h, out), EXIT_OK);
    EXPECT_EQ(out, "");
  }
}

// The hardware table carries every dump, behind the head that answers help.
TEST_F(NoDriver, TheHardwareTableCarriesTheDumps) {
  const char* const kWords[] = {"get_plane_regs", "get_port_regs", "get_pipe_regs", "get_tv_regs", "read_error",
                                "get_fuse_regs",  "get_vgacntrl",  "get_reg_lvds",  "get_cmos_settings"};
  int32_t n = 0;
  cmd_entry_t* table = get_command_table(&n);
  for (const char* word : kWords) {
    cmd_entry_t* entry = nullptr;
    for (int32_t i = 0; i < n; ++i)
      if (std::strcmp(table[i].name, word) == 0) entry = &table[i];
    ASSERT_NE(entry, nullptr) << word;
    EXPECT_EQ(entry->handler(nullptr), EXIT_INVALID_PARAM_ERROR) << word;
    args_ = {};
    args_.help = 1;
    ASSERT_EQ(entry->handler(&args_), EXIT_OK) << word;
    ASSERT_EQ(args_.count, 2) << word;
    if (std::strcmp(word, "read_error") == 0) {
      EXPECT_STREQ(args_.slot[0], "read_error_regs");
      EXPECT_STREQ(args_.slot[1], "(Reads various error registers information)");
    } else {
      EXPECT_STREQ(args_.slot[0], word);
    }
  }
}

// A captured image: what it lacks is reported, the rest is printed.
TEST_F(NoDriver, ACaptureReportsWhatItLacksAndPrintsTheRest) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  CapturedMmio image;
  std::vector<uint8_t> bytes(0x20, 0);
  bytes[0x8] = 0x00, bytes[0x9] = 0x10;  // 0x70188: stride 0x1000
  image.add_range(0x70180, bytes);
  ScopedDumpSource replay(image);
  std::string out;
  EXPECT_EQ(run(cmd_get_plane_regs, out), EXIT_OS_CALL_ERROR);
  EXPECT_NE(out.find("Display A Stride Register           [0x70188 ]  : 0x1000\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Display B Plane Control Register    [0x71180 ]  : not captured\n"), std::string::npos);
  EXPECT_EQ(run(cmd_get_reg_lvds, out), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(out, "ERROR: Register 0x61180 is not captured\n");
}

TEST_F(NoDriver, SnapshotPairsNameRegisteredBuffersOnly) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  uint8_t copy[8] = {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0};
  char line[64];
  std::snprintf(line, sizeof line, "get_vgacntrl %llx 71400",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(copy)));
  std::memset(&args_, 0, sizeof args_);
  ASSERT_TRUE(tokenize_command_line(line, &args_));
  {
    StdoutCapture out;
    EXPECT_EQ(cmd_get_vgacntrl(&args_), EXIT_INVALID_PARAM_ERROR);
    EXPECT_NE(out.stop().find("is not a register snapshot buffer"), std::string::npos);
  }
  register_snapshot_buffer(copy, sizeof copy);
  ASSERT_TRUE(tokenize_command_line(line, &args_));
  std::string buffer = args_.slot[1];
  EXPECT_EQ(cmd_get_vgacntrl(&args_), EXIT_OK);
  EXPECT_STREQ(args_.slot[0], "VGACNTRL Value                      [0x71400 ]  : 0x12345678\n");
  EXPECT_EQ(args_.count, 5);
  // A copy starting 5 bytes below the LVDS register ends before its last
  // byte: the register is read live instead, which fails without the driver.
  ASSERT_TRUE(tokenize_command_line(("get_reg_lvds " + buffer + " 6117B").c_str(), &args_));
  {
    StdoutCapture out;
    EXPECT_EQ(cmd_get_reg_lvds(&args_), EXIT_OS_CALL_ERROR);
    EXPECT_EQ(out.stop(), "ERROR: Driver not present, First install driver by calling os_initialize\n");
  }
  ASSERT_TRUE(tokenize_command_line(("get_reg_lvds " + buffer + " 6117C").c_str(), &args_));
  EXPECT_EQ(cmd_get_reg_lvds(&args_), EXIT_OK);
  EXPECT_STREQ(args_.slot[0], "LVDS Value                          [0x61180 ]  : 0x0\n");
  unregister_snapshot_buffer(copy);
}

// A later session on another family sees its own DPLL registers.
class PipeTableAcrossSessions : public RegisterCommands {
 protected:
  PipeTableAcrossSessions() : RegisterCommands("base = fyn\n[machine]\nwait_scale = 0\n") {}
};

TEST_F(PipeTableAcrossSessions, FollowsTheSessionsFamily) {
  EXPECT_NE(line_with(output("get_pipe_regs"), "[0xF014  ]"), "");
  opal_close();
  driver_loaded = false;
  sim::Machine::boot_text("base = dov\n[machine]\nwait_scale = 0\n", state_dir_ + "/dov");
  ASSERT_EQ(opal_open(1), EXIT_OK);
  ASSERT_EQ(session.family->family_id(), 2);
  std::string pipe = output("get_pipe_regs");
  EXPECT_EQ(line_with(pipe, "[0xF014  ]"), "");
  EXPECT_EQ(line_with(pipe, "A Control Register"), "A Control Register                  [0x6014  ]  : 0x22006014");
}

}  // namespace

namespace {

// A fyn device without a host bridge: the fuse data register answers with
// no bytes, which is a failed read, not the value the buffer held.
class FynWithoutHostBridge : public RegisterCommands {
 protected:
  FynWithoutHostBridge()
      : RegisterCommands(
            "[machine]\nwait_scale = 0\n"
            "[pci 0:2.0]\nvendor = 0x1E1D\ndevice = 0x5E01\nclass = 0x030000\ncommand = 0x0007\n"
            "bar0 = 0xFE800000\nbar2 = 0xD0000008\n") {}
};

TEST_F(FynWithoutHostBridge, ShortFuseRepliesFail) {
  opal_exit_t rc;
  std::string out = output("get_fuse_regs", rc);
  EXPECT_EQ(rc, EXIT_OS_CALL_ERROR);
  EXPECT_EQ(line_with(out, "FUS_EFF"), "");
  EXPECT_NE(line_with(out, "ERROR: Failed to read from registers."), "") << out;
  // Nor can the CMOS sizes be told.
  out = output("get_cmos_settings", rc);
  EXPECT_EQ(rc, EXIT_OS_CALL_ERROR);
  EXPECT_EQ(args_.count, 2);
}

}  // namespace
