// The page's view of a log, taken from its JSON records: the objects of
// luma_cli --to-json (and of a run's --json), one "run", one "command" per
// command, "messages" and a closing "summary".
#pragma once
#include <vector>

#include <nlohmann/json.hpp>

#include "page_model.h"

// Fills `log` (all but its path) from the records; anything a record lacks
// or holds in another type is left at its default.
void page_log_from_records(const std::vector<nlohmann::ordered_json>& records, PageLog& log);
