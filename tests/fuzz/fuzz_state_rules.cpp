// libFuzzer entry: expectation file lines through the rule parser. Whatever
// the bytes, a rule that parses prints as a line that parses back to the
// same rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commands/state_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    StateRule rule, again;
    std::string error;
    RuleLine kind = parse_state_rule(line, rule, error);
    if (kind == RuleLine::bad && error.empty()) std::abort();
    if (kind == RuleLine::rule) {
      if (rule.name.empty() || rule.values.empty()) std::abort();
      // A name holding '#' or an operator cannot be printed back unchanged.
      if (rule.name.find_first_of("#=!<>") == std::string::npos) {
        if (parse_state_rule(rule_text(rule), again, error) != RuleLine::rule) std::abort();
        if (again.name != rule.name || again.op != rule.op || again.values != rule.values) std::abort();
      }
      rule_holds(rule, static_cast<uint32_t>(size));
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return 0;
}
