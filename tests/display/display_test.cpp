// Display control over the simulated machine: the escape transport, the
// display functions and the simulated Lumagraph driver behind them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/escape.h"
#include "core/session.h"
#include "display/display_sim.h"
#include "display/display_internal.h"
#include "lumainfo.h"
#include "support/display_session.h"
#include "support/sim_fixture.h"

using Changes = std::vector<std::string>;

namespace {

// A machine of a given profile with an open session.
class DisplayTest : public DisplaySessionTest {
 protected:
  explicit DisplayTest(std::string profile = "dov") : DisplaySessionTest(std::move(profile)) {}
  DEVMODEA current(const char* device) {
    DEVMODEA m{};
    m.dmSize = sizeof m;
    EXPECT_TRUE(oal::EnumDisplaySettingsA(device, ENUM_CURRENT_SETTINGS, &m));
    return m;
  }
};

class DualTest : public DisplayTest {
 protected:
  DualTest() : DisplayTest("dov-dual") {}
};
class ForeignTest : public DisplayTest {
 protected:
  ForeignTest() : DisplayTest("dov-foreign") {}
};

// Boots machines from profile texts, each in a folder of its own below the
// test's state folder, and opens a session on the last one.
class Booted : public SimTest {
 protected:
  void boot(const std::string& text) {
    opal_close();
    std::string dir = state_dir_ + "/machine" + std::to_string(++boots_);
    std::filesystem::create_directories(dir);
    auto& m = sim::Machine::boot_text(text, dir);
    ASSERT_EQ(m.fault(), nullptr) << m.fault();
    ASSERT_EQ(opal_open(0), EXIT_OK);
  }
  void TearDown() override {
    opal_close();
    SimTest::TearDown();
  }
  int boots_ = 0;
};

}  // namespace

// ---- names and conversions ------------------------------------------------

TEST(DcName, FollowsTheNamingRules) {
  struct Case {
    uint32_t dc;
    const char* name;
  } cases[] = {
      {0x00000011, "TV"},           {0x00200041, "LVDS + DVOB"},  {0x00200048, "LVDS -> DVOB"},
      {0x00500048, "LVDS -> ANALOG"}, {0x00001452, "ANALOG,LVDS,TV"}, {0x00000000, ""},
      {0x76321452, "ANALOG,LVDS,TV,DVOB + DVOC,DPB,DPC"},
      {0x00F00091, "Unknown + Unknown"},  // port numbers the driver never reports
      {0x00800083, "EDP + EDP"},          // an unknown type is no extended one
  };
  for (const auto& c : cases) {
    char name[OPAL_DC_NAME_SIZE];
    ASSERT_EQ(opal_get_dc_name(c.dc, name), EXIT_OK);
    EXPECT_STREQ(name, c.name) << std::hex << c.dc;
  }
  EXPECT_EQ(opal_get_dc_name(0x41, nullptr), EXIT_INVALID_PARAM_ERROR);
}

TEST(Conversions, GammaFixedPoint) {
  struct Case {
    uint8_t byte;
    float value;
  } decode[] = {{0x20, 1.0f}, {0x2C, 1.4f}, {0x3F, 2.0f}, {0x46, 2.2f}, {0x00, 0.0f}, {0xFF, 8.0f}};
  for (const auto& c : decode) EXPECT_NEAR(opal_gamma_decode(c.byte), c.value, 1e-5) << int(c.byte);
  struct Enc {
    float value;
    uint8_t byte;
  } encode[] = {{1.0f, 0x20}, {2.2f, 0x46}, {1.375f, 0x2C}, {0.6f, 0x13}, {6.0f, 0xC0}, {-1.0f, 0x00}, {9.0f, 0xFF}};
  for (const auto& c : encode) EXPECT_EQ(opal_gamma_encode(c.value), c.byte) << c.value;
}

TEST(Conversions, OverlayScaleAndColourBytes) {
  EXPECT_EQ(opal_overlay_to_scale(65535), 200u);
  EXPECT_EQ(opal_overlay_to_scale(0xFFFFFFFF), 200u);
  EXPECT_EQ(opal_overlay_to_scale(32768), 100u);
  EXPECT_EQ(opal_scale_to_overlay(200), 65535u);
  EXPECT_EQ(opal_scale_to_overlay(100), 32768u);
  EXPECT_EQ(opal_scale_to_overlay(0), 1u);
  uint32_t brightness = 0x7F8081;
  EXPECT_EQ(opal_color_byte_decode(opal_color_channel(brightness, 0)), -1);
  EXPECT_EQ(opal_color_byte_decode(opal_color_channel(brightness, 1)), 0);
  EXPECT_EQ(opal_color_byte_decode(opal_color_channel(brightness, 2)), 1);
  EXPECT_EQ(opal_color_byte_decode(0), -127);
  EXPECT_EQ(opal_color_byte_encode(-127), 1);
  EXPECT_EQ(opal_color_byte_encode(500), 255);
}

