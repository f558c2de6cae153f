#include "log_to_json.h"

#include "records/log_records.h"

int log_to_json(const char* log_path, FILE* out) {
  switch (records::convert_report_log(log_path, out)) {
    case records::LogConversion::done: return kToJsonDone;
    case records::LogConversion::unreadable:
      std::fprintf(stderr, "ERROR: Failed to open %s\n", log_path);
      return kToJsonUnreadable;
    default: return kToJsonWriteFailed;
  }
}
