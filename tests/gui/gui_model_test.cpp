// The GUI's model against the simulated machine: edit, apply, then keep
// or let the countdown run out, and look at what the driver ends up with.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "confirmation.h"
#include "core/msglog.h"
#include "display/display_sim.h"
#include "display_model.h"
#include "support/sim_fixture.h"
#include "texts.h"

using namespace gui;

namespace {

// The driver as the library sees it: the dc, then per connected port its
// mode, state, rotation and attributes, then the overlay words.
std::string driver_view() {
  std::ostringstream o;
  o << "dc=0x" << std::hex << opal_get_current_dc() << std::dec;
  for (uint32_t p = 1; p <= OPAL_MAX_PORT; ++p) {
    opal_port_info_t i{};
    if (opal_get_port_info(p, &i) != EXIT_OK) continue;
    uint32_t flip = 0, rot = 0;
    opal_get_flip_rot(p, &flip, &rot);
    o << " " << p << ":" << i.width << "x" << i.height << "x" << i.depth << "@" << i.refresh
      << (i.enable ? "" : "-off") << " r" << rot << (flip ? "f" : "");
    opal_port_attribute_t* t = nullptr;
    uint32_t n = 0;
    if (opal_get_port_attributes(p, &t, &n) == EXIT_OK)
      for (uint32_t k = 0; k < n; ++k) {
        o << " a" << t[k].id << "=0x" << std::hex << t[k].current_value << std::dec;
        if (t[k].type == OPAL_ATTR_LIST) k += t[k].min;
      }
    opal_free_port_attributes(t);
  }
  opal_overlay_params_t ov{};
  opal_get_overlay_params(&ov);
  o << " ov=" << std::hex << ov.gamma << std::dec << "," << ov.brightness << "," << ov.contrast << ","
    << ov.saturation;
  return o.str();
}

size_t row_of(const std::vector<opal_port_attribute_t>& rows, const char* name) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (std::strcmp(rows[i].name, name) == 0) return i;
  ADD_FAILURE() << "no row " << name;
  return rows.size();
}

std::string profile_text(const std::string& name) {
  return "base = " + name + "\n[machine]\nwait_scale = 0\n";
}

// Runs a countdown to its end the way the dialog's timer does.
Countdown::State run_out(Countdown& c) {
  Countdown::State s = c.state();
  for (int i = 0; i < 100 && s == Countdown::State::Counting; ++i) s = c.tick();
  return s;
}

class GuiModel : public SimTest {
 protected:
  std::string profile() const override { return profile_; }
  void TearDown() override {
    model.release();
    SimTest::TearDown();
  }
  void start(const std::string& profile) {
    profile_ = profile;
    SimTest::SetUp();
    ASSERT_EQ(model.load(), 0);
  }
  void SetUp() override {}
  std::string profile_ = profile_text("dov");
  DisplayModel model;
};

}  // namespace

// ---- edit, apply, keep or run out --------------------------------------------

struct EditCase {
  const char* name;
  const char* profile;
  std::function<void(DisplayModel&)> edit;
  // Parts of the driver's view once the change is applied and kept.
  std::vector<std::string> applied;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

std::string case_name(const ::testing::TestParamInfo<std::tuple<EditCase, bool>>& info) {
  return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "_Kept" : "_RunOut");
}

const auto kLvds = PORT_LVDS;