TEST(Conversions, VideoRate) {
  opal_video_fps_t v{};
  v.field = 1;
  v.frames = 600;
  v.start = {50, 59, 23, 31, 12, 2005, 6, 364, 0};
  v.stop = {0, 0, 0, 1, 1, 2006, 0, 0, 0};
  EXPECT_DOUBLE_EQ(opal_video_fps_rate(&v), 30.0);
  v.stop = v.start;  // no time passed: no rate rather than a division by zero
  EXPECT_EQ(opal_video_fps_rate(&v), 0.0);
  // Fields no calendar holds give no rate, not an overflow.
  struct Bad {
    uint32_t opal_time_t::*field;
    uint32_t value;
  } bad[] = {{&opal_time_t::month, 0x80000000u}, {&opal_time_t::month, 13},    {&opal_time_t::month, 0},
             {&opal_time_t::year, 0xFFFFFFFFu},  {&opal_time_t::day_of_month, 0}, {&opal_time_t::hours, 24},
             {&opal_time_t::seconds, 0x80000000u}};
  for (const auto& b : bad) {
    v.stop = {0, 0, 0, 1, 1, 2006, 0, 0, 0};
    v.stop.*b.field = b.value;
    EXPECT_EQ(opal_video_fps_rate(&v), 0.0) << b.value;
  }
}

TEST(EscapeTable, EveryCodeHasItsSizes) {
  unsigned n = 0;
  const EscapeInfo* t = escape_table(&n);
  ASSERT_EQ(n, 24u);
  for (unsigned i = 1; i < n; ++i) EXPECT_LT(t[i - 1].code, t[i].code);
  // The driver's interface: code, input size, output size (per counted
  // element when the count escape comes first).
  struct Row {
    int32_t code, in, out;
    bool per_count;
  } rows[] = {
      {0x20001, 8, 4, false},   {0x20002, 8, 40, true},    {0x20005, 8, 4, false},   {0x20007, 4, 4, false},
      {0x20008, 4, 64, true},   {0x20009, 68, 4, false},   {0x2000E, 12, 0, false},  {0x2000F, 4, 8, false},
      {0x20012, 0, 796, false}, {0x20014, 4, 556, false},  {0x20015, 0, 4, false},   {0x20016, 0, 4, true},
      {0x20017, 40, 0, false},  {0x20018, 0, 4, false},    {0x20019, 0, 24, false},  {0x2001A, 24, 0, false},
      {0x20024, 4, 128, false}, {0x20026, 40, 40, false},  {0x20500, 0, 0, false},   {0x20501, 0, 0, false},
      {0x20502, 0, 4000, false}, {0x20503, 0, 0, false},   {0x20510, 256, 0, false}, {0x20600, 4, 88, false},
  };
  ASSERT_EQ(n, sizeof rows / sizeof *rows);
  for (unsigned i = 0; i < n; ++i) {
    EXPECT_EQ(t[i].code, rows[i].code) << i;
    EXPECT_EQ(t[i].in_size, rows[i].in) << t[i].name;
    EXPECT_EQ(t[i].out_size, rows[i].out) << t[i].name;
    EXPECT_EQ(t[i].per_count, rows[i].per_count) << t[i].name;
  }
  EXPECT_STREQ(escape_name(0x20014), "VARNEL_ESCAPE_GET_PORT_INFO");
  EXPECT_STREQ(escape_name(0x2000E), "IOCTL_VARNEL_SET_ROTATION_FLIP");
  EXPECT_EQ(find_escape(0x20600)->alt_out_size, 0);  // starting the count has no output
  EXPECT_EQ(find_escape(0x12345), nullptr);
  EXPECT_STREQ(escape_name(0x12345), "UNKNOWN_ESCAPE");
}

// ---- the transport's screen walk -------------------------------------------

struct WalkCase {
  const char* label;
  const char* profile;
  uint32_t dc;            // 0: no driver answered
  const char* message;    // expected in the output, or null
};

class ScreenWalk : public Booted, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(ScreenWalk, FindsTheScreensThatAnswer) {
  const auto& c = GetParam();
  boot(c.profile);
  StdoutCapture out;
  EXPECT_EQ(opal_get_current_dc(), c.dc);
  std::string text = out.stop();
  if (c.message) {
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ScreenWalk,
    ::testing::Values(
        WalkCase{"first_screen_answers_zero", "base = dov-dual\n[faults]\nescape_zero = 0\n", 0x00500048, nullptr},
        WalkCase{"both_answer_zero", "base = dov-dual\n[faults]\nescape_zero = all\n", 0,
                 "ERROR while sending"},
        WalkCase{"first_screen_has_no_dc", "base = dov-dual\n[faults]\ncreate_dc = 0\n", 0x00500048, nullptr},
        WalkCase{"provider_in_capitals",
                 "base = dov\n[screen 0]\nstring = VARNEL CORPORATION Lumagraph Controller\nprimary = 1\n", 0x41,
                 nullptr},
        WalkCase{"product_word_in_capitals",
                 "base = dov\n[screen 0]\nstring = Varnel Corporation LUMAGRAPH Controller\nprimary = 1\n", 0,
                 "ERROR: Can't find LUMA installed on this system"},
        WalkCase{"no_screens", "base = dov\n[faults]\nno_screens = 1\n", 0,
                 "ERROR: Can't find LUMA installed on this system"},
        WalkCase{"foreign_primary", "base = dov-foreign\n", 0x41, nullptr}),
    [](const auto& param_info) { return std::string(param_info.param.label); });

TEST_F(Booted, OnlyTheLumagraphSignatureCounts) {
  struct Case {
    const char* profile;
    bool found;
    uint32_t width;
  } cases[] = {
      {"base = dov\n", true, 1024},
      {"base = dov\n[lumagraph]\nsignature = 0x1234\n", false, 0},
      {"base = dov-foreign\n[screen 1]\nwidth = 1280\nheight = 1024\n", true, 1280},
  };
  for (const auto& c : cases) {
    boot(c.profile);
    uint32_t depth = 0, rot = 9, w = 0, h = 0, hz = 0;
    StdoutCapture out;
    EXPECT_EQ(read_primary_settings(&depth, &rot, &w, &h, &hz), c.found) << c.profile;
    std::string text = out.stop();
    EXPECT_EQ(w, c.width);
    if (!c.found) {
      EXPECT_NE(text.find("ERROR: Invalid screen number"), std::string::npos);
    } else {
      EXPECT_EQ(rot, 0u);
    }
  }
}

// ---- display-settings changes ------------------------------------------------

TEST_F(DisplayTest, ApplyForcedChangePassesThroughSixteenBits) {
  ASSERT_TRUE(apply_screen_mode(kAllScreens, 0, 0, 0, 0, 180, false));
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "1024x768x16@60 0x40000009"),
                                             on(kD1, "1024x768x32@60 0x10000009"), "commit"}));
  EXPECT_EQ(current(kD1).dmBitsPerPel, 32u);
}

