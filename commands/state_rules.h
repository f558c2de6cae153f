// Expectation files: one rule a line, naming registers and fields with the
// register name grammar, compared with == != < <= > >=, "in {a, b}" or
// "in lo..hi"; '#' starts a comment.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum class RuleOp { eq, ne, lt, le, gt, ge, in_set, in_range };

struct StateRule {
  std::string name;              // as the rule wrote it
  RuleOp op = RuleOp::eq;
  std::vector<uint32_t> values;  // one for a comparison, the set, or lo and hi
};

enum class RuleLine { rule, empty, bad };

// Parses one line; `error` says what is wrong with a bad one.
RuleLine parse_state_rule(const std::string& line, StateRule& rule, std::string& error);
bool rule_holds(const StateRule& rule, uint32_t value);
// The rule as one canonical line ("pipe_a_conf.pipe_a_enable == 1").
std::string rule_text(const StateRule& rule);
