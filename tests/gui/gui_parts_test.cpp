// The GUI model's pieces that need no machine: attribute sorting, texts,
// the countdown and the start-up registry search.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "confirmation.h"
#include "display_model.h"
#include "startup.h"
#include "texts.h"

using namespace gui;

namespace {

opal_port_attribute_t attr(uint32_t id, uint32_t type, const char* name, uint32_t flags = 0, uint32_t current = 0,
                           uint32_t min = 0, uint32_t max = 0) {
  opal_port_attribute_t a{};
  a.id = id;
  a.type = type;
  std::strncpy(a.name, name, sizeof a.name - 1);
  a.flags = flags;
  a.current_value = current;
  a.min = min;
  a.max = max;
  return a;
}

std::vector<std::string> names(const std::vector<opal_port_attribute_t>& list) {
  std::vector<std::string> out;
  for (const auto& a : list) out.emplace_back(a.name);
  return out;
}

}  // namespace

TEST(SortAttributes, RowsByTypeSkippingReadOnlyRecordsAndTheirEntries) {
  std::vector<opal_port_attribute_t> t = {
      attr(1, 1, "Backlight", 0, 50, 0, 100),
      attr(2, 2, "Locked List", 0x10, 1, 2),  // read-only: its two entries go with it
      attr(1, 3, "Entry A"),                  // entries that look like a boolean and a range
      attr(2, 1, "Entry B"),
      attr(3, 2, "Fitting", 0, 2, 2),
      attr(1, 2, "Centered"),
      attr(2, 2, "Full"),
      attr(4, 3, "Dither", 0, 1, 0, 1),
      attr(5, 3, "Hidden Bool", 0x80),
      attr(6, 1, "Hidden Range", 0x08),
      attr(7, 4, "Type Four"),
      attr(8, 9, "Type Nine"),
  };
  SortedAttributes s = sort_attributes(t.data(), static_cast<uint32_t>(t.size()));
  EXPECT_EQ(names(s.ranges), std::vector<std::string>{"Backlight"});
  ASSERT_EQ(s.lists.size(), 1u);
  EXPECT_STREQ(s.lists[0].attribute.name, "Fitting");
  EXPECT_EQ(names(s.lists[0].entries), (std::vector<std::string>{"Centered", "Full"}));
  EXPECT_EQ(names(s.bools), std::vector<std::string>{"Dither"});
}

TEST(SortAttributes, RowLimitsAndAListCountPastTheTable) {
  std::vector<opal_port_attribute_t> t;
  for (int i = 0; i < 20; ++i) t.push_back(attr(100 + i, 1, ("Range " + std::to_string(i)).c_str(), 0, 0, 0, 9));
  for (int i = 0; i < 7; ++i) t.push_back(attr(200 + i, 3, "Bool"));
  for (int i = 0; i < 6; ++i) {
    t.push_back(attr(300 + i, 2, "List", 0, 1, 1));
    t.push_back(attr(1, 2, "Only"));
  }
  // The last list claims 1000 entries; only the one record after it exists.
  t.push_back(attr(400, 2, "Greedy", 0, 1, 1000));
  t.push_back(attr(1, 2, "Last"));
  SortedAttributes s = sort_attributes(t.data(), static_cast<uint32_t>(t.size()));
  ASSERT_EQ(s.ranges.size(), kRangeRows);
  EXPECT_STREQ(s.ranges.back().name, "Range 14");
  EXPECT_EQ(s.bools.size(), kBoolRows);
  EXPECT_EQ(s.lists.size(), kListRows);

  std::vector<opal_port_attribute_t> greedy = {attr(1, 1, "A", 0, 0, 0, 1), attr(9, 2, "Greedy", 0, 1, 1000),
                                                attr(1, 2, "Last")};
  s = sort_attributes(greedy.data(), 3);
  ASSERT_EQ(s.lists.size(), 1u);
  EXPECT_EQ(names(s.lists[0].entries), std::vector<std::string>{"Last"});
  EXPECT_TRUE(sort_attributes(nullptr, 5).ranges.empty());
}

TEST(SortAttributes, ListSelectionIsTheValueMinusOneAndNothingOutsideTheList) {
  ListAttribute list{attr(3, 2, "Fitting", 0, 0, 3), {attr(1, 2, "a"), attr(2, 2, "b"), attr(3, 2, "c")}};
  const std::pair<uint32_t, int> cases[] = {{0, -1}, {1, 0}, {3, 2}, {4, -1}, {0xFFFFFFFFu, -1}};
  for (auto [value, selected] : cases) {
    list.attribute.current_value = value;
    EXPECT_EQ(DisplayModel::list_selection(list), selected) << value;
  }
}

