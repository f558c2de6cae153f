// The page's view of a log, taken from the log's JSON records (the objects
// luma_cli --to-json writes, one per command).
#pragma once
#include <vector>

#include <nlohmann/json.hpp>

#include "page_model.h"

// Fills `log` (all but its path) from the records; anything a record lacks
// or holds in another type is left at its default.
void page_log_from_records(const std::vector<nlohmann::json>& records, PageLog& log);