const EditCase kEditCases[] = {
    {"ExtendedToTheAnalogScreen", "dov", [](DisplayModel& m) { ASSERT_TRUE(m.select_dc(0x00500048)); },
     {"dc=0x500048", " 4:1024x768x32@60 ", " 5:"}},
    {"SingleAnalog", "dov", [](DisplayModel& m) { ASSERT_TRUE(m.select_dc(0x00000051)); },
     {"dc=0x51", " 5:1024x768x32@60 "}},
    {"PrimaryResolution", "dov", [](DisplayModel& m) { m.set_mode(0, "800x600@60"); },
     {"dc=0x41", " 4:800x600x32@60 "}},
    {"PrimaryDepth", "dov", [](DisplayModel& m) { m.set_depth(0, "16"); }, {" 4:1024x768x16@60 "}},
    {"Rotation", "dov", [](DisplayModel& m) { m.set_rotation(kLvds, 1); }, {" 4:768x1024x32@60 r90 "}},
    {"Flip", "dov", [](DisplayModel& m) { m.set_flip(kLvds, 1); }, {" 4:1024x768x32@60 r0f "}},
    {"PortDisabled", "dov", [](DisplayModel& m) { m.set_port_enabled(kLvds, false); }, {"-off r0 a35=0x202020"}},
    {"RangeAttribute", "dov",
     [](DisplayModel& m) {
       m.set_attribute(kLvds, DisplayModel::Row::Range, row_of(m.working().ports[kLvds].attributes.ranges, "Backlight"), 30);
     },
     {" a1=0x1e "}},
    {"ListAttribute", "dov", [](DisplayModel& m) { m.set_attribute(kLvds, DisplayModel::Row::List, 0, 2); },
     {" a2=0x3 "}},
    {"BoolAttribute", "dov", [](DisplayModel& m) { m.set_attribute(kLvds, DisplayModel::Row::Bool, 0, 0); },
     {" a3=0x0 "}},
    {"GammaAllChannels", "dov",
     [](DisplayModel& m) { m.set_colour(Surface::Framebuffer, kLvds, kAllChannels, Level::Gamma, 22); },
     {" 4:1024x768x32@60 r0 a35=0x464646 a36=0x808080 "}},
    {"BrightnessRedContrastBlue", "dov",
     [](DisplayModel& m) {
       m.set_colour(Surface::Framebuffer, kLvds, kRed, Level::Brightness, -1);
       m.set_colour(Surface::Framebuffer, kLvds, kBlue, Level::Contrast, 127);
     },
     {" a36=0x7f8080 a37=0x8080ff "}},
    {"OverlayBrightness", "dov",
     [](DisplayModel& m) { m.set_colour(Surface::Overlay, 0, kAllChannels, Level::Brightness, 200); },
     {"ov=202020,65535,32768,32768"}},
    {"OverlayGammaAndContrast", "dov",
     [](DisplayModel& m) {
       m.set_colour(Surface::Overlay, 0, kGreen, Level::Gamma, 22);
       m.set_colour(Surface::Overlay, 0, kAllChannels, Level::Contrast, 0);
     },
     {"ov=204620,32768,1,32768"}},
    {"ExtendedToClone", "dov-dual", [](DisplayModel& m) { ASSERT_TRUE(m.select_dc(0x00000542)); },
     {"dc=0x542"}},
    {"SecondaryResolution", "dov-dual", [](DisplayModel& m) { m.set_mode(1, "1024x768@75"); },
     {"dc=0x500048", " 5:1024x768x32@75 "}},
    {"SecondaryDepth", "dov-dual", [](DisplayModel& m) { m.set_depth(1, "16"); }, {" 5:1280x1024x16@60 "}},
    {"ForeignPrimaryScreenResolution", "dov-foreign", [](DisplayModel& m) { m.set_mode(0, "800x600@60"); },
     {"dc=0x41", " 4:800x600x32@60 "}},
    {"ForeignPrimaryScreenRotation", "dov-foreign", [](DisplayModel& m) { m.set_rotation(kLvds, 1); },
     {" 4:768x1024x32@60 r90 "}},
    {"TwinKeepsRotation", "dov",
     [](DisplayModel& m) {
       m.set_rotation(kLvds, 2);
       ASSERT_TRUE(m.select_dc(0x00000144));
     },
     {"dc=0x144", " 4:1024x768x32@60 r180 "}},
};

class GuiEditApply : public GuiModel, public ::testing::WithParamInterface<std::tuple<EditCase, bool>> {};

TEST_P(GuiEditApply, KeptOrRevertedDriverState) {
  const auto& [c, keep] = GetParam();
  start(profile_text(c.profile));
  const std::string before = driver_view();
  c.edit(model);
  ASSERT_TRUE(model.modified());
  ASSERT_EQ(model.apply(), 0);
  ASSERT_TRUE(model.called());
  const std::string applied = driver_view();
  for (const auto& part : c.applied) EXPECT_NE(applied.find(part), std::string::npos) << part << "\n in " << applied;
  EXPECT_NE(applied, before);

  Countdown countdown;
  if (keep) {
    countdown.tick();
    ASSERT_EQ(countdown.answer_yes(), Countdown::State::Kept);
    model.keep();
    EXPECT_EQ(driver_view(), applied);
    EXPECT_EQ(model.confirmed().selected_dc, model.working().selected_dc);
    EXPECT_EQ(model.confirmed().screens[0].mode, model.working().screens[0].mode);
  } else {
    ASSERT_EQ(run_out(countdown), Countdown::State::Reverted);
    // Every page of the sheet applies again; the second finds nothing to send.
    ASSERT_EQ(model.revert(4), 0);
    EXPECT_EQ(driver_view(), before);
  }
  EXPECT_FALSE(model.modified());
  // Nothing is left to apply.
  EXPECT_EQ(model.apply(), 0);
  EXPECT_FALSE(model.called());
}

