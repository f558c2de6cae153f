#include "commands/state_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Good {
  const char* line;
  std::string name;
  RuleOp op;
  std::vector<uint32_t> values;
  const char* canonical;
};

TEST(StateRules, ParsesEveryComparisonSetAndRange) {
  const Good cases[] = {
      {"pipe_a_conf.pipe_enable == 1", "pipe_a_conf.pipe_enable", RuleOp::eq, {1}, "pipe_a_conf.pipe_enable == 1"},
      {"  plane_a_ctrl.disp_a_src_pxl_fmt in {6, 7}  # RGB", "plane_a_ctrl.disp_a_src_pxl_fmt", RuleOp::in_set, {6, 7},
       "plane_a_ctrl.disp_a_src_pxl_fmt in {6, 7}"},
      {"pipe_a_htotal.* != 0", "pipe_a_htotal.*", RuleOp::ne, {0}, "pipe_a_htotal.* != 0"},
      {"0x61180.lvds_port_enable==1", "0x61180.lvds_port_enable", RuleOp::eq, {1}, "0x61180.lvds_port_enable == 1"},
      {"*.reserved* == 0", "*.reserved*", RuleOp::eq, {0}, "*.reserved* == 0"},
      {"a < 0x10", "a", RuleOp::lt, {16}, "a < 0x10"},
      {"a <= 4294967295", "a", RuleOp::le, {0xFFFFFFFFu}, "a <= 0xFFFFFFFF"},
      {"a > 2", "a", RuleOp::gt, {2}, "a > 2"},
      {"a >= 2", "a", RuleOp::ge, {2}, "a >= 2"},
      {"a in 1..0x20", "a", RuleOp::in_range, {1, 32}, "a in 1..0x20"},
      {"a IN{3}", "a", RuleOp::in_set, {3}, "a in {3}"},
      {"Pipe A Configuration Register.pipe_enable == 1\r", "Pipe A Configuration Register.pipe_enable", RuleOp::eq, {1},
       "Pipe A Configuration Register.pipe_enable == 1"},
  };
  for (const Good& c : cases) {
    StateRule rule;
    std::string error;
    ASSERT_EQ(parse_state_rule(c.line, rule, error), RuleLine::rule) << c.line << ": " << error;
    EXPECT_EQ(rule.name, c.name) << c.line;
    EXPECT_EQ(rule.op, c.op) << c.line;
    EXPECT_EQ(rule.values, c.values) << c.line;
    EXPECT_EQ(rule_text(rule), c.canonical);
  }
}

TEST(StateRules, CommentsAndBlankLinesAreNoRules) {
  for (const char* line : {"", "   \t", "# a comment", "   # indented == 1"}) {
    StateRule rule;
    std::string error;
    EXPECT_EQ(parse_state_rule(line, rule, error), RuleLine::empty) << line;
  }
}

TEST(StateRules, RefusesWhatDoesNotParseWithAReason) {
  for (const char* line : {"pipe_a_conf", "== 1", "a = 1", "a == ", "a == x", "a == -1", "a == 0x100000000",
                           "a => 1", "a in {1, }", "a in {}", "a in {1", "a in 5..1", "a in 1..", "a in 7",
                           "a in", "a !! 1", "a == 1 2", "b in== 27"}) {
    StateRule rule;
    std::string error;
    EXPECT_EQ(parse_state_rule(line, rule, error), RuleLine::bad) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST(StateRules, HoldsComparesTheValue) {
  StateRule rule;
  std::string error;
  struct Case {
    const char* line;
    uint32_t value;
    bool holds;
  } cases[] = {{"a == 1", 1, true},      {"a == 1", 0, false},     {"a != 0", 0, false}, {"a < 5", 4, true},
               {"a < 5", 5, false},      {"a <= 5", 5, true},      {"a > 5", 5, false},  {"a >= 5", 5, true},
               {"a in {6, 7}", 7, true}, {"a in {6, 7}", 8, false}, {"a in 2..4", 2, true}, {"a in 2..4", 5, false}};
  for (const Case& c : cases) {
    ASSERT_EQ(parse_state_rule(c.line, rule, error), RuleLine::rule) << c.line;
    EXPECT_EQ(rule_holds(rule, c.value), c.holds) << c.line << " with " << c.value;
  }
}

}  // namespace
