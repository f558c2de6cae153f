#include "html_report.h"

#include <cstdio>
#include <string>
#include <vector>

#include "../compare_logs.h"
#include "commands/report_log.h"
#include "log_records.h"
#include "oal/files.h"
#include "page_records.h"
#include "report_page.h"

namespace {

bool read_file(const char* path, std::string& text) {
  FILE* f = oal::fopen(path, "rb");
  if (!f) return false;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// One input: a report log, or the JSON Lines of a run (--json, --to-json).
struct Input {
  PageLog page;
  ReportLog capture;
  bool is_log = false;
};

bool load(const char* path, Input& in) {
  std::string text;
  if (!read_file(path, text)) {
    std::printf("ERROR: Failed to open %s\n", path);
    return false;
  }
  std::vector<nlohmann::ordered_json> records;
  if (!text.empty() && text[0] == '{') {
    size_t start = 0, number = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      ++number;
      auto record = nlohmann::ordered_json::parse(text.begin() + static_cast<std::ptrdiff_t>(start),
                                                  text.begin() + static_cast<std::ptrdiff_t>(end), nullptr, false);
      if (record.is_discarded() || !record.is_object()) {
        std::printf("ERROR: Line %u of %s is no JSON object\n", static_cast<unsigned>(number), path);
        return false;
      }
      records.push_back(std::move(record));
      start = end + 1;
    }
  } else {
    in.is_log = true;
    parse_report_log(text.data(), text.size(), in.capture);
    if (!report_log_records(path, text, records)) {
      std::printf("ERROR: Failed to convert %s\n", path);
      return false;
    }
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
    LogComparison cmp;
    if (!compare_captures(inputs[0].capture, inputs[1].capture, cmp)) return kHtmlUnreadable;
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
