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

void JunitWriter::add_case(const std::string& name, double seconds, bool passed, const std::string& failure_type,
                           const std::string& failure_text, const std::string& output) {
  cases_.push_back(Case{name, seconds, passed, failure_type, failure_text, output});
}

void JunitWriter::finished(const CollectedCommand& c) {
  std::string errors, output;
  for (const auto& [type, text] : c.messages) {
    output += text;
    output += '\n';
    if (type == MSG_ERROR) {
      errors += text;
      errors += '\n';
    }
  }
  add_case(c.line, c.seconds, c.exit_code == 0, c.exit_name, errors, output);
}

bool JunitWriter::finish(FILE* out) const {
  int failures = 0;
  double total = 0;
  for (const Case& c : cases_) {
    failures += !c.passed;
    total += c.seconds;
  }
  auto attr = [](const std::string& text) { return xml_escaped(text, true); };
  std::string classname = attr(info_.tool);
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
  x += "  <testsuite name=\"" + classname + "\" tests=\"" + std::to_string(cases_.size()) + "\" failures=\"" +
       std::to_string(failures) + "\" errors=\"0\" skipped=\"0\" time=\"" + seconds_text(total) + "\">\n";
  x += "    <properties>\n";
  auto property = [&](const char* name, const std::string& value) {
    x += std::string("      <property name=\"") + name + "\" value=\"" + attr(value) + "\"/>\n";
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
    x += "    <testcase classname=\"" + classname + "\" name=\"" + attr(c.name) + "\" time=\"" +
         seconds_text(c.seconds) + "\">\n";
    if (!c.passed)
      x += "      <failure message=\"" + attr(c.failure_type) + "\" type=\"" + attr(c.failure_type) + "\">" +
           xml_escaped(c.failure_text) + "</failure>\n";
    if (!c.output.empty()) x += "      <system-out>" + xml_escaped(c.output) + "</system-out>\n";
    x += "    </testcase>\n";
  }
  x += "  </testsuite>\n</testsuites>\n";
  bool ok = std::fwrite(x.data(), 1, x.size(), out) == x.size();
  return std::fflush(out) == 0 && ok;
}

}  // namespace records
