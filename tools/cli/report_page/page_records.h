// The page's view of a log, taken from its JSON records: the objects of
// luma_cli --to-json (and of a run's --json), one "run", one "command" per
// command, "messages" and a closing "summary".
#pragma once
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "page_model.h"

// Reads JSON Lines, one object a line (a last line may lack its line end);
// 0, or the number of the first line that holds no JSON object.
size_t parse_json_lines(const std::string& text, std::vector<nlohmann::ordered_json>& out);

// Adds what one record says to `log` (all but its path); anything a record
// lacks or holds in another type is left at its default.
void add_page_record(const nlohmann::ordered_json& record, PageLog& log);
void page_log_from_records(const std::vector<nlohmann::ordered_json>& records, PageLog& log);
