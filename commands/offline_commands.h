// The commands that work from files: a report log's registers replayed
// through the named-register dumps, and live registers checked against a
// file of expected values. Handler bodies (the table's head has answered a
// null record and a help request).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/command_table.h"

opal_exit_t cmd_parse_qrt(cmd_args_t* args);
opal_exit_t cmd_check_regs(cmd_args_t* args);

struct ReportLog;
// The log a command's first parameter names, read whole (the record is
// emptied): EXIT_LOGFILE_ERROR, said, when it cannot be read; a warning for
// an over-long line that ended the reading.
opal_exit_t load_report_log(cmd_args_t* args, std::string& path, ReportLog& log);
// The same for a log named by its path.
opal_exit_t open_report_log(const char* path, ReportLog& log);
// The family a report log is decoded with: the captured machine's when the
// log names its device, else the session's; the choice is said on one line.
int replay_family(const ReportLog& log);

// Named registers come from the report log at `path` from now on (see
// opal_use_log): 0, 4 when it cannot be read (said in a message), 5 for null.
opal_exit_t use_log_registers(const char* path);

// The expected-values file's longest line; a longer one is an error.
constexpr size_t kCheckLineMax = 255;

// The three numbers of an expected-values line (cut in place at blanks and
// tabs; fields after the third ignored). False when one is missing or not
// wholly a number, with its index (0 to 2) in *bad.
bool parse_check_line(char* line, uint32_t out[3], int* bad);
