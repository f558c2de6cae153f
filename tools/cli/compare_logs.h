// luma_cli --compare: two report logs' captured registers side by side.
#pragma once

// Exit statuses of a comparison.
constexpr int kCompareSame = 0;
constexpr int kCompareDiffer = 1;
constexpr int kCompareUnreadable = 2;

// Prints, per named register whose value differs, the fields that differ
// decoded by name; returns one of the statuses above.
int compare_report_logs(const char* first_path, const char* second_path);