TEST_F(DisplayTest, ApplyKeepsGivenModeAndMapsOddDepths) {
  ASSERT_TRUE(apply_screen_mode(0, 800, 600, 60, 24, 0, false));
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "800x600x32@60 0x10000009"), "commit"}));
  DEVMODEA m = current(kD1);
  EXPECT_EQ(m.dmPelsWidth, 800u);
  EXPECT_EQ(m.dmPelsHeight, 600u);
}

TEST_F(DualTest, ApplyRejectsAScreenThatIsNotThere) {
  StdoutCapture out;
  EXPECT_FALSE(apply_screen_mode(3, 800, 600, 60, 32, 0, false));
  EXPECT_NE(out.stop().find("ERROR: Invalid screen number"), std::string::npos);
  EXPECT_TRUE(sim::display_changes().empty());
  ASSERT_TRUE(apply_screen_mode(kAllScreens, 0, 0, 0, 16, 0, false));
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "1024x768x16@60 0x10000009"), "commit",
                                             on(kD2, "1280x1024x16@60 0x10000009"), "commit"}));
}

// Steps from the dual desktop, each starting where the one before ended.
TEST_F(DualTest, AttachAndDetach) {
  struct Step {
    const char* label;
    std::function<bool()> call;
    bool result;
    Changes changes;
  } steps[] = {
      {"detach the primary", [] { return detach_screen(0); }, true, {}},
      {"detach the second", [] { return detach_screen(1); }, true, {on(kD2, "detach 0x10000001"), "commit"}},
      {"attach the primary", [] { return attach_screen_right(800, 600, 60, 32, 0); }, true, {}},
      {"attach the second", [] { return attach_screen_right(800, 600, 60, 16, 1); }, true,
       {on(kD2, "800x600x16@60 0x10000009"), "commit"}},
      {"attach a screen not there", [] { return attach_screen_right(800, 600, 60, 16, 2); }, false, {}},
      {"detach a screen not there", [] { return detach_screen(2); }, false, {}},
  };
  for (const auto& st : steps) {
    sim::clear_display_changes();
    StdoutCapture out;
    EXPECT_EQ(st.call(), st.result) << st.label;
    std::string text = out.stop();
    EXPECT_EQ(sim::display_changes(), st.changes) << st.label;
    EXPECT_EQ(text.find("ERROR: Invalid screen number") != std::string::npos, !st.result) << st.label;
  }
  DEVMODEA second = current(kD2);
  EXPECT_EQ(second.dmPosition.x, 1024);  // right of the primary
  EXPECT_EQ(second.dmPelsWidth, 800u);
}

TEST_F(Booted, ApplyToAllScreensWithNoneDoesNothing) {
  boot("base = dov\n[faults]\nno_screens = 1\n");
  EXPECT_TRUE(apply_screen_mode(kAllScreens, 0, 0, 0, 0, 180, true));
  EXPECT_TRUE(sim::display_changes().empty());
}

// ---- rotation and flip ------------------------------------------------------------

TEST_F(DisplayTest, RotateBy90SwapsTheDesktop) {
  ASSERT_EQ(opal_set_flip_rot(PORT_LVDS, 0, 90), EXIT_OK);
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "768x1024x32@60 0x10000009"), "commit"}));
  DEVMODEA m = current(kD1);
  EXPECT_EQ(m.dmPelsWidth, 768u);
  EXPECT_EQ(m.dmDisplayOrientation, static_cast<DWORD>(DMDO_90));
  uint32_t flip = 9, rot = 0;
  ASSERT_EQ(opal_get_flip_rot(PORT_LVDS, &flip, &rot), EXIT_OK);
  EXPECT_EQ(rot, 90u);
  EXPECT_EQ(flip, 0u);
}