TEST(TrackBars, ValuesAboveWhatATrackBarHoldsAreClamped) {
  EXPECT_EQ(track_value(0), 0);
  EXPECT_EQ(track_value(0xFFFFFF), 0xFFFFFF);
  EXPECT_EQ(track_value(0x7FFFFFFFu), 0x7FFFFFFF);
  EXPECT_EQ(track_value(0x80000000u), 0x7FFFFFFF);
  EXPECT_EQ(track_value(0xFFFFFFFFu), 0x7FFFFFFF);
}

TEST(Texts, ModeAndDepthTexts) {
  opal_mode_t m{};
  m.width = 1920;
  m.height = 1080;
  m.refresh = 30;
  m.flags = OPAL_MODE_INTERLACED;
  EXPECT_EQ(mode_text(m), "1920x1080i@60");
  m.flags = 0;
  EXPECT_EQ(mode_text(m), "1920x1080@30");
  opal_port_info_t info{};
  info.width = 720;
  info.height = 480;
  info.refresh = 30;
  info.mode_flags = OPAL_MODE_INTERLACED;
  EXPECT_EQ(current_mode_text(info), "720x480i@60");

  const std::pair<uint32_t, const char*> depths[] = {{8, "8"}, {16, "16"}, {24, "32"}, {32, "32"}, {0, "32"}};
  for (auto [d, text] : depths) EXPECT_EQ(depth_text(d), text) << d;
  // The request's depth comes from the text itself.
  const std::pair<const char*, uint16_t> back[] = {{"8", 8}, {"16", 16}, {"24", 24}, {"32", 32}, {"", 0}, {"3", 0}};
  for (auto [text, d] : back) EXPECT_EQ(depth_of_text(text), d) << text;
}

TEST(Texts, LabelsJoinDisplayNamesPerDisplay) {
  DisplayState s;
  s.ports[PORT_LVDS].name = "lvds_port";
  s.ports[PORT_ANALOG].name = "crt_port";
  s.ports[PORT_TV].name = "tv_port";
  struct Case {
    uint32_t dc;
    bool swapped;
    const char* label;
  } cases[] = {
      {0x00000041, false, "lvds_port ( single )"},
      {0x00000144, false, "lvds_port, tv_port ( twin )"},
      {0x00000542, false, "lvds_port, crt_port ( clone ) "},
      {0x00100052, false, "crt_port ( clone ) tv_port"},
      {0x00500048, false, "lvds_port ( extend ) crt_port"},
      {0x00500048, true, "crt_port ( extend ) lvds_port"},
      // Swapping concerns extended configurations only.
      {0x00100052, true, "crt_port ( clone ) tv_port"},
      // Ports past the per-port arrays are left out, not indexed.
      {0x00F00048, false, "lvds_port ( extend ) "},
  };
  for (const auto& c : cases) EXPECT_EQ(make_dc_entry(c.dc, s, c.swapped).label, c.label) << std::hex << c.dc;
  opal_port_info_t info{};
  std::strcpy(info.user_alias, "A very long user alias");
  EXPECT_EQ(port_display_name(info), "A very long ");
  std::memset(info.user_alias, 'x', sizeof info.user_alias);  // unterminated
  EXPECT_EQ(port_display_name(info), "xxxxxxxxxxxx");
}

TEST(Texts, OfferedConfigurationsByTypeWithAtMostTwoKnownPorts) {
  std::vector<uint32_t> driver = {0x00500048, 0x00000542, 0x00000041, 0x00001452, 0x00000144,
                                  0x00000051, 0x00000043, 0xFED00049, 0x00100052, 0x00090041};
  EXPECT_EQ(offered_dcs(driver),
            (std::vector<uint32_t>{0x00000041, 0x00000051, 0x00000144, 0x00000542, 0x00100052, 0x00500048}));
}

TEST(Texts, ConverterLengthRules) {
  EXPECT_EQ(CConverter::to_wide("LVDS"), L"LVDS");
  EXPECT_EQ(CConverter::to_wide(std::string(255, 'a')), std::wstring(255, L'a'));
  EXPECT_EQ(CConverter::to_wide(std::string(256, 'a')), L"NA");
  EXPECT_EQ(CConverter::to_narrow(L"800x600@60"), "800x600@60");
  EXPECT_EQ(CConverter::to_narrow(L""), "NA");
  EXPECT_EQ(CConverter::to_narrow(std::wstring(255, L'b')), std::string(255, 'b'));
  EXPECT_EQ(CConverter::to_narrow(std::wstring(256, L'b')), "NA");
}

