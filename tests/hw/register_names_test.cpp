// Registers by name: the names in the maps check themselves, and the one
// grammar resolves names, offsets, titles, fields and wildcards.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "core/msglog.h"
#include "hw/hw_regs.h"
#include "hw/register_names.h"
#include "support/sim_fixture.h"

namespace {

bool well_formed(const std::string& name) {
  if (name.empty() || !std::islower(static_cast<unsigned char>(name[0])) || name.back() == '_') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (!(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '_'))
      return false;
    if (c == '_' && name[i + 1] == '_') return false;
  }
  return true;
}

TEST(RegisterNames, EveryRowIsNamedWellAndUniquelyPerFamily) {
  std::vector<const reg_row_t*> rows;
  for (reg_table t : {reg_table::plane, reg_table::port, reg_table::error}) {
    size_t n = 0;
    const reg_row_t* r = register_rows(t, &n);
    for (size_t i = 0; i < n; ++i) rows.push_back(&r[i]);
  }
  for (auto get : {&pipe_rows, &tv_rows}) {
    size_t n = 0;
    const reg_row_t* r = get(&n);
    for (size_t i = 0; i < n; ++i) rows.push_back(&r[i]);
  }
  rows.push_back(&vgacntrl_row());
  rows.push_back(&lvds_row());
  for (const reg_row_t* row : rows) {
    ASSERT_NE(row->name, nullptr) << row->title;
    EXPECT_TRUE(well_formed(row->name)) << row->name;
  }
  size_t total = 0;
  for (const RegisterMap* map : RegisterMap::all()) {
    SCOPED_TRACE(map->family_name());
    // Every row of the family is in its map, under a name of its own.
    size_t expected = 0;
    for (const reg_row_t* row : rows) expected += (row->families & map->family().family()) != 0;
    EXPECT_EQ(map->registers().size(), expected);
    std::set<std::string> names, fields;
    for (const named_reg_t& reg : map->registers()) {
      EXPECT_TRUE(names.insert(reg.name).second) << reg.name << " named twice";
      EXPECT_EQ(map->by_name(reg.name), &reg);
      for (size_t i = 0; i < reg.field_count; ++i) fields.insert(reg.fields[i].name);
    }
    // A register name never hides a field of the same name.
    for (const std::string& name : names) EXPECT_EQ(fields.count(name), 0u) << name;
    total += map->registers().size();
  }
  EXPECT_GT(total, 250u);
  // The two sprite size rows share a title, not a name.
  const RegisterMap* dov = RegisterMap::of_family(2);
  EXPECT_STREQ(dov->by_name("sprite_a_size")->title, dov->by_name("sprite_b_size")->title);
}

TEST(RegisterNames, MapHoldsWhatTheDumpsPrint) {
  const RegisterMap* cyr = RegisterMap::of_family(4);
  // The error table's offsets are the family's own, the DPLL A ones too.
  EXPECT_EQ(cyr->by_name("acthd")->offset, 0x2074u);
  EXPECT_EQ(RegisterMap::of_family(6)->by_name("dpll_a_ctrl")->offset, 0xF014u);
  EXPECT_EQ(cyr->by_name("dpll_a_ctrl")->offset, 0x6014u);
  // Fields follow the dump's "decode as": pipe B prints pipe A's fields.
  EXPECT_EQ(cyr->by_name("pipe_b_conf")->fields, cyr->by_name("pipe_a_conf")->fields);
  EXPECT_EQ(cyr->by_name("pipe_b_conf")->table, dump_table::pipe);
  EXPECT_EQ(cyr->by_name("vgacntrl")->field_count, 16u);
  // fyn's second-device rows describe device 3's value.
  const RegisterMap* fyn = RegisterMap::of_family(6);
  EXPECT_EQ(fyn->by_name("pipe_b_htotal")->device, 3u);
  EXPECT_EQ(fyn->by_name("pipe_a_htotal")->device, 2u);
  EXPECT_EQ(RegisterMap::of_family(7)->by_name("pipe_b_htotal")->device, 2u);
  EXPECT_EQ(RegisterMap::of_family(3), nullptr);
  // Registers a family lacks are not in its map.
  EXPECT_EQ(RegisterMap::of_family(5)->by_name("acthd"), nullptr);
  EXPECT_EQ(RegisterMap::of_family(1)->by_name("dp_b_port"), nullptr);
}

struct Case {
  int family;
  const char* pattern;
  bool one;  // find_one_name rather than find_names
  name_status status;
  std::vector<std::string> matches;  // found or ambiguous: all of them; else the suggestions
};

