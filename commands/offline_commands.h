// The commands that work from files: a report log's registers replayed
// through the named-register dumps, and live registers checked against a
// file of expected values. Handler bodies (the table's head has answered a
// null record and a help request).
#pragma once
#include <cstddef>

#include "core/command_table.h"

opal_exit_t cmd_parse_qrt(cmd_args_t* args);
opal_exit_t cmd_check_regs(cmd_args_t* args);

// The expected-values file's longest line; a longer one is an error.
constexpr size_t kCheckLineMax = 255;
