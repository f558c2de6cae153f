// The display commands over the simulated Lumagraph driver: their words,
// their slots and exit codes, and what they change on the desktop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/display_commands.h"
#include "core/msglog.h"
#include "display/display_sim.h"
#include "lumainfo.h"
#include "support/display_session.h"
#include "support/command_line.h"
#include "support/sim_fixture.h"

using Changes = std::vector<std::string>;

namespace {

// ---- words ------------------------------------------------------------------

struct PortWord {
  const char* word;
  uint32_t port;
};
const PortWord kPortWords[] = {
    {"TV", PORT_TV},      {"sdvoa", PORT_TV},    {"SdvoB", PORT_DVOB}, {"SDVOC", PORT_DVOC},
    {"lvds", PORT_LVDS},  {"CRT", PORT_ANALOG},  {"HDMI", 0},          {"ANALOG", 0},
    {"", 0},              {"TVX", 0},            {"T", 0},             {"4", 0},
};

TEST(DisplayWords, PortTypes) {
  for (const auto& w : kPortWords) EXPECT_EQ(port_type_number(w.word), w.port) << w.word;
  EXPECT_EQ(port_type_number(nullptr), 0u);
}

TEST(DisplayWords, ConfigurationKeywordsAndNames) {
  EXPECT_EQ(config_keyword_type("single"), 1u);
  EXPECT_EQ(config_keyword_type("CLONE"), 2u);
  EXPECT_EQ(config_keyword_type("Twin"), 4u);
  EXPECT_EQ(config_keyword_type("extended"), 8u);
  EXPECT_EQ(config_keyword_type("extend"), 0u);
  EXPECT_EQ(config_keyword_type("0x41"), 0u);
  EXPECT_STREQ(config_type_name(8), "MULTI_TYPE_EXTENDED");
  EXPECT_STREQ(config_type_name(3), "Unknown");
  EXPECT_STREQ(port_role_name(PRIMARY_MASTER), "PRIMARY_MASTER");
  EXPECT_STREQ(port_role_name(SECONDARY_TWIN2), "SECONDARY_TWIN2");
  EXPECT_STREQ(port_role_name(0), "Unknown");
  EXPECT_STREQ(port_role_name(8), "Unknown");
}

struct ModeCase {
  const char* text;
  ModeTextResult result;
  uint16_t width, height, refresh;
};
const ModeCase kModeCases[] = {
    {"1024x768x60", ModeTextResult::Ok, 1024, 768, 60},
    {"1280X1024X75", ModeTextResult::Ok, 1280, 1024, 75},
    {"800x600x60x99", ModeTextResult::Ok, 800, 600, 60},   // pieces after the third are not read
    {"1024xx768x60", ModeTextResult::Ok, 1024, 768, 60},   // a run of X separates once
    {"12abcx34yx5z", ModeTextResult::Ok, 12, 34, 5},       // leading digits
    {"axbxc", ModeTextResult::Ok, 0, 0, 0},                // non-numeric reads as 0
    {"-800x600x60", ModeTextResult::Ok, 0, 600, 60},
    {"65535x1x1", ModeTextResult::Ok, 65535, 1, 1},
    {"1024x768", ModeTextResult::TooFewPieces, 0, 0, 0},
    {"1024x768x", ModeTextResult::TooFewPieces, 0, 0, 0},
    {"x", ModeTextResult::TooFewPieces, 0, 0, 0},
    {"", ModeTextResult::TooFewPieces, 0, 0, 0},
    {"65536x768x60", ModeTextResult::OutOfRange, 0, 0, 0},
    {"800x600x99999999999999999999", ModeTextResult::OutOfRange, 0, 0, 0},
};

TEST(DisplayWords, DecimalNumbers) {
  struct Case {
    const char* text;
    bool reads;
    uint32_t value;
  } cases[] = {
      {"0", true, 0},           {"90", true, 90},     {"4294967295", true, 0xFFFFFFFFu},
      {"4294967296", false, 0}, {"", false, 0},       {"-1", false, 0},
      {"1a", false, 0},         {" 1", false, 0},     {"0x10", false, 0},
  };
  for (const auto& c : cases) {
    uint32_t v = 7;
    EXPECT_EQ(parse_decimal(c.text, v), c.reads) << c.text;
    if (c.reads) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  uint32_t v = 0;
  EXPECT_FALSE(parse_decimal(nullptr, v));
}

TEST(DisplayWords, ModeTexts) {
  for (const auto& c : kModeCases) {
    ModeText m;
    ASSERT_EQ(parse_mode_text(c.text, m), c.result) << c.text;
    if (c.result != ModeTextResult::Ok) continue;
    EXPECT_EQ(m.width, c.width) << c.text;
    EXPECT_EQ(m.height, c.height) << c.text;
    EXPECT_EQ(m.refresh, c.refresh) << c.text;
  }
  ModeText m;
  EXPECT_EQ(parse_mode_text(nullptr, m), ModeTextResult::TooFewPieces);
}

// ---- commands on the simulated machine -------------------------------------

class DisplayCommands : public DisplaySessionTest {
 protected:
  DisplayCommands() : DisplaySessionTest("base = dov\n[machine]\nwait_scale = 0\n") {}
  // Runs a command line through the joined table, as the console does.
  opal_exit_t run(const std::string& line) { return run_command_line(line, args_); }
  // Runs it and returns what it wrote through the message writer.
  std::string run_quiet(const std::string& line, opal_exit_t& rc) {
    StdoutCapture out;
    rc = run(line);
    return out.stop();
  }
  std::vector<std::string> slots() const {
    std::vector<std::string> v;
    for (int i = 0; i < args_.count; ++i) v.emplace_back(args_.slot[i]);
    return v;
  }
  uint32_t rotation_of(uint32_t port) {
    uint32_t flip = 0, rotation = 0;
    EXPECT_EQ(opal_get_flip_rot(port, &flip, &rotation), EXIT_OK);
    return rotation;
  }
  uint32_t flip_of(uint32_t port) {
    uint32_t flip = 0, rotation = 0;
    EXPECT_EQ(opal_get_flip_rot(port, &flip, &rotation), EXIT_OK);
    return flip;
  }
  cmd_args_t args_{};
};

class DualCommands : public DisplayCommands {
 protected:
  DualCommands() { profile_ = "dov-dual"; }
};

TEST_F(DisplayCommands, CurrentDcSlots) {
  ASSERT_EQ(run("get_cur_dc"), EXIT_OK);
  EXPECT_EQ(slots(), (std::vector<std::string>{"The current dc is 0x41", "The current display mode is MULTI_TYPE_SINGLE",
                                              "PRIMARY_MASTER is 4", "PRIMARY_TWIN1 is 0", "PRIMARY_TWIN2 is 0",
                                              "PRIMARY_TWIN3 is 0", "SECONDARY_MASTER is 0", "SECONDARY_TWIN1 is 0",
                                              "SECONDARY_TWIN2 is 0"}));
}

TEST_F(DualCommands, CurrentModeHasThreeSlotsPerPortNumberedByField) {
  opal_exit_t rc = 99;
  std::string said = run_quiet("get_current_disp_mode", rc);
  ASSERT_EQ(rc, EXIT_OK);
  EXPECT_EQ(said, "Current DC is 0x500048\n\nPort number is 0x4\n\nPort number is 0x5\n\n");
  ASSERT_EQ(args_.count, 6);
  std::string label = [](const char* l) { return std::string(l) + std::string(48 - std::strlen(l), ' ') + ": "; }("Width");
  EXPECT_EQ(std::string(args_.slot[0]).rfind("Display1\n" + label + "1024\n", 0), 0u) << args_.slot[0];
  EXPECT_EQ(std::string(args_.slot[3]).rfind("Display5\n" + label + "1280\n", 0), 0u) << args_.slot[3];
  EXPECT_NE(std::string(args_.slot[4]).find("Pd_name                                         : crt"), std::string::npos);
  EXPECT_EQ(std::string(args_.slot[5]),
            "User Alias                                      : crt_port\n"
            "Pd_version                                      : 65538\n"
            "Pd_type                                         : 5");
}

TEST_F(DualCommands, RotationStatusPerPort) {
  ASSERT_EQ(opal_set_flip_rot(PORT_ANALOG, 1, 180), EXIT_OK);
  ASSERT_EQ(run("get_rot_status"), EXIT_OK);
  auto line = [](const char* label, const char* value) {
    return std::string(label) + std::string(48 - std::strlen(label), ' ') + ": " + value;
  };
  EXPECT_EQ(slots(), (std::vector<std::string>{line("Port number", "0x4"), line("Rotation Degrees", "0"),
                                              line("Flip", "0"), line("Port number", "0x5"),
                                              line("Rotation Degrees", "180"), line("Flip", "1")}));
}

TEST_F(DisplayCommands, RotateAndFlipKeepTheOtherSetting) {
  // Both spellings of the first port name the same port.
  ASSERT_EQ(run("rotate tv 180"), EXIT_OK);
  EXPECT_EQ(rotation_of(PORT_TV), 180u);
  ASSERT_EQ(run("rotate SDVOA 0"), EXIT_OK);
  EXPECT_EQ(rotation_of(PORT_TV), 0u);
  EXPECT_EQ(args_.count, 0);

  ASSERT_EQ(run("rotate lvds 90"), EXIT_OK);
  ASSERT_EQ(run("flip LVDS 1"), EXIT_OK);
  EXPECT_EQ(rotation_of(PORT_LVDS), 90u);
  EXPECT_EQ(flip_of(PORT_LVDS), 1u);
  ASSERT_EQ(run("rotate lvds 270"), EXIT_OK);
  EXPECT_EQ(flip_of(PORT_LVDS), 1u);
  EXPECT_EQ(rotation_of(PORT_LVDS), 270u);
}

struct Refusal {
  const char* line;
  opal_exit_t rc;
  const char* message;  // what the message writer got
};
const Refusal kRefusals[] = {
    {"rotate hdmi 90", EXIT_INVALID_PARAM_ERROR, "Invalid port specified\n\n"},
    {"flip crtx 1", EXIT_INVALID_PARAM_ERROR, "Invalid port specified\n\n"},
    {"rotate lvds 45", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid Rotation specified\n"},
    {"rotate lvds abc", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid Rotation specified\n"},
    {"rotate lvds 4294967386", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid Rotation specified\n"},  // 2^32 + 90
    {"flip lvds 2", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid Flip specified\n"},
    {"flip lvds 1x", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid Flip specified\n"},
    {"rotate sdvoc 90", EXIT_OS_CALL_ERROR, "ERROR while sending VARNEL_ESCAPE_GET_ROTATION_FLIP escape key\n"},
    {"enable HDMI", EXIT_INVALID_PARAM_ERROR, "Invalid port specified\n\n"},
    {"disable sdvoc", EXIT_DRIVER_STATUS_ERROR, "ERROR while sending VARNEL_ESCAPE_ENABLE_PORT escape key\n"},
    {"enable tv", EXIT_DRIVER_STATUS_ERROR, "ERROR while sending VARNEL_ESCAPE_ENABLE_PORT escape key\n"},
    {"set_scrn_res 1 800x600x60", EXIT_OS_CALL_ERROR, "ERROR: Invalid screen number\n"},
    {"set_scrn_res one 800x600x60", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid screen number one\n"},
    {"set_scrn_res 0 800x600", EXIT_INVALID_PARAM_ERROR, ""},
    {"set_scrn_res all 800x600x70000", EXIT_INVALID_PARAM_ERROR,
     "ERROR: Invalid mode 800x600x70000: width, height and refresh go up to 65535\n"},
    {"get_video_fps pause", EXIT_INVALID_PARAM_ERROR, ""},
    {"get_video_fps fps", EXIT_OS_CALL_ERROR, "ERROR while sending VARNEL_ESCAPE_GET_VID_RENDERING_INFO escape key\n"},
};

TEST_F(DisplayCommands, RefusalsChangeNothing) {
  // The dov driver has no SDVOC port and refuses to enable its TV port.
  for (const auto& r : kRefusals) {
    opal_exit_t rc = 99;
    std::string said = run_quiet(r.line, rc);
    EXPECT_EQ(rc, r.rc) << r.line;
    EXPECT_EQ(said, r.message) << r.line;
    EXPECT_TRUE(sim::display_changes().empty()) << r.line;
    EXPECT_EQ(rotation_of(PORT_LVDS), 0u) << r.line;
    EXPECT_EQ(flip_of(PORT_LVDS), 0u) << r.line;
  }
}

TEST_F(DisplayCommands, EnableAndDisableReachThePort) {
  opal_port_info_t info;
  ASSERT_EQ(run("disable CRT"), EXIT_OK);
  EXPECT_EQ(args_.count, 0);
  ASSERT_EQ(opal_get_port_info(PORT_ANALOG, &info), EXIT_OK);
  EXPECT_EQ(info.enable, 0u);
  ASSERT_EQ(run("enable crt"), EXIT_OK);
  ASSERT_EQ(opal_get_port_info(PORT_ANALOG, &info), EXIT_OK);
  EXPECT_EQ(info.enable, 1u);
}

TEST_F(DisplayCommands, VideoFpsCountsOneSlot) {
  ASSERT_EQ(run("get_video_fps START"), EXIT_OK);
  EXPECT_EQ(slots(), (std::vector<std::string>{"get_video_fps"}));
  ASSERT_EQ(run("get_video_fps Fps"), EXIT_OK);
  // The simulated driver counted 600 fields in 10 seconds.
  EXPECT_EQ(slots(), (std::vector<std::string>{
                         "FPS                                             : 30.000000\n"
                         "Used Hardware Decode                            : 1\n"
                         "Used Overlay                                    : 1"}));
  ASSERT_EQ(run("get_video_fps pause"), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(args_.count, 1);
}

TEST_F(DisplayCommands, ScreenResolutionOfAllScreens) {
  ASSERT_EQ(run("set_scrn_res ALL 800x600x60"), EXIT_OK);
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "800x600x32@60 0x10000009"), "commit"}));
  sim::clear_display_changes();
  ASSERT_EQ(run("set_scrn_res 0 1280X800X60"), EXIT_OK);
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "1280x800x32@60 0x10000009"), "commit"}));
}

TEST_F(DisplayCommands, ResolutionWindowsRefusesIsAFailure) {
  opal_port_info_t info;
  ASSERT_EQ(run("set_scrn_res all 1920x1080x60"), EXIT_OS_CALL_ERROR);
  ASSERT_EQ(opal_get_port_info(PORT_LVDS, &info), EXIT_OK);
  EXPECT_EQ(info.width, 1024u);
  // The TV port is not on the desktop: the driver turns it, but the panel's
  // screen cannot take the swapped resolution the desktop is re-applied with.
  EXPECT_EQ(run("rotate tv 90"), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(rotation_of(PORT_TV), 90u);
  ASSERT_EQ(opal_get_port_info(PORT_LVDS, &info), EXIT_OK);
  EXPECT_EQ(info.width, 1024u);
}

TEST_F(DisplayCommands, ListsGoThroughTheMessageWriter) {
  opal_exit_t rc = 99;
  std::string said = run_quiet("get_drv_mode_list", rc);
  ASSERT_EQ(rc, EXIT_OK);
  EXPECT_EQ(said, "Total Modes available: 4\n\nWidth\tHeight\tRefresh Rate\n\n640\t480\t60\n800\t600\t60\n"
                  "1024\t768\t60\n1280\t800\t60\n");
  said = run_quiet("get_dc_list", rc);
  ASSERT_EQ(rc, EXIT_OK);
  EXPECT_EQ(said.rfind("Total DCs available: 12\nDC list: \n1 0x00000041 LVDS\n2 0x00000051 ANALOG\n", 0), 0u)
      << said;
  EXPECT_NE(said.find("\n8 0x00500048 LVDS -> ANALOG\n"), std::string::npos);
  EXPECT_EQ(args_.count, 0);
  // Nothing is written at volume 0, and the status stays.
  uint32_t old = debug_volume;
  opal_set_debug_volume(0);
  said = run_quiet("get_dc_list", rc);
  opal_set_debug_volume(old);
  EXPECT_EQ(rc, EXIT_OK);
  EXPECT_EQ(said, "");
}

TEST_F(DualCommands, DisplayPortMap) {
  opal_exit_t rc = 99;
  std::string said = run_quiet("get_disp_port_map", rc);
  ASSERT_EQ(rc, EXIT_OK);
  EXPECT_EQ(said,
            "ABSOLUTE DISPLAY NUM     RELATIVE DISPLAY NUM     IS PRIMARY     PORTS     \n"
            "0                        0                        YES            4  \n"
            "1                        1                        NO             5  \n");
}

TEST_F(DisplayCommands, PortAttributesOfEveryPortOfTheDc) {
  opal_exit_t rc = 99;
  std::string said = run_quiet("get_port_attrib", rc);
  ASSERT_EQ(rc, EXIT_OK);
  EXPECT_EQ(args_.count, 0);
  EXPECT_EQ(said.rfind("ID\tTYPE\tName\tFlags\t\tDef Value\tCur Value\n35\t1\tGamma\t0\t2105376\t2105376\n", 0), 0u)
      << said;
  EXPECT_NE(said.find("\n4\t1\tPanel Power Delay\t8\t200\t200\n"), std::string::npos);
}

// ---- set_display_mode -------------------------------------------------------

// A dov machine whose driver offers exactly these dcs, starting on the first.
std::string dov_with_dcs(const std::string& dcs, const std::string& dc) {
  return "base = dov\n[machine]\nwait_scale = 0\n[lumagraph]\ndcs = " + dcs + "\ndc = " + dc + "\n";
}

struct SetModeCase {
  const char* name;
  std::string profile;
  const char* line;
  opal_exit_t rc;
  uint32_t dc_after;
  Changes changes;
};

void PrintTo(const SetModeCase& c, std::ostream* os) { *os << c.line; }

class SetDisplayMode : public DisplayCommands, public ::testing::WithParamInterface<SetModeCase> {
 protected:
  SetDisplayMode() { profile_ = GetParam().profile; }
};

const SetModeCase kSetModeCases[] = {
    // Two clone dcs: the first listed one is used, whichever it is.
    {"CloneTakesFirstListed", dov_with_dcs("0x41, 0x542, 0x1452", "0x41"), "set_display_mode clone 1024x768x60",
     EXIT_OK, 0x542,
     {"set_dc 0x542", on(kD1, "1024x768x16@60 0x40000009"), on(kD1, "1024x768x32@60 0x10000009"), "commit"}},
    {"CloneTakesFirstListedOtherOrder", dov_with_dcs("0x41, 0x1452, 0x542", "0x41"),
     "set_display_mode CLONE 800x600x60", EXIT_OK, 0x1452,
     {"set_dc 0x1452", on(kD1, "800x600x16@60 0x40000009"), on(kD1, "800x600x32@60 0x10000009"), "commit"}},
    {"ListedDcAsNumber", dov_with_dcs("0x41, 0x542, 0x1452", "0x41"), "set_display_mode 0x1452 800x600x60",
     EXIT_OK, 0x1452,
     {"set_dc 0x1452", on(kD1, "800x600x16@60 0x40000009"), on(kD1, "800x600x32@60 0x10000009"), "commit"}},
    {"SameDcOnlyAppliesTheMode", dov_with_dcs("0x41, 0x542", "0x41"), "set_display_mode single 800x600x60",
     EXIT_OK, 0x41, {on(kD1, "800x600x16@60 0x40000009"), on(kD1, "800x600x32@60 0x10000009"), "commit"}},
    {"UnlistedDc", dov_with_dcs("0x41, 0x542", "0x41"), "set_display_mode 0x12345 800x600x60",
     EXIT_INVALID_PARAM_ERROR, 0x41, {}},
    {"UnknownWord", dov_with_dcs("0x41, 0x542", "0x41"), "set_display_mode mirror 800x600x60",
     EXIT_INVALID_PARAM_ERROR, 0x41, {}},
    {"TwoPieceMode", dov_with_dcs("0x41, 0x542", "0x41"), "set_display_mode single 1024x768",
     EXIT_INVALID_PARAM_ERROR, 0x41, {}},
    {"NoDcOfThatType", dov_with_dcs("0x41, 0x542", "0x41"), "set_display_mode twin 800x600x60",
     EXIT_INVALID_PARAM_ERROR, 0x41, {}},
    {"ModeThePortLacks", dov_with_dcs("0x41, 0x542", "0x41"), "set_display_mode clone 1280x1024x60",
     EXIT_INVALID_PARAM_ERROR, 0x41, {}},
    // Leaving the extended desktop detaches the second screen first and
    // leaves the rest to the driver.
    {"ExtendedToSingle", "dov-dual", "set_display_mode single 800x600x60", EXIT_OK, 0x41,
     {on(kD2, "detach 0x10000001"), "commit", "set_dc 0x41"}},
    // An unmatched mode leaves the extended desktop as it was.
    {"ExtendedKeptOnBadMode", "dov-dual", "set_display_mode single 1280x1024x75", EXIT_INVALID_PARAM_ERROR,
     0x500048, {}},
};

TEST_P(SetDisplayMode, SwitchesTheDriverAndTheDesktop) {
  const SetModeCase& c = GetParam();
  opal_exit_t rc = run(c.line);
  EXPECT_EQ(rc, c.rc);
  EXPECT_EQ(args_.count, 0);
  EXPECT_EQ(opal_get_current_dc(), c.dc_after);
  EXPECT_EQ(sim::display_changes(), c.changes);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetDisplayMode, ::testing::ValuesIn(kSetModeCases),
                         [](const ::testing::TestParamInfo<SetModeCase>& p) { return std::string(p.param.name); });

TEST_F(DisplayCommands, SetDisplayModeMessages) {
  opal_exit_t rc = 99;
  EXPECT_EQ(run_quiet("set_display_mode clone 640x400x60", rc),
            "Setting clone mode with 640x400x60\nERROR no valid mode found that matches 640x400x60\n");
  EXPECT_EQ(rc, EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(run_quiet("set_display_mode 0x41 640x480x60", rc).rfind("Setting 0x41 mode with 640x480x60\n", 0), 0u);
  EXPECT_EQ(rc, EXIT_OK);
}

}  // namespace