INSTANTIATE_TEST_SUITE_P(Cases, GuiEditApply, ::testing::Combine(::testing::ValuesIn(kEditCases), ::testing::Bool()),
                         case_name);

// ---- loading ----------------------------------------------------------------

TEST_F(GuiModel, LoadsIdentityConfigurationsAndModes) {
  start(profile_text("dov-dual"));
  const DisplayState& s = model.working();
  EXPECT_EQ(s.product, "Lumagraph Graphics Driver");
  EXPECT_EQ(s.version, "14.21");
  EXPECT_EQ(s.build, "4436");
  EXPECT_EQ(s.date, "Mar 14 2006 10:12:45");
  EXPECT_EQ(s.current.label, "lvds_port ( extend ) crt_port");
  EXPECT_EQ(s.current.primary, "lvds_port");
  EXPECT_EQ(s.current.secondary, "crt_port");
  // Single first, then twin, clone and extended; the three-port clone
  // 0x1452 is not offered.
  std::vector<uint32_t> offered;
  for (const auto& e : s.dcs) offered.push_back(e.dc);
  EXPECT_EQ(offered, (std::vector<uint32_t>{0x41, 0x51, 0x11, 0x21, 0x144, 0x542, 0x500048, 0x400058, 0x100048,
                                            0x200048, 0x500028}));
  // The analog screen lists its interlaced mode with the refresh doubled.
  const auto& texts = s.screens[1].texts;
  EXPECT_EQ(texts.back(), "1920x1080i@60");
  EXPECT_EQ(s.screens[0].mode, "1024x768@60");
  EXPECT_EQ(s.screens[1].mode, "1280x1024@60");
  EXPECT_TRUE(s.secondary_mode_editable);
  EXPECT_TRUE(s.secondary_depth_editable);
  EXPECT_FALSE(s.swapped);
  EXPECT_EQ(s.ports[PORT_DVOB].name, "dvob_port");
  EXPECT_FALSE(s.ports[PORT_DPB].present);
  EXPECT_EQ(s.ports[PORT_DPB].name, "NA");
  // Nothing edited, nothing sent (the overlay comparison finds no change).
  sim::clear_display_changes();
  EXPECT_EQ(model.apply(), 0);
  EXPECT_FALSE(model.called());
  EXPECT_TRUE(sim::display_changes().empty());
}

TEST_F(GuiModel, ACurrentDepthOf24ShowsAs32) {
  start("base = dov-dual\n[machine]\nwait_scale = 0\n[screen 0]\ndepth = 24\n");
  EXPECT_EQ(model.working().ports[PORT_LVDS].info.depth, 24u);
  EXPECT_EQ(model.working().screens[0].depth, "32");
}

TEST_F(GuiModel, ARotatedScreenPreselectsItsListedMode) {
  start(profile_text("dov"));
  model.set_rotation(PORT_LVDS, 3);
  ASSERT_EQ(model.apply(), 0);
  EXPECT_EQ(model.working().ports[PORT_LVDS].info.width, 768u);
  EXPECT_EQ(model.working().ports[PORT_LVDS].rotation, 270u);
  EXPECT_EQ(model.working().screens[0].mode, "1024x768@60");
}