std::vector<std::string> names_of(const name_lookup_t& r) {
  std::vector<std::string> out;
  if (r.status == name_status::no_match) return r.suggestions;
  for (const reg_match_t& m : r.matches) out.push_back(match_name(m));
  return out;
}

TEST(RegisterNames, GrammarTable) {
  using S = name_status;
  const std::vector<std::string> kPipeA = {"pipe_a_conf",   "pipe_a_htotal", "pipe_a_hblank", "pipe_a_hsync",
                                           "pipe_a_vtotal", "pipe_a_vblank", "pipe_a_vsync",  "pipe_a_src_size"};
  const Case kCases[] = {
      // A register by short name, offset or title, in any case.
      {2, "plane_a_ctrl", true, S::found, {"plane_a_ctrl"}},
      {2, "Plane_A_CTRL", true, S::found, {"plane_a_ctrl"}},
      {2, "0x70180", true, S::found, {"plane_a_ctrl"}},
      {2, "0X0070180", true, S::found, {"plane_a_ctrl"}},
      {2, "display a plane control register", true, S::found, {"plane_a_ctrl"}},
      {2, "DISPLAY_A_PLANE_CONTROL_REGISTER", true, S::found, {"plane_a_ctrl"}},
      {4, "0x2074", true, S::found, {"acthd"}},
      // A field of it, or alone where the family has it once.
      {2, "plane_a_ctrl.disp_plane_a_enable", true, S::found, {"plane_a_ctrl.disp_plane_a_enable"}},
      {2, "0x70180.DISP_A_GAMMA_ENABLE", true, S::found, {"plane_a_ctrl.disp_a_gamma_enable"}},
      {2, "disp_plane_a_enable", true, S::found, {"plane_a_ctrl.disp_plane_a_enable"}},
      {4, "disp_plane_a_enable", true, S::ambiguous, {"plane_a_ctrl.disp_plane_a_enable", "plane_b_ctrl.disp_plane_a_enable"}},
      {6, "disp_180rot", false, S::ambiguous, {"plane_a_ctrl.disp_180rot", "plane_b_ctrl.disp_180rot"}},
      {2, "pipe_enable", false, S::ambiguous, {"pipe_a_conf.pipe_enable", "pipe_b_conf.pipe_enable"}},
      // Wildcards in either part.
      {2, "pipe_a_*", false, S::found, kPipeA},
      {2, "pipe_a_*", true, S::ambiguous, kPipeA},
      {2, "pipe_?_conf", false, S::found, {"pipe_a_conf", "pipe_b_conf"}},
      {2, "*.disp_*_enable", false, S::found,
       {"plane_a_ctrl.disp_plane_a_enable", "plane_a_ctrl.disp_a_gamma_enable", "plane_b_ctrl.disp_bsprite_enable",
        "plane_b_ctrl.disp_bsprite_gamma_enable"}},
      {2, "plane_?_ctrl.*_enable", false, S::found,
       {"plane_a_ctrl.disp_plane_a_enable", "plane_a_ctrl.disp_a_gamma_enable", "plane_a_ctrl.key_wind_enable",
        "plane_a_ctrl.key_enable", "plane_b_ctrl.disp_bsprite_enable", "plane_b_ctrl.disp_bsprite_gamma_enable",
        "plane_b_ctrl.key_wind_enable", "plane_b_ctrl.src_key_enable"}},
      {1, "*sprite*", false, S::found, {"sprite_a_size", "sprite_a_color_key", "sprite_b_size", "sprite_b_color_key"}},
      {2, "*wss*", false, S::found, {"tv_wss_ctrl", "tv_wss_data"}},
      // Registers that share a title, or an offset.
      {2, "sprite height and width register", true, S::ambiguous, {"sprite_a_size", "sprite_b_size"}},
      {6, "0x61180", false, S::found, {"lvds_port", "lvds_ctrl"}},
      {6, "0x61180", true, S::ambiguous, {"lvds_port", "lvds_ctrl"}},
      // Nothing: close names, nearest first, at most three.
      {2, "plane_a_ctl", true, S::no_match, {"plane_a_ctrl", "plane_b_ctrl", "dpll_a_ctrl"}},
      {2, "pipe_a_conf.pipe_enabl", true, S::no_match, {"pipe_a_conf.pipe_enable", "pipe_b_conf.pipe_enable"}},
      {5, "acthd", true, S::no_match, {}},
      {2, "0x12345", false, S::no_match, {}},
      {2, "", false, S::no_match, {}},
      {2, ".", false, S::no_match, {}},
      {2, "plane_a_ctrl.", false, S::no_match, {"plane_a_ctrl"}},
      {2, "0x", false, S::no_match, {}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.pattern) + " on " + family_short_name(c.family));
    const RegisterMap* map = RegisterMap::of_family(c.family);
    name_lookup_t r = c.one ? find_one_name(*map, c.pattern) : find_names(*map, c.pattern);
    EXPECT_EQ(static_cast<int>(r.status), static_cast<int>(c.status));
    std::vector<std::string> got = names_of(r);
    if (c.status == S::no_match && got.size() > c.matches.size()) got.resize(c.matches.size());
    EXPECT_EQ(got, c.matches);
  }
}

