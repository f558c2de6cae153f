#include "html_report.h"

#include <cstdio>
#include <string>
#include <vector>

#include "../compare_logs.h"
#include "commands/report_log.h"
#include "records/log_records.h"
#include "oal/files.h"
#include "page_records.h"
#include "report_page.h"

namespace {

// One input: a report log, or the JSON Lines of a run (--json, --to-json).
struct Input {
  PageLog page;
  std::string text;  // a log's, read again as a capture when compared
  bool is_log = false;
};

bool load(const char* path, Input& in) {
  std::string text;
  if (!read_whole_file(path, text)) {
    std::printf("ERROR: Failed to open %s\n", path);
    return false;
  }
  std::vector<nlohmann::ordered_json> records;
  if (!text.empty() && text[0] == '{') {
    size_t bad = parse_json_lines(text, records);
    if (bad) {
      std::printf("ERROR: Line %u of %s is no JSON object\n", static_cast<unsigned>(bad), path);
      return false;
    }
  } else {
    in.is_log = true;
    auto add = [&in](const nlohmann::ordered_json& record) { add_page_record(record, in.page); };
    if (records::convert_report_log(path, add) != records::LogConversion::done) {
      std::printf("ERROR: Failed to open %s\n", path);
      return false;
    }
    in.text = std::move(text);
  }
  in.page.path = path;
  page_log_from_records(records, in.page);
  return true;
}

}  // namespace

int write_html_report(const char* out_path, const char* log, const char* other_log) {
  Input inputs[2];
  if (!load(log, inputs[0])) return kHtmlUnreadable;
  std::string page;
  if (other_log) {
    if (!load(other_log, inputs[1])) return kHtmlUnreadable;
    if (!inputs[0].is_log || !inputs[1].is_log) {
      std::printf("ERROR: A comparison is of two report logs\n");
      return kHtmlUnreadable;
    }
    ReportLog captures[2];
    for (int i = 0; i < 2; ++i) parse_report_log(inputs[i].text.data(), inputs[i].text.size(), captures[i]);
    LogComparison cmp;
    if (!compare_captures(captures[0], captures[1], cmp)) return kHtmlUnreadable;
    page = render_report_page(inputs[0].page, &inputs[1].page, &cmp);
  } else {
    page = render_report_page(inputs[0].page);
  }
  FILE* f = oal::fopen(out_path, "wb");
  bool ok = f && std::fwrite(page.data(), 1, page.size(), f) == page.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::printf("ERROR: Cannot write %s\n", out_path);
    return kHtmlNotWritten;
  }
  return kHtmlWritten;
}
