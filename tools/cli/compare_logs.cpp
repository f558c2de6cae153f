#include "compare_logs.h"

#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "commands/report_log.h"
#include "hw/hw_regs.h"
#include "hw/register_dump.h"
#include "hw/register_names.h"

namespace {

std::string family_text(const ReportLog& log) {
  char text[64];
  if (log.has_device_id)
    std::snprintf(text, sizeof text, "%s (device 0x%X)", family_short_name(family_id_of_device(log.device_id)),
                  log.device_id);
  else
    std::snprintf(text, sizeof text, "no chipset line");
  return text;
}

}  // namespace

int compare_report_logs(const char* first_path, const char* second_path) {
  ReportLog logs[2];
  const char* paths[2] = {first_path, second_path};
  for (int i = 0; i < 2; ++i) {
    if (!read_report_log(paths[i], logs[i])) {
      std::printf("ERROR: Failed to open %s\n", paths[i]);
      return kCompareUnreadable;
    }
    if (logs[i].long_line)
      std::printf("WARNING: Line %zu of %s is longer than %zu characters: the log is read up to the line before it\n",
                  logs[i].long_line, paths[i], kReportLineMax);
    if (!logs[i].bytes_placed) std::printf("WARNING: %s holds no captured registers\n", paths[i]);
  }
  // A log without a chipset line takes the other's family; with neither, ava.
  int family_ids[2];
  for (int i = 0; i < 2; ++i) {
    const ReportLog& own = logs[i].has_device_id ? logs[i] : logs[1 - i];
    family_ids[i] = own.has_device_id ? family_id_of_device(own.device_id) : 1;
  }
  if (family_ids[0] != family_ids[1]) {
    std::printf("The captures are of two chipset families: %s is %s, %s is %s; their registers do not compare\n",
                first_path, family_text(logs[0]).c_str(), second_path, family_text(logs[1]).c_str());
    return kCompareDiffer;
  }
  const RegisterMap* map = RegisterMap::of_family(family_ids[0]);
  if (!map) return kCompareUnreadable;
  std::printf("Comparing %s with %s (%s family)\n", first_path, second_path, family_short_name(family_ids[0]));
  CapturedMmio mmio[2];
  for (int i = 0; i < 2; ++i) logs[i].fill(mmio[i]);
  unsigned differing = 0;
  // Each offset once, under the first register the dumps name there, the
  // error, port and plane tables first.
  std::vector<const named_reg_t*> order;
  for (dump_table t : {dump_table::error, dump_table::port, dump_table::plane, dump_table::pipe, dump_table::tv,
                       dump_table::vgacntrl, dump_table::lvds})
    for (const named_reg_t& r : map->registers())
      if (r.table == t) order.push_back(&r);
  std::set<uint32_t> seen;
  for (const named_reg_t* reg : order) {
    const named_reg_t& r = *reg;
    uint32_t a = 0, b = 0;
    if (!seen.insert(r.offset).second) continue;
    if (!mmio[0].read32(r.offset, &a) || !mmio[1].read32(r.offset, &b) || a == b) continue;
    ++differing;
    std::printf("%-35s [0x%-6X] : 0x%08X -> 0x%08X\n", r.title, r.offset, a, b);
    for (size_t i = 0; i < r.field_count; ++i) {
      const bit_field_t& f = r.fields[i];
      if (field_value(f, a) == field_value(f, b)) continue;
      char line[160];
      format_field_change(line, sizeof line, f, a, b);
      std::printf("%s\n", line);
    }
  }
  if (!differing) {
    std::printf("The captures agree on every named register\n");
    return kCompareSame;
  }
  std::printf("%u named registers differ\n", differing);
  return kCompareDiffer;
}