// Each step starts from the one before: a quarter turn swaps the desktop, a
// half turn or a flip change passes through 16 bits, the same setting
// again re-applies the current mode.
TEST_F(DisplayTest, RotationAndFlipSteps) {
  const std::string force = " 0x40000009", apply = " 0x10000009";
  struct Step {
    uint32_t flip, rotation;
    Changes changes;
  } steps[] = {
      {0, 180, {on(kD1, "1024x768x16@60" + force), on(kD1, "1024x768x32@60" + apply), "commit"}},
      {0, 180, {on(kD1, "1024x768x32@60" + apply), "commit"}},
      {0, 270, {on(kD1, "768x1024x32@60" + apply), "commit"}},
      {1, 270, {on(kD1, "768x1024x16@60" + force), on(kD1, "768x1024x32@60" + apply), "commit"}},
      {0, 0, {on(kD1, "1024x768x16@60" + force), on(kD1, "1024x768x32@60" + apply), "commit"}},
  };
  for (const auto& st : steps) {
    sim::clear_display_changes();
    ASSERT_EQ(opal_set_flip_rot(PORT_LVDS, st.flip, st.rotation), EXIT_OK) << st.flip << " " << st.rotation;
    EXPECT_EQ(sim::display_changes(), st.changes) << st.flip << " " << st.rotation;
    uint32_t flip = 9, rot = 9;
    ASSERT_EQ(opal_get_flip_rot(PORT_LVDS, &flip, &rot), EXIT_OK);
    EXPECT_EQ(flip, st.flip);
    EXPECT_EQ(rot, st.rotation);
  }
}

TEST_F(DisplayTest, InvalidRotationAndFlipAreBothReported) {
  StdoutCapture out;
  EXPECT_EQ(opal_set_flip_rot(PORT_LVDS, 2, 45), EXIT_INVALID_PARAM_ERROR);
  std::string text = out.stop();
  EXPECT_NE(text.find("ERROR: Invalid Rotation specified"), std::string::npos);
  EXPECT_NE(text.find("ERROR: Invalid Flip specified"), std::string::npos);
  EXPECT_TRUE(sim::display_changes().empty());
  uint32_t flip = 0, rot = 0;
  ASSERT_EQ(opal_get_flip_rot(PORT_LVDS, &flip, &rot), EXIT_OK);
  EXPECT_EQ(rot, 0u);
}

// ---- configurations ---------------------------------------------------------------

TEST_F(DisplayTest, SameDcWithoutFlagsChangesNothing) {
  opal_mode_t mode{};
  mode.width = 1024;
  mode.height = 768;
  mode.refresh = 60;
  ASSERT_EQ(opal_set_dc(0x41, &mode, nullptr, 32, 0, 0), EXIT_OK);
  EXPECT_TRUE(sim::display_changes().empty());
  EXPECT_EQ(opal_set_dc(0x41, nullptr, nullptr, 32, 0, 0), EXIT_INVALID_PARAM_ERROR);
}

TEST_F(DisplayTest, EnteringExtendedOnAnotherPrimaryPort) {
  opal_mode_t primary{}, secondary{};
  primary = {1024, 768, 60, {}, 0, {}};
  secondary = {800, 600, 60, {}, 0, {}};
  ASSERT_EQ(opal_set_dc(0x00400058, &primary, &secondary, 32, 0, 0), EXIT_OK);
  EXPECT_EQ(opal_get_current_dc(), 0x00400058u);
  Changes want = {"set_dc 0x51", "set_dc 0x400058", on(kD2, "800x600x32@60 0x10000009"), "commit"};
  EXPECT_EQ(sim::display_changes(), want);
  DISPLAY_DEVICEA dev{};
  dev.cb = sizeof dev;
  ASSERT_TRUE(oal::EnumDisplayDevicesA(nullptr, 1, &dev, 0));  // the second head is shown now
  EXPECT_TRUE(dev.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP);
  EXPECT_EQ(current(kD2).dmPosition.x, 1024);
}

TEST_F(DualTest, ExtendedToExtendedGoesThroughSingle) {
  opal_mode_t primary = {1024, 768, 60, {}, 0, {}}, secondary = {1024, 768, 60, {}, 0, {}};
  ASSERT_EQ(opal_set_dc(0x00400058, &primary, &secondary, 32, 0, 0), EXIT_OK);
  EXPECT_EQ(sim::display_changes(),
            (Changes{on(kD2, "detach 0x10000001"), "commit", "set_dc 0x51", "set_dc 0x400058",
                     on(kD2, "1024x768x32@60 0x10000009"), "commit"}));
}

TEST_F(DualTest, LeavingExtendedDetachesTheSecondScreen) {
  opal_mode_t primary = {1024, 768, 60, {}, 0, {}};
  ASSERT_EQ(opal_set_dc(0x41, &primary, nullptr, 32, 0, 0), EXIT_OK);
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD2, "detach 0x10000001"), "commit", "set_dc 0x41"}));
  DISPLAY_DEVICEA dev{};
  dev.cb = sizeof dev;
  ASSERT_TRUE(oal::EnumDisplayDevicesA(nullptr, 1, &dev, 0));
  EXPECT_FALSE(dev.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP);
}

TEST_F(DualTest, ASwitchTheDriverRefusesFailsAndLeavesTheModesAlone) {
  opal_mode_t primary = {1024, 768, 60, {}, 0, {}};
  StdoutCapture out;
  EXPECT_EQ(opal_set_dc(0x00000031, &primary, nullptr, 32, 0, OPAL_APPLY_PRIMARY), EXIT_OS_CALL_ERROR);
  EXPECT_NE(out.stop().find("ERROR while sending VARNEL_ESCAPE_SET_DC escape key"), std::string::npos);
  EXPECT_EQ(opal_get_current_dc(), 0x00500048u);
  for (const auto& c : sim::display_changes()) EXPECT_EQ(c.find("0x10000009"), std::string::npos) << c;
}

