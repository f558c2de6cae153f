#include "commands/state_rules.h"

#include <algorithm>
#include <cstdio>

#include "core/command_table.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool number(const std::string& text, uint32_t& value) {
  std::string t = trim(text);
  return !t.empty() && t[0] != '-' && t[0] != '+' && parse_unsigned(t.c_str(), value);
}

struct OpText {
  const char* text;
  RuleOp op;
};
// Two-character operators first, so "<=" is not read as "<".
const OpText kOps[] = {{"==", RuleOp::eq}, {"!=", RuleOp::ne}, {"<=", RuleOp::le},
                       {">=", RuleOp::ge}, {"<", RuleOp::lt},  {">", RuleOp::gt}};

// Where " in " (the word between blanks) starts, or npos.
size_t find_in_word(const std::string& s) {
  for (size_t i = 1; i + 2 < s.size() + 1; ++i)
    if (blank(s[i - 1]) && (s[i] == 'i' || s[i] == 'I') && i + 1 < s.size() && (s[i + 1] == 'n' || s[i + 1] == 'N') &&
        (i + 2 == s.size() || blank(s[i + 2]) || s[i + 2] == '{'))
      return i;
  return std::string::npos;
}

}  // namespace

RuleLine parse_state_rule(const std::string& raw, StateRule& rule, std::string& error) {
  std::string line = trim(raw.substr(0, raw.find('#')));
  if (line.empty()) return RuleLine::empty;
  rule = StateRule{};
  // The first operator character ends the name; names hold none of them.
  size_t at = line.find_first_of("=!<>");
  size_t in_at = find_in_word(line);
  if (in_at != std::string::npos && (at == std::string::npos || in_at < at)) {
    rule.name = trim(line.substr(0, in_at));
    std::string rest = trim(line.substr(in_at + 2));
    if (!rest.empty() && rest.front() == '{') {
      if (rest.back() != '}') return error = "a set must end with '}'", RuleLine::bad;
      std::string inner = rest.substr(1, rest.size() - 2);
      rule.op = RuleOp::in_set;
      for (size_t start = 0;;) {
        size_t comma = inner.find(',', start);
        uint32_t v;
        if (!number(inner.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v))
          return error = "a set holds numbers separated by commas", RuleLine::bad;
        rule.values.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else {
      size_t dots = rest.find("..");
      uint32_t lo, hi;
      if (dots == std::string::npos || !number(rest.substr(0, dots), lo) || !number(rest.substr(dots + 2), hi))
        return error = "'in' takes a set {a, b} or a range lo..hi", RuleLine::bad;
      if (lo > hi) return error = "the range's low end is above its high end", RuleLine::bad;
      rule.op = RuleOp::in_range;
      rule.values = {lo, hi};
    }
  } else {
    if (at == std::string::npos) return error = "no comparison (== != < <= > >= or in)", RuleLine::bad;
    const OpText* found = nullptr;
    for (const OpText& o : kOps)
      if (line.compare(at, std::char_traits<char>::length(o.text), o.text) == 0) {
        found = &o;
        break;
      }
    if (!found) return error = "unknown comparison", RuleLine::bad;
    rule.name = trim(line.substr(0, at));
    // "in" as a word of the name would read as the set or range form.
    if (find_in_word(rule.name + " ") != std::string::npos)
      return error = "'in' takes a set {a, b} or a range lo..hi", RuleLine::bad;
    rule.op = found->op;
    uint32_t v;
    if (!number(line.substr(at + std::char_traits<char>::length(found->text)), v))
      return error = "the value is not a 32-bit number", RuleLine::bad;
    rule.values = {v};
  }
  if (rule.name.empty()) return error = "no register or field named", RuleLine::bad;
  return RuleLine::rule;
}

bool rule_holds(const StateRule& rule, uint32_t value) {
  uint32_t v = rule.values.empty() ? 0 : rule.values[0];
  switch (rule.op) {
    case RuleOp::eq: return value == v;
    case RuleOp::ne: return value != v;
    case RuleOp::lt: return value < v;
    case RuleOp::le: return value <= v;
    case RuleOp::gt: return value > v;
    case RuleOp::ge: return value >= v;
    case RuleOp::in_set: return std::find(rule.values.begin(), rule.values.end(), value) != rule.values.end();
    case RuleOp::in_range: return rule.values.size() == 2 && value >= rule.values[0] && value <= rule.values[1];
  }
  return false;
}

std::string rule_text(const StateRule& rule) {
  static const char* const kText[] = {"==", "!=", "<", "<=", ">", ">="};
  std::string out = rule.name + " ";
  char n[16];
  auto add = [&](uint32_t v) {
    std::snprintf(n, sizeof n, v > 9 ? "0x%X" : "%u", v);
    out += n;
  };
  if (rule.op == RuleOp::in_set) {
    out += "in {";
    for (size_t i = 0; i < rule.values.size(); ++i) {
      if (i) out += ", ";
      add(rule.values[i]);
    }
    out += "}";
  } else if (rule.op == RuleOp::in_range) {
    out += "in ";
    add(rule.values[0]);
    out += "..";
    add(rule.values[1]);
  } else {
    out += kText[static_cast<int>(rule.op)];
    out += " ";
    add(rule.values[0]);
  }
  return out;
}