TEST_F(GuiModel, BrokenDriverRepliesLoadOrRefuseCleanly) {
  struct Case {
    const char* fault;
    bool loads;
    const char* lvds_name;
  } cases[] = {
      {"driver_reply = bad_ports", true, "lvds_port"},
      {"driver_reply = unterminated_names", true, "AAAAAAAAAAAA"},
      {"driver_reply = huge_dc_count", false, ""},
      {"driver_reply = huge_mode_count", false, ""},
      {"escape_zero = all", false, ""},
      {"no_screens = 1", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    profile_ = std::string("base = dov\n[machine]\nwait_scale = 0\n[faults]\n") + c.fault + "\n";
    SimTest::SetUp();
    int rc = model.load();
    EXPECT_EQ(rc == 0, c.loads) << rc;
    EXPECT_EQ(model.loaded(), c.loads);
    if (c.loads) {
      for (const auto& e : model.working().dcs) EXPECT_TRUE(dc_ports_valid(e.dc)) << std::hex << e.dc;
      EXPECT_EQ(model.working().ports[PORT_LVDS].name, c.lvds_name);
    } else {
      // Without a state the pages do nothing.
      model.set_mode(0, "800x600@60");
      EXPECT_FALSE(model.modified());
      EXPECT_EQ(model.apply(), 0);
      EXPECT_FALSE(model.called());
    }
    model.release();
    SimTest::TearDown();
  }
}

TEST(GuiSwap, SwappedScreensFollowTheMapping) {
  std::vector<opal_disp_port_map_t> map(2);
  map[0].is_primary = 1;
  map[0].num_ports = 1;
  map[0].ports[0].port = PORT_ANALOG;
  map[1].num_ports = 1;
  map[1].ports[0].port = PORT_LVDS;
  EXPECT_TRUE(master_off_primary_screen(map.data(), 2, PORT_LVDS));
  EXPECT_FALSE(master_off_primary_screen(map.data(), 2, PORT_ANALOG));
  EXPECT_FALSE(master_off_primary_screen(map.data(), 1, PORT_LVDS));
  map[1].num_ports = 99;  // a count past the slots reads no further
  EXPECT_TRUE(master_off_primary_screen(map.data(), 2, PORT_LVDS));
  EXPECT_FALSE(master_off_primary_screen(nullptr, 2, PORT_LVDS));
}

// ---- choices the library cannot take ----------------------------------------

bool changed_to(const std::string& what) {
  for (const auto& c : sim::display_changes())
    if (c.find(what) != std::string::npos) return true;
  return false;
}

TEST_F(GuiModel, AnUnlistedPrimaryModeSendsNothingAndKeepsTheState) {
  start(profile_text("dov"));
  sim::clear_display_changes();
  model.set_mode(0, "999x999@60");
  EXPECT_EQ(model.apply(), kSetModeFailed);
  EXPECT_FALSE(changed_to("set_dc"));
  EXPECT_TRUE(sim::display_changes().empty());
  EXPECT_TRUE(model.loaded());
  EXPECT_EQ(opal_get_current_dc(), 0x41u);
}

TEST_F(GuiModel, AnUnlistedSecondaryModeSendsNoSecondaryMode) {
  start(profile_text("dov-dual"));
  sim::clear_display_changes();
  model.set_mode(1, "999x999@60");
  model.apply();
  EXPECT_FALSE(changed_to("999x999"));
  EXPECT_FALSE(changed_to("0x0x"));
}

TEST_F(GuiModel, APortThatRefusesReleasesTheState) {
  start("base = dov\n[machine]\nwait_scale = 0\n[lumagraph]\nno_enable = 4\n");
  model.set_port_enabled(PORT_LVDS, false);
  ASSERT_EQ(model.apply(), 0);
  // This panel can be switched off but refuses to come back.
  model.set_port_enabled(PORT_LVDS, true);
  int rc = model.apply();
  EXPECT_NE(rc, 0);
  EXPECT_NE(rc, kSetModeFailed);
  EXPECT_FALSE(model.loaded());
}

TEST_F(GuiModel, MessagesAreWrittenWhateverTheVolume) {
  start(profile_text("dov"));
  debug_volume = 0;  // the library has no way to set it; the test reaches inside
  StdoutCapture out;
  EXPECT_EQ(opal_get_port_info(PORT_LVDS, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(out.stop(), "ERROR: Invalid pointer to port info\n");
}

// ---- pages ------------------------------------------------------------------

TEST_F(GuiModel, PortBoxesOfTheAttributesAndColourPages) {
  start(profile_text("dov-dual"));
  uint32_t sel = 0;
  EXPECT_EQ(model.attribute_ports(PORT_ANALOG, &sel), (std::vector<uint32_t>{PORT_LVDS, PORT_ANALOG}));
  EXPECT_EQ(sel, PORT_ANALOG);
  model.attribute_ports(PORT_TV, &sel);
  EXPECT_EQ(sel, PORT_LVDS);
  EXPECT_EQ(model.colour_ports(PORT_ANALOG, &sel), (std::vector<uint32_t>{PORT_LVDS, PORT_ANALOG}));
  EXPECT_EQ(sel, PORT_ANALOG);
  model.colour_ports(PORT_TV, &sel);
  EXPECT_EQ(sel, PORT_LVDS);
  // Panel attributes: Panel Power Delay is read-only; the list selects
  // its entry by value minus 1.
  const SortedAttributes& a = model.working().ports[PORT_LVDS].attributes;
  std::vector<std::string> ranges;
  for (const auto& r : a.ranges) ranges.emplace_back(r.name);
  EXPECT_EQ(ranges, (std::vector<std::string>{"Gamma", "Brightness", "Contrast", "Backlight"}));
  ASSERT_EQ(a.lists.size(), 1u);
  EXPECT_EQ(a.lists[0].entries.size(), 3u);
  EXPECT_EQ(DisplayModel::list_selection(a.lists[0]), 0);
  ASSERT_EQ(a.bools.size(), 1u);
}

void set_attribute_value(uint32_t port, uint32_t id, uint32_t value) {
  opal_port_attribute_t* t = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_get_port_attributes(port, &t, &n), EXIT_OK);
  for (uint32_t i = 0; i < n; ++i)
    if (t[i].id == id) {
      t[i].current_value = value;
      EXPECT_EQ(opal_set_port_attributes(port, &t[i]), EXIT_OK);
      break;
    }
  opal_free_port_attributes(t);
}

TEST_F(GuiModel, ColourSliders) {
  profile_ = profile_text("dov");
  SimTest::SetUp();
  ASSERT_EQ(opal_open(0), EXIT_OK);
  set_attribute_value(PORT_LVDS, OPAL_ATTR_GAMMA, 0x202C20);
  set_attribute_value(PORT_LVDS, OPAL_ATTR_BRIGHTNESS, 0x008080);
  opal_overlay_params_t ov{OPAL_OVERLAY_WRITE | OPAL_OVERLAY_GAMMA | OPAL_OVERLAY_BRIGHTNESS, 0x01FFFF, 65535, 0, 0, 0};
  ASSERT_EQ(opal_set_overlay_params(&ov), EXIT_OK);
  ASSERT_EQ(model.load(), 0);

  struct Case {
    Surface surface;
    int channel;
    Level level;
    bool visible, enabled;
    int min, max, position;
    const char* text;
  } cases[] = {
      {Surface::Framebuffer, kAllChannels, Level::Gamma, true, false, 6, 60, 10, "N/A"},
      {Surface::Framebuffer, kGreen, Level::Gamma, true, true, 6, 60, 14, "1.4"},
      {Surface::Framebuffer, kRed, Level::Brightness, true, true, -127, 127, -127, "-127"},
      {Surface::Framebuffer, kAllChannels, Level::Brightness, true, false, -127, 127, -127, "N/A"},
      {Surface::Framebuffer, kAllChannels, Level::Contrast, true, true, -127, 127, 0, "0"},
      {Surface::Framebuffer, kAllChannels, Level::Saturation, false, false, 0, 0, 0, ""},
      // Overlay gamma is clamped to 0.6 ... 6.0 when read.
      {Surface::Overlay, kRed, Level::Gamma, true, true, 6, 60, 6, "0.6"},
      {Surface::Overlay, kBlue, Level::Gamma, true, true, 6, 60, 60, "6.0"},
      {Surface::Overlay, kAllChannels, Level::Brightness, true, true, 0, 200, 200, "200"},
      {Surface::Overlay, kAllChannels, Level::Saturation, true, true, 0, 200, 100, "100"},
  };
  for (const auto& c : cases) {
    SliderView v = model.colour_slider(c.surface, PORT_LVDS, c.channel, c.level);
    SCOPED_TRACE(std::to_string(static_cast<int>(c.level)) + "/" + std::to_string(c.channel));
    EXPECT_EQ(v.visible, c.visible);
    if (!c.visible) continue;
    EXPECT_EQ(v.enabled, c.enabled);
    EXPECT_EQ(v.min, c.min);
    EXPECT_EQ(v.max, c.max);
    EXPECT_EQ(v.position, c.position);
    EXPECT_EQ(v.text, c.text);
  }

  // Restore Defaults on both surfaces sends gamma 1.0 and the middle levels.
  model.restore_defaults(Surface::Framebuffer, PORT_LVDS);
  model.restore_defaults(Surface::Overlay, 0);
  ASSERT_EQ(model.apply(), 0);
  const std::string view = driver_view();
  EXPECT_NE(view.find(" 4:1024x768x32@60 r0 a35=0x202020 a36=0x808080 a37=0x808080 "), std::string::npos) << view;
  EXPECT_NE(view.find("ov=202020,32768,32768,32768"), std::string::npos) << view;
}
