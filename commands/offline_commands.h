// The commands that work from files: a report log's registers replayed
// through the named-register dumps, and live registers checked against a
// file of expected values. Handler bodies (the table's head has answered a
// null record and a help request).
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/command_table.h"

opal_exit_t cmd_parse_qrt(cmd_args_t* args);
opal_exit_t cmd_check_regs(cmd_args_t* args);

struct ReportLog;
// The family a report log is decoded with: the captured machine's when the
// log names its device, else the session's; the choice is said on one line.
int replay_family(const ReportLog& log);

// The expected-values file's longest line; a longer one is an error.
constexpr size_t kCheckLineMax = 255;

// The three numbers of an expected-values line (cut in place at blanks and
// tabs; fields after the third ignored). False when one is missing or not
// wholly a number, with its index (0 to 2) in *bad.
bool parse_check_line(char* line, uint32_t out[3], int* bad);
