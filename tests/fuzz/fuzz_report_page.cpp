// libFuzzer entry: JSON Lines records read into a report page and written
// as HTML. Whatever the records hold, the page keeps its one script: no
// text of theirs becomes markup.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "page_records.h"
#include "report_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<nlohmann::ordered_json> records;
  parse_json_lines(text, records);
  PageLog log;
  log.path = text.substr(0, 64);
  page_log_from_records(records, log);
  std::string page = render_report_page(log);
  size_t first = page.find("<script");
  if (first == std::string::npos || page.find("<script", first + 1) != std::string::npos) std::abort();
  if (page.find("<img") != std::string::npos || page.find("<iframe") != std::string::npos) std::abort();
  return 0;
}