TEST_F(DisplayTest, AModeWindowsRefusesFailsTheSwitch) {
  struct Case {
    uint32_t dc;
    opal_mode_t primary;
    opal_exit_t rc;
  } cases[] = {
      {0x41, {1024, 768, 60, {}, 0, {}}, EXIT_OK},
      {0x41, {1000, 700, 60, {}, 0, {}}, EXIT_OS_CALL_ERROR},  // no such Windows mode
      {0x51, {1000, 700, 60, {}, 0, {}}, EXIT_OS_CALL_ERROR},  // the driver switched, Windows did not
  };
  for (const auto& c : cases) {
    StdoutCapture out;
    EXPECT_EQ(opal_set_dc(c.dc, &c.primary, nullptr, 32, 0, OPAL_APPLY_PRIMARY), c.rc)
        << std::hex << c.dc << " " << std::dec << c.primary.width;
    out.stop();
    EXPECT_EQ(opal_get_current_dc(), c.dc);
  }
}

TEST_F(DualTest, SetModeOnTheSecondaryKeepsTheModeAskedFor) {
  opal_mode_t mode = {800, 600, 60, {}, 0, {}};
  ASSERT_EQ(opal_set_mode(1, &mode, 32), EXIT_OK);
  DEVMODEA second = current(kD2), first = current(kD1);
  EXPECT_EQ(second.dmPelsWidth, 800u);
  EXPECT_EQ(second.dmPelsHeight, 600u);
  EXPECT_EQ(first.dmPelsWidth, 1024u);
  EXPECT_EQ(opal_get_current_dc(), 0x00500048u);
}

TEST_F(DualTest, SetModeOnAScreen) {
  struct Case {
    uint32_t display;
    opal_mode_t mode;
    opal_exit_t rc;
    const char* changed;  // the screen whose width becomes 800, or null
  } cases[] = {
      {0, {800, 600, 60, {}, 0, {}}, EXIT_OK, kD1},
      {OPAL_ALL_SCREENS, {800, 600, 75, {}, 0, {}}, EXIT_OK, kD2},
      {3, {800, 600, 60, {}, 0, {}}, EXIT_OS_CALL_ERROR, nullptr},    // no such screen
      {0, {801, 600, 60, {}, 0, {}}, EXIT_OS_CALL_ERROR, nullptr},    // no such mode
  };
  for (const auto& c : cases) {
    StdoutCapture out;
    EXPECT_EQ(opal_set_mode(c.display, &c.mode, 16), c.rc) << c.display;
    out.stop();
    if (c.changed) {
      EXPECT_EQ(current(c.changed).dmPelsWidth, 800u) << c.display;
      EXPECT_EQ(current(c.changed).dmBitsPerPel, 16u) << c.display;
    }
  }
  EXPECT_EQ(opal_set_mode(0, nullptr, 32), EXIT_INVALID_PARAM_ERROR);
}

TEST_F(DisplayTest, ListsDcsAndModes) {
  uint32_t* dcs = nullptr;
  char** names = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_dc_list(&dcs, &names, &n), EXIT_OK);
  ASSERT_GT(n, 5u);
  EXPECT_EQ(dcs[0], 0x41u);
  EXPECT_STREQ(names[0], "LVDS");
  opal_free_dc_list(dcs, names, n);

  opal_mode_t* modes = nullptr;
  ASSERT_EQ(opal_get_mode_list(0x00100048, 1, &modes, &n), EXIT_OK);  // the TV on the secondary
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(modes[0].width, 640);
  EXPECT_TRUE(modes[0].flags & OPAL_MODE_INTERLACED);
  opal_free_mode_list(modes);
  StdoutCapture out;
  modes = nullptr;
  EXPECT_EQ(opal_get_mode_list(0x41, 2, &modes, &n), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(out.stop(), "");  // a wrong display is refused silently
}

// A table pointer that already holds a table is warned about and
// overwritten; a missing count is refused.
TEST_F(DisplayTest, TableOutputsAreCheckedFirst) {
  opal_mode_t old_mode{};
  uint32_t old_dc = 0;
  opal_disp_port_map_t old_map{};
  opal_mode_t* modes = &old_mode;
  uint32_t* dcs = &old_dc;
  char** names = nullptr;
  opal_disp_port_map_t* map = &old_map;
  uint32_t n = 0, dc_count = 0;
  struct Case {
    const char* label;
    std::function<opal_exit_t(uint32_t*)> call;
    const char* warning;
    const char* error;
  } cases[] = {
      {"modes", [&](uint32_t* c) { return opal_get_mode_list(0x41, 0, &modes, c); },
       "WARNING: Input mode table is not NULL. This may cause memory leaks",
       "ERROR: Input mode table size is NULL. Caller must specify a NON NULL mode size"},
      {"dcs",
       [&](uint32_t* c) {
         opal_exit_t rc = opal_get_dc_list(&dcs, &names, c);
         if (c) dc_count = *c;
         return rc;
       },
       "WARNING: Input dc table is not NULL. This may cause memory leaks",
       "ERROR: Input dc table size is NULL. Caller must specify a NON NULL dc size"},
      {"map", [&](uint32_t* c) { return opal_get_disp_port_mapping(&map, c); },
       "WARNING: Display Port table is not NULL. This may cause memory leaks",
       "ERROR: Display Port table size is NULL. Caller must specify a NON NULL mode size"},
  };
  for (const auto& c : cases) {
    StdoutCapture out;
    EXPECT_EQ(c.call(nullptr), EXIT_INVALID_PARAM_ERROR) << c.label;
    std::string text = out.stop();
    EXPECT_NE(text.find(c.error), std::string::npos) << c.label << ": " << text;
    StdoutCapture again;
    EXPECT_EQ(c.call(&n), EXIT_OK) << c.label;
    EXPECT_NE(again.stop().find(c.warning), std::string::npos) << c.label;
    EXPECT_GT(n, 0u) << c.label;
  }
  EXPECT_NE(modes, &old_mode);
  EXPECT_NE(dcs, &old_dc);
  EXPECT_NE(map, &old_map);
  opal_free_mode_list(modes);
  opal_free_dc_list(dcs, names, dc_count);
  opal_free_disp_port_mapping(map);
}

