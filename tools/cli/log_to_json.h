// luma_cli --to-json: a stored report log as the JSON Lines a run with
// --json writes, on standard output.
#pragma once
#include <cstdio>

// Exit statuses of a conversion.
constexpr int kToJsonDone = 0;
constexpr int kToJsonUnreadable = 2;
constexpr int kToJsonWriteFailed = 4;

// The log's command blocks and exit codes, then its captured registers
// decoded as "parse_qrt LOG" decodes them, written to `out`.
int log_to_json(const char* log_path, FILE* out);
