// A stored report log read back as records: the run it is of (its banner
// and chipset line) and its command blocks as the console wrote them, so a
// log from the field yields the same JSON as a run with --json.
#pragma once
#include <cstddef>
#include <string>

#include "core/records.h"
#include "run_records.h"

namespace records {

// The tool and version of the log's banner, the chipset of its
// get_chipset_name line and that device's family; mode "log".
RunInfo log_run_info(const char* text, size_t size, const std::string& path);

// Reports each command block (from its "Function: NAME" line to the
// separator after "Function: NAME, Exit Code: EXIT_..."), one message per
// line, to `listener`; lines outside a block are loose messages. Returns
// the number of blocks.
size_t replay_log_blocks(const char* text, size_t size, Listener& listener);

// Whether the log could be read, and whether the writer wrote every line.
enum class LogConversion { done, unreadable, write_failed };

// The records of a stored report log, as luma_cli --to-json writes them:
// the run, its blocks, then one "parse_qrt <path>" command holding the
// capture's registers decoded with the captured family. The replay's text
// reaches the records only, never standard output.
LogConversion convert_report_log(const char* path, JsonLinesWriter::Sink sink);
LogConversion convert_report_log(const char* path, FILE* out);

}  // namespace records
