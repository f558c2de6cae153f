#include <algorithm>
#include <cstdio>
#include "lumainfo.h"

#include "record_text.h"
#include "run_records.h"

namespace records {

namespace {

std::string seconds_text(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", s);
  return text;
}

}  // namespace

void JunitWriter::check(const Check& c) {
  std::string file = c.file ? c.file : "";
  std::string rule = c.rule ? c.rule : "";
  std::string values = c.values ? c.values : "";
  add_case(Case{"check_state " + file, "line " + std::to_string(c.line) + ": " + rule, c.seconds, c.passed,
                c.passed ? "" : "FAIL", c.passed ? "" : values + "\n", values + "\n"});
}

void JunitWriter::finished(const CollectedCommand& c) {
  std::string errors, output;
  output.reserve(c.message_bytes + c.spans.size());
  c.each_message([&](int type, std::string_view text) {
    output += text;
    output += '\n';
    if (type == MSG_ERROR) {
      errors += text;
      errors += '\n';
    }
  });
  add_case(Case{"", c.line, c.seconds, c.exit_code == 0, c.exit_name, errors, output});
}

bool JunitWriter::finish(FILE* out) const {
  auto attr = [](const std::string& text) { return xml_escaped(text, true); };
  // The run's suite first, then one per expectation file, in order of appearance.
  std::vector<std::string> suites{""};
  for (const Case& c : cases_)
    if (std::find(suites.begin(), suites.end(), c.suite) == suites.end()) suites.push_back(c.suite);
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  for (const std::string& suite : suites) {
    int tests = 0, failures = 0;
    double total = 0;
    for (const Case& c : cases_)
      if (c.suite == suite) {
        ++tests;
        failures += !c.passed;
        total += c.seconds;
      }
    std::string name = suite.empty() ? info_.tool : suite;
    std::string classname = attr(suite.empty() ? info_.tool : info_.tool + " " + suite);
    x += "  <testsuite name=\"" + attr(name) + "\" tests=\"" + std::to_string(tests) + "\" failures=\"" +
         std::to_string(failures) + "\" errors=\"0\" skipped=\"0\" time=\"" + seconds_text(total) + "\">\n";
    x += "    <properties>\n";
    auto property = [&](const char* key, const std::string& value) {
      x += std::string("      <property name=\"") + key + "\" value=\"" + attr(value) + "\"/>\n";
    };
    property("tool", info_.tool);
    property("version", info_.tool_version);
    property("mode", info_.mode);
    if (info_.has_chipset) {
      char id[16];
      std::snprintf(id, sizeof id, "0x%04X", info_.device_id);
      property("chipset", info_.chipset_name);
      property("device_id", id);
    }
    property("family", info_.family);
    if (!info_.log.empty()) property("log", info_.log);
    x += "    </properties>\n";
    for (const Case& c : cases_) {
      if (c.suite != suite) continue;
      x += "    <testcase classname=\"" + classname + "\" name=\"" + attr(c.name) + "\" time=\"" +
           seconds_text(c.seconds) + "\">\n";
      if (!c.passed)
        x += "      <failure message=\"" + attr(c.failure_type) + "\" type=\"" + attr(c.failure_type) + "\">" +
             xml_escaped(c.failure_text) + "</failure>\n";
      if (!c.output.empty()) x += "      <system-out>" + xml_escaped(c.output) + "</system-out>\n";
      x += "    </testcase>\n";
    }
    x += "  </testsuite>\n";
  }
  x += "</testsuites>\n";
  bool ok = std::fwrite(x.data(), 1, x.size(), out) == x.size();
  return std::fflush(out) == 0 && ok;
}
}  // namespace records