// ---- ports -----------------------------------------------------------------------

TEST_F(DisplayTest, PortPickingAndEnabling) {
  EXPECT_EQ(opal_get_port(0x00051452, 0, 3), 5u);
  StdoutCapture out;
  EXPECT_EQ(opal_get_port(0x00500048, 1, 3), 0u);
  EXPECT_EQ(opal_en_dis_port(1, 0), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_en_dis_port(1, PORT_TV), EXIT_DRIVER_STATUS_ERROR);  // no TV connected
  std::string text = out.stop();
  EXPECT_NE(text.find("ERROR: Invalid parameter display or port location"), std::string::npos);
  EXPECT_NE(text.find("Invalid port specified\n\n"), std::string::npos);
  EXPECT_NE(text.find("ERROR while sending VARNEL_ESCAPE_ENABLE_PORT escape key"), std::string::npos);
  EXPECT_EQ(opal_en_dis_port(0, PORT_LVDS), EXIT_OK);
  opal_port_info_t info;
  ASSERT_EQ(opal_get_port_info(PORT_LVDS, &info), EXIT_OK);
  EXPECT_EQ(info.enable, 0u);
  EXPECT_EQ(info.width, 1024u);
  EXPECT_STREQ(info.pd_name, "lvds");
  EXPECT_EQ(opal_get_port_info(15, &info), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(info.width, 1024u);  // a failed escape leaves the record as it was
  EXPECT_STREQ(info.pd_name, "lvds");
}

TEST_F(DualTest, MappingPutsEachPortOnItsScreen) {
  opal_disp_port_map_t* map = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_disp_port_mapping(&map, &n), EXIT_OK);
  ASSERT_EQ(n, 2u);
  EXPECT_EQ(map[0].is_primary, 1);
  ASSERT_EQ(map[0].num_ports, 1u);
  EXPECT_EQ(map[0].ports[0].port, PORT_LVDS);
  ASSERT_EQ(map[1].num_ports, 1u);
  EXPECT_EQ(map[1].ports[0].port, PORT_ANALOG);
  EXPECT_EQ(map[1].ports[0].info.width, 1280u);
  opal_free_disp_port_mapping(map);
}

TEST_F(ForeignTest, MappingWithoutAPrimaryLumagraphScreen) {
  opal_disp_port_map_t* map = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_disp_port_mapping(&map, &n), EXIT_OK);
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(map[0].absolute_display, 1u);
  EXPECT_EQ(map[0].relative_display, 0u);
  EXPECT_EQ(map[0].is_primary, 1);  // took the primary display's port
  ASSERT_EQ(map[0].num_ports, 1u);
  EXPECT_EQ(map[0].ports[0].port, PORT_LVDS);
  opal_free_disp_port_mapping(map);
}

// ---- attributes, colour, firmware ------------------------------------------------

TEST_F(DisplayTest, AttributesRoundTrip) {
  opal_port_attribute_t* attrs = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_port_attributes(PORT_LVDS, &attrs, &n), EXIT_OK);
  ASSERT_GE(n, 4u);
  EXPECT_EQ(attrs[0].id, OPAL_ATTR_GAMMA);
  EXPECT_NEAR(opal_gamma_decode(opal_color_channel(attrs[0].current_value, 1)), 1.0f, 1e-6);
  opal_port_attribute_t gamma = attrs[0];
  gamma.current_value = 0x464646;
  opal_free_port_attributes(attrs);
  ASSERT_EQ(opal_set_port_attributes(PORT_LVDS, &gamma), EXIT_OK);
  attrs = nullptr;
  ASSERT_EQ(opal_get_port_attributes(PORT_LVDS, &attrs, &n), EXIT_OK);
  EXPECT_EQ(attrs[0].current_value, 0x464646u);
  // A list attribute is followed by its entries.
  bool list_seen = false;
  for (uint32_t i = 0; i < n; ++i)
    if (attrs[i].type == OPAL_ATTR_LIST && attrs[i].min > 0) {
      list_seen = true;
      ASSERT_LE(i + attrs[i].min, n - 1);
    }
  EXPECT_TRUE(list_seen);
  opal_free_port_attributes(attrs);
  StdoutCapture out;
  EXPECT_EQ(opal_set_port_attributes(PORT_LVDS, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_get_port_attributes(PORT_LVDS, &attrs, nullptr), EXIT_INVALID_PARAM_ERROR);
}

