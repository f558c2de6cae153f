#include "html_report.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "../compare_logs.h"
#include "commands/report_log.h"
#include "oal/files.h"
#include "page_records.h"
#include "report_page.h"

namespace {

// DEV: stands in for the log's records until the JSON converter lands.
bool read_log_records(const char* path, std::vector<nlohmann::json>& records) {
  std::ifstream in(std::string(path) + ".jsonl");
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) records.push_back(nlohmann::json::parse(line, nullptr, false));
  return true;
}

bool load(const char* path, PageLog& page, ReportLog& capture) {
  std::vector<nlohmann::json> records;
  if (!read_log_records(path, records) || !read_report_log(path, capture)) {
    std::printf("ERROR: Failed to open %s\n", path);
    return false;
  }
  page.path = path;
  page_log_from_records(records, page);
  return true;
}

}  // namespace

int write_html_report(const char* out_path, const char* log, const char* other_log) {
  PageLog pages[2];
  ReportLog captures[2];
  if (!load(log, pages[0], captures[0])) return kHtmlUnreadable;
  std::string page;
  if (other_log) {
    if (!load(other_log, pages[1], captures[1])) return kHtmlUnreadable;
    LogComparison cmp;
    if (!compare_captures(captures[0], captures[1], cmp)) return kHtmlUnreadable;
    page = render_report_page(pages[0], &pages[1], &cmp);
  } else {
    page = render_report_page(pages[0]);
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
