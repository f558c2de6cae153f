// luma_cli --compare: two report logs' captured registers side by side.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ReportLog;
struct bit_field_t;

// Exit statuses of a comparison.
constexpr int kCompareSame = 0;
constexpr int kCompareDiffer = 1;
constexpr int kCompareUnreadable = 2;

// One field of a register whose value differs between the two captures.
struct FieldChange {
  const bit_field_t* field;
  uint32_t first, second;
};

// One named register whose captured values differ.
struct RegisterChange {
  uint32_t offset;
  std::string title;
  std::string name;  // the register's short name
  uint32_t first, second;
  std::vector<FieldChange> fields;  // only the fields that differ
};

struct LogComparison {
  int family_ids[2] = {0, 0};
  std::string family_texts[2];  // "dov (device 0x2B02)" or "no chipset line"
  std::vector<RegisterChange> changes;  // empty when the families differ
  bool same_family() const { return family_ids[0] == family_ids[1]; }
};

// Compares two captures by every named register of their family; false
// when that family has no register maps.
bool compare_captures(const ReportLog& first, const ReportLog& second, LogComparison& out);

// Prints, per named register whose value differs, the fields that differ
// decoded by name; returns one of the statuses above.
int compare_report_logs(const char* first_path, const char* second_path);

// "[7]" or "[31:16]", as the dumps label a field.
std::string bits_label(const bit_field_t& f);
