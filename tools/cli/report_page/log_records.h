// The records of a stored report log, as luma_cli --to-json writes them.
#pragma once
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// `text` is the log's content; false when it cannot be converted.
bool report_log_records(const char* path, const std::string& text, std::vector<nlohmann::ordered_json>& out);