TEST_F(DisplayTest, OverlayFirmwareDriverInfoAndVideo) {
  opal_overlay_params_t p{};
  p.mask = OPAL_OVERLAY_BRIGHTNESS | OPAL_OVERLAY_WRITE;
  p.brightness = opal_scale_to_overlay(200);
  ASSERT_EQ(opal_set_overlay_params(&p), EXIT_OK);
  opal_overlay_params_t back{};
  ASSERT_EQ(opal_get_overlay_params(&back), EXIT_OK);
  EXPECT_EQ(opal_overlay_to_scale(back.brightness), 200u);
  EXPECT_EQ(back.gamma, 0x202020u);

  uint8_t edid[OPAL_EDID_SIZE];
  for (uint32_t port : {PORT_LVDS, PORT_ANALOG}) {
    ASSERT_EQ(opal_get_display_firmware(port, 0, edid), EXIT_OK);
    EXPECT_EQ(edid[0], 0x00);
    EXPECT_EQ(edid[1], 0xFF);
    uint8_t sum = 0;
    for (uint8_t b : edid) sum = static_cast<uint8_t>(sum + b);
    EXPECT_EQ(sum, 0) << port;
  }
  std::memset(edid, 0x5A, sizeof edid);
  EXPECT_EQ(opal_get_display_firmware(PORT_TV, 0, edid), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(edid[0], 0x5A);  // untouched on failure

  opal_driver_info_t info;
  ASSERT_EQ(opal_get_driver_info(&info), EXIT_OK);
  EXPECT_EQ(info.signature, OPAL_DRIVER_SIGNATURE);

  EXPECT_EQ(opal_get_video_fps(OPAL_VIDEO_FPS_START, nullptr), EXIT_OK);
  opal_video_fps_t v;
  ASSERT_EQ(opal_get_video_fps(OPAL_VIDEO_FPS_STOP, &v), EXIT_OK);
  EXPECT_DOUBLE_EQ(opal_video_fps_rate(&v), 30.0);

  opal_mode_t in = {1024, 768, 60, {}, 0, {}}, res{};
  opal_mode_t *pin = &in, *pout = &res, *none = nullptr;
  ASSERT_EQ(opal_get_golden_htotal(&pin, &pout), EXIT_OK);
  EXPECT_EQ(res.width, 1024);
  StdoutCapture out;
  EXPECT_EQ(opal_get_golden_htotal(&none, &none), EXIT_INVALID_PARAM_ERROR);
  std::string text = out.stop();
  EXPECT_NE(text.find("ERROR: Output mode NULL"), std::string::npos);
  EXPECT_EQ(text.find("ERROR: Input mode NULL"), std::string::npos);
}

// ---- hostile driver replies ---------------------------------------------------------

class Hostile : public Booted {
 protected:
  void boot_reply(const std::string& reply, const std::string& extra = "") {
    boot("base = dov\n" + extra + "[faults]\ndriver_reply = " + reply + "\n");
  }
};

TEST_F(Hostile, HugeCountsAreRefused) {
  for (const char* reply : {"huge_mode_count", "huge_dc_count", "huge_attr_count"}) {
    boot_reply(reply);
    StdoutCapture out;
    opal_mode_t* modes = nullptr;
    uint32_t n = 7;
    opal_exit_t rc = opal_get_mode_list(0x41, 0, &modes, &n);
    uint32_t* dcs = nullptr;
    char** names = nullptr;
    uint32_t ndc = 7;
    opal_exit_t rc_dc = opal_get_dc_list(&dcs, &names, &ndc);
    opal_port_attribute_t* attrs = nullptr;
    uint32_t na = 7;
    opal_exit_t rc_attr = opal_get_port_attributes(PORT_LVDS, &attrs, &na);
    out.stop();
    std::string r = reply;
    EXPECT_EQ(rc, r == "huge_mode_count" ? EXIT_INVALID_PARAM_ERROR : EXIT_OK) << r;
    EXPECT_EQ(rc_dc, r == "huge_dc_count" ? EXIT_INVALID_PARAM_ERROR : EXIT_OK) << r;
    EXPECT_EQ(rc_attr, r == "huge_attr_count" ? EXIT_INVALID_PARAM_ERROR : EXIT_OK) << r;
    if (rc) {
      EXPECT_EQ(modes, nullptr);
      EXPECT_EQ(n, 0u);
    }
    opal_free_mode_list(modes);
    opal_free_dc_list(dcs, names, ndc);
    opal_free_port_attributes(attrs);
  }
}

TEST_F(Hostile, ShortModeListLeavesZeroedRecords) {
  boot_reply("short_mode_list");
  opal_mode_t* modes = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_mode_list(0x41, 0, &modes, &n), EXIT_OK);
  ASSERT_EQ(n, 4u);
  EXPECT_EQ(modes[0].width, 640);
  EXPECT_EQ(modes[3].width, 0);
  opal_free_mode_list(modes);
}

TEST_F(Hostile, UnterminatedNamesAreCut) {
  boot_reply("unterminated_names");
  opal_port_info_t info;
  ASSERT_EQ(opal_get_port_info(PORT_LVDS, &info), EXIT_OK);
  EXPECT_EQ(std::strlen(info.pd_name), 255u);
  EXPECT_EQ(std::strlen(info.user_alias), 255u);
  opal_driver_info_t d;
  ASSERT_EQ(opal_get_driver_info(&d), EXIT_OK);
  EXPECT_EQ(std::strlen(d.product_name), 255u);
  EXPECT_EQ(std::strlen(d.build_date), 267u);
  opal_port_attribute_t* attrs = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_port_attributes(PORT_LVDS, &attrs, &n), EXIT_OK);
  for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(std::strlen(attrs[i].name), 31u);
  opal_free_port_attributes(attrs);
}