TEST(RegisterNames, WildcardsAcrossFieldsAndNoRegisterHidesThem) {
  const RegisterMap* dov = RegisterMap::of_family(2);
  name_lookup_t r = find_names(*dov, "*enable*");
  ASSERT_EQ(r.status, name_status::found);
  EXPECT_GT(r.matches.size(), 20u);
  for (const reg_match_t& m : r.matches) {
    ASSERT_GE(m.field, 0);
    EXPECT_NE(std::string(m.bit_field()->name).find("enable"), std::string::npos);
  }
}

TEST(RegisterNames, FailuresAreReportedWithTheirNames) {
  uint32_t saved = debug_volume;
  debug_volume = 1;
  const RegisterMap* dov = RegisterMap::of_family(2);
  StdoutCapture out;
  EXPECT_EQ(report_name_failure(*dov, "plane_a_ctl", find_one_name(*dov, "plane_a_ctl")), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(report_name_failure(*dov, "pipe_enable", find_one_name(*dov, "pipe_enable")), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(report_name_failure(*dov, "zzzzzzzzzzzzzzzz", find_one_name(*dov, "zzzzzzzzzzzzzzzz")),
            EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(report_name_failure(*dov, "pipe_a_conf", find_one_name(*dov, "pipe_a_conf")), EXIT_OK);
  std::string text = out.stop();
  debug_volume = saved;
  EXPECT_NE(text.find("ERROR: No register or field of the dov family is named plane_a_ctl; close names: "
                      "plane_a_ctrl, plane_b_ctrl, dpll_a_ctrl"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("ERROR: pipe_enable names 2 registers or fields of the dov family; name one of them:"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("    pipe_b_conf.pipe_enable"), std::string::npos) << text;
  EXPECT_NE(text.find("is named zzzzzzzzzzzzzzzz\n"), std::string::npos) << text;
}

TEST(RegisterNames, GlobAndDistance) {
  struct G {
    const char* pattern;
    const char* text;
    bool match;
  };
  const G kGlobs[] = {{"*", "", true},        {"", "", true},          {"", "a", false},      {"a*b", "ab", true},
                      {"a*b", "axxbxb", true}, {"a*b", "axxbx", false}, {"?", "", false},     {"a?c", "ABC", true},
                      {"**a", "bba", true},   {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaa", false}};
  for (const G& g : kGlobs) EXPECT_EQ(glob_match(g.pattern, g.text), g.match) << g.pattern << " ~ " << g.text;
  EXPECT_EQ(edit_distance("plane_a_ctl", "plane_a_ctrl"), 1u);
  EXPECT_EQ(edit_distance("", "abc"), 3u);
  EXPECT_EQ(edit_distance("kitten", "sitting"), 3u);
}

TEST(RegisterNames, FieldBitsAndReservedOnes) {
  const named_reg_t* a = RegisterMap::of_family(2)->by_name("plane_a_ctrl");
  // dov: reserved4 [19], reserved3 [18], reserved2 [17:15], reserved1 [10:0].
  EXPECT_EQ(reserved_mask(*a), 0x000F87FFu);
  EXPECT_EQ(field_mask(a->fields[2]), 0x3C000000u);
  EXPECT_EQ(field_value(a->fields[2], 0x98000000u), 0x6u);
  bit_field_t whole{31, 0, "x"};
  EXPECT_EQ(field_mask(whole), 0xFFFFFFFFu);
  for (const char* name : {"reserved1", "reserved16"}) EXPECT_TRUE(is_reserved_field({0, 0, name})) << name;
  for (const char* name : {"reserved", "preserved", "reserved_x", "res"}) EXPECT_FALSE(is_reserved_field({0, 0, name}));
}

}  // namespace