TEST(Countdown, FifteenTicksRevertYesKeeps) {
  Countdown c;
  EXPECT_EQ(c.line(), "Reverting in 15 seconds");
  for (int i = 0; i < 14; ++i) EXPECT_EQ(c.tick(), Countdown::State::Counting);
  EXPECT_EQ(c.line(), "Reverting in 1 seconds");
  EXPECT_EQ(c.tick(), Countdown::State::Reverted);
  EXPECT_EQ(c.remaining(), 0);
  // A late answer does not change the outcome.
  EXPECT_EQ(c.answer_yes(), Countdown::State::Reverted);

  Countdown yes;
  yes.tick();
  EXPECT_EQ(yes.answer_yes(), Countdown::State::Kept);
  EXPECT_EQ(yes.tick(), Countdown::State::Kept);
  Countdown no;
  EXPECT_EQ(no.answer_no(), Countdown::State::Reverted);

  EXPECT_TRUE(confirmation_due(false, true));
  EXPECT_FALSE(confirmation_due(true, true));
  EXPECT_FALSE(confirmation_due(false, false));
}

namespace {

// A registry of texts and numbers by "key|value".
class FakeRegistry : public MachineRegistry {
 public:
  std::map<std::string, std::string> texts;
  std::map<std::string, uint32_t> numbers;
  bool read_text(const std::string& key, const std::string& value, std::string& text) override {
    auto it = texts.find(key + "|" + value);
    if (it == texts.end()) return false;
    text = it->second;
    return true;
  }
  bool read_dword(const std::string& key, const std::string& value, uint32_t& number) override {
    auto it = numbers.find(key + "|" + value);
    if (it == numbers.end()) return false;
    number = it->second;
    return true;
  }
};

const char* const kLuma = "System\\CurrentControlSet\\Control\\Video\\{1}\\0000";
const char* const kOther = "System\\CurrentControlSet\\Control\\Video\\{2}\\0000";

}  // namespace

TEST(Startup, DevicePathLosesRootAndMachine) {
  EXPECT_EQ(device_key_of("\\Registry\\Machine\\System\\Video\\0000"), "System\\Video\\0000");
  EXPECT_EQ(device_key_of("\\Registry\\Machine"), "");
  EXPECT_EQ(device_key_of(""), "");
}

TEST(Startup, NoAttribPageReadsAsHexDigitsThenDecimal) {
  const std::pair<uint32_t, uint32_t> cases[] = {{0, 0}, {1, 1}, {0xA0, 0}, {0x10, 10}, {0x12345678, 12345678}};
  for (auto [dword, read] : cases) EXPECT_EQ(no_attrib_page_value(dword), read) << std::hex << dword;
}

TEST(Startup, AttributesPageHiddenBySearch) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> texts;
    std::map<std::string, uint32_t> numbers;
    bool hidden;
  };
  const std::string map = kVideoMapKey;
  const std::string v0 = map + "|\\Device\\Video0", v1 = map + "|\\Device\\Video1";
  const std::string luma = std::string("\\Registry\\Machine\\") + kLuma;
  const std::string other = std::string("\\Registry\\Machine\\") + kOther;
  const std::string desc = "|Device Description";
  const Case cases[] = {
      {"no video device", {}, {}, false},
      {"NoAttribPage 1", {{v0, luma}, {kLuma + desc, "Varnel Lumagraph"}}, {{std::string(kLuma) + "|NoAttribPage", 1}}, true},
      {"NoAttribPage 0xA0", {{v0, luma}, {kLuma + desc, "Varnel Lumagraph"}}, {{std::string(kLuma) + "|NoAttribPage", 0xA0}}, false},
      {"no value", {{v0, luma}, {kLuma + desc, "Varnel Lumagraph"}}, {}, false},
      {"another vendor first",
       {{v0, other}, {kOther + desc, "Generic VGA"}, {v1, luma}, {kLuma + desc, "Varnel Lumagraph"}},
       {{std::string(kOther) + "|NoAttribPage", 0}, {std::string(kLuma) + "|NoAttribPage", 1}},
       true},
      {"no description is the device", {{v0, luma}}, {{std::string(kLuma) + "|NoAttribPage", 1}}, true},
      {"only other vendors", {{v0, other}, {kOther + desc, "Generic VGA"}}, {{std::string(kOther) + "|NoAttribPage", 1}}, false},
  };
  for (const auto& c : cases) {
    FakeRegistry r;
    r.texts = c.texts;
    r.numbers = c.numbers;
    EXPECT_EQ(attributes_page_hidden(r), c.hidden) << c.what;
  }
  EXPECT_EQ(sheet_pages(true), (std::vector<Page>{Page::Info, Page::Config, Page::Colour}));
  EXPECT_EQ(sheet_pages(false), (std::vector<Page>{Page::Info, Page::Config, Page::Attributes, Page::Colour}));
}