TEST_F(Hostile, UnknownTypesAndPortsStayBounded) {
  boot_reply("bad_ports");
  uint32_t* dcs = nullptr;
  char** names = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_dc_list(&dcs, &names, &n), EXIT_OK);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(dcs[n - 1], 0xFED00049u);
  EXPECT_STREQ(names[n - 1], "LVDS + Unknown,Unknown,Unknown");
  opal_free_dc_list(dcs, names, n);
  opal_disp_port_map_t* map = nullptr;
  ASSERT_EQ(opal_get_disp_port_mapping(&map, &n), EXIT_OK);
  EXPECT_EQ(map[0].num_ports, 0u);  // display number 7 belongs to no screen
  opal_free_disp_port_mapping(map);
  boot_reply("unknown_dc_type");
  EXPECT_EQ(opal_get_current_dc(), 0x43u);
  opal_mode_t mode = {1024, 768, 60, {}, 0, {}};
  EXPECT_EQ(opal_set_dc(0x43, &mode, nullptr, 32, 0, OPAL_APPLY_PRIMARY), EXIT_OK);
}

TEST_F(Hostile, MorePortsOnAScreenThanSlots) {
  boot_reply("all_on_primary", "[lumagraph]\nports = 1,2,3,4,5,6,7\ndcs = 0x76321452\ndc = 0x76321452\n");
  opal_disp_port_map_t* map = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_disp_port_mapping(&map, &n), EXIT_OK);
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(map[0].num_ports, OPAL_MAX_SCREEN_PORTS);
  EXPECT_EQ(map[0].ports[3].port, PORT_DVOB);
  opal_free_disp_port_mapping(map);
}

TEST_F(DisplayTest, DriverModelRefusesShortRecords) {
  unsigned count = 0;
  const EscapeInfo* table = escape_table(&count);
  std::vector<unsigned char> in(4096), out(4096);
  for (unsigned i = 0; i < count; ++i) {
    const auto& e = table[i];
    if (e.in_size > 0) {
      EXPECT_LT(sim::lumagraph_sim_escape(e.code, e.in_size - 1, in.data(), 4096, out.data()), 0) << e.name;
    }
    if (e.out_size > 0 && !e.per_count && e.alt_out_size < 0) {
      uint32_t port = PORT_LVDS;
      std::memcpy(in.data(), &port, 4);
      EXPECT_LT(sim::lumagraph_sim_escape(e.code, e.in_size, in.data(), e.out_size - 1, out.data()), 0) << e.name;
    }
  }
}

TEST(ProfileCheck, BadDisplaySectionsDoNotBoot) {
  for (const char* text : {"base = dov\n[screen 0]\ndriver = other\n", "base = dov\n[lumagraph]\nports = 9\n",
                           "base = dov\n[faults]\ndriver_reply = nonsense\n",
                           "base = dov\n[lumagraph]\ndc = 0x31\n"}) {
    std::string dir = make_temp_dir("bad");
    EXPECT_NE(sim::Machine::boot_text(text, dir).fault(), nullptr) << text;
    std::system(("rm -rf '" + dir + "'").c_str());
  }
}

// ---- the simulation library ------------------------------------------------------------

// Run twice by ctest: without the simulation library on the search path,
// and with it (LUMA_EXPECT_SIMLIB=1).
TEST_F(DisplayTest, SimulationLibrarySwitchesTheSession) {
  bool expected = std::getenv("LUMA_EXPECT_SIMLIB") != nullptr;
  ASSERT_EQ(session.simulation, expected);
  EXPECT_EQ(opal_get_current_dc(), 0x41u);
  ASSERT_TRUE(apply_screen_mode(kAllScreens, 0, 0, 0, 0, 180, false));
  Changes want = expected ? Changes{"sim 1024x768x16@60 0x40000000", "sim 1024x768x32@60 0x10000000"}
                          : Changes{on(kD1, "1024x768x16@60 0x40000009"), on(kD1, "1024x768x32@60 0x10000009"),
                                    "commit"};
  EXPECT_EQ(sim::display_changes(), want);
}

// With the simulation library on the search path (the second ctest run),
// it alone answers escapes and takes the display-settings changes.
class SimulationOnly : public DisplayTest {
 protected:
  SimulationOnly() : DisplayTest("base = dov\n[faults]\nno_screens = 1\n") {}
  void SetUp() override {
    DisplayTest::SetUp();
    if (!std::getenv("LUMA_EXPECT_SIMLIB")) GTEST_SKIP() << "needs the simulation library";
  }
};

TEST_F(SimulationOnly, TheLibraryAnswersWithoutScreens) {
  ASSERT_TRUE(session.simulation);
  EXPECT_EQ(opal_get_current_dc(), 0x41u);  // no display device is enumerated
  opal_port_info_t info;
  EXPECT_EQ(opal_get_port_info(PORT_LVDS, &info), EXIT_OK);
  StdoutCapture out;
  EXPECT_EQ(opal_get_port_info(15, &info), EXIT_OS_CALL_ERROR);
  EXPECT_NE(out.stop().find("ERROR while sending VARNEL_ESCAPE_GET_PORT_INFO escape key"), std::string::npos);
}

// Without ChangeDisplaySettingsExA every change goes to the primary device.
TEST_F(Booted, WithoutExtendedSettingsChangesGoToThePrimaryDevice) {
  boot("base = dov-dual\n[faults]\nload_library = user32.dll\n");
  ASSERT_EQ(session.change_display_settings_ex, nullptr);
  sim::clear_display_changes();
  StdoutCapture out;
  EXPECT_TRUE(apply_screen_mode(1, 800, 600, 60, 32, 0, false));
  out.stop();
  EXPECT_EQ(sim::display_changes(), (Changes{on(kD1, "800x600x32@60 0x10000009"), "commit"}));
}
