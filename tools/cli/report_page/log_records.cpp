#include "log_records.h"

// Pending: the conversion --to-json makes.
bool report_log_records(const char*, const std::string&, std::vector<nlohmann::ordered_json>&) { return false; }
