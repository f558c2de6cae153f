#include "compare_logs.h"

#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "commands/report_log.h"
#include "hw/hw_regs.h"

namespace {

struct NamedRegister {
  uint32_t offset;
  std::string title;
  const bit_field_t* fields;
  size_t count;
};

// The fields a decode operation prints, following its "decode as" hops.
void fields_of(const cmn_hw_regs_t& family, decode_op op, const bit_field_t** fields, size_t* count) {
  const decode_row_t* row = family.decode_row(op);
  for (int hops = 0; row && row->as != DECODE_NONE && hops < DECODE_OP_COUNT; ++hops) row = family.decode_row(row->as);
  *fields = row ? row->fields : nullptr;
  *count = row ? row->count : 0;
}

// Every register the replayed dumps name for a family, once each.
std::vector<NamedRegister> named_registers(const cmn_hw_regs_t& family) {
  std::vector<NamedRegister> regs;
  std::set<uint32_t> seen;
  auto add = [&](uint32_t offset, const char* title, decode_op op) {
    if (!seen.insert(offset).second) return;
    NamedRegister r{offset, title, nullptr, 0};
    fields_of(family, op, &r.fields, &r.count);
    regs.push_back(r);
  };
  for (auto get : {&cmn_hw_regs_t::get_error_regs, &cmn_hw_regs_t::get_port_regs, &cmn_hw_regs_t::get_plane_regs}) {
    reg_desc_t* table = nullptr;
    uint32_t n = 0;
    (const_cast<cmn_hw_regs_t&>(family).*get)(&table, &n);
    for (uint32_t i = 0; table && i < n; ++i) add(table[i].offset, table[i].title, table[i].decode);
    free_reg_table(table);
  }
  uint32_t dpll[3];
  dpll_a_offsets(family.family_id(), dpll);
  size_t n = 0;
  const reg_row_t* rows = pipe_rows(&n);
  for (size_t i = 0; i < n; ++i)
    if (rows[i].families & family.family()) add(i < 3 ? dpll[i] : rows[i].offset, rows[i].title, rows[i].decode);
  rows = tv_rows(&n);
  for (size_t i = 0; i < n; ++i)
    if (rows[i].families & family.family()) add(rows[i].offset, rows[i].title, rows[i].decode);
  for (auto [offset, title, get] : {std::make_tuple(0x71400u, "VGACNTRL Value", &vgacntrl_fields),
                                     std::make_tuple(0x61180u, "LVDS Value", &lvds_fields)}) {
    if (!seen.insert(offset).second) continue;
    NamedRegister r{offset, title, nullptr, 0};
    r.fields = get(&r.count);
    regs.push_back(r);
  }
  return regs;
}

uint32_t field_value(const bit_field_t& f, uint32_t value) {
  unsigned width = f.high - f.low + 1u;
  uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
  return (value >> f.low) & mask;
}

}  // namespace

std::string bits_label(const bit_field_t& f) {
  char label[16];
  if (f.high == f.low)
    std::snprintf(label, sizeof label, "[%u]", f.high);
  else
    std::snprintf(label, sizeof label, "[%u:%u]", f.high, f.low);
  return label;
}

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

bool compare_captures(const ReportLog& first, const ReportLog& second, LogComparison& out) {
  const ReportLog* logs[2] = {&first, &second};
  // A log without a chipset line takes the other's family; with neither, ava.
  for (int i = 0; i < 2; ++i) {
    const ReportLog& own = logs[i]->has_device_id ? *logs[i] : *logs[1 - i];
    out.family_ids[i] = own.has_device_id ? family_id_of_device(own.device_id) : 1;
    out.family_texts[i] = family_text(*logs[i]);
  }
  out.changes.clear();
  if (!out.same_family()) return true;
  cmn_hw_regs_t* family = create_hw_regs_for(out.family_ids[0]);
  if (!family) return false;
  CapturedMmio mmio[2];
  for (int i = 0; i < 2; ++i) logs[i]->fill(mmio[i]);
  for (const NamedRegister& r : named_registers(*family)) {
    uint32_t a = 0, b = 0;
    if (!mmio[0].read32(r.offset, &a) || !mmio[1].read32(r.offset, &b) || a == b) continue;
    RegisterChange change{r.offset, r.title, a, b, {}};
    for (size_t i = 0; i < r.count; ++i) {
      uint32_t fa = field_value(r.fields[i], a), fb = field_value(r.fields[i], b);
      if (fa != fb) change.fields.push_back({&r.fields[i], fa, fb});
    }
    out.changes.push_back(std::move(change));
  }
  destroy_hw_regs(family);
  return true;
}

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
  LogComparison cmp;
  if (!compare_captures(logs[0], logs[1], cmp)) return kCompareUnreadable;
  if (!cmp.same_family()) {
    std::printf("The captures are of two chipset families: %s is %s, %s is %s; their registers do not compare\n",
                first_path, cmp.family_texts[0].c_str(), second_path, cmp.family_texts[1].c_str());
    return kCompareDiffer;
  }
  std::printf("Comparing %s with %s (%s family)\n", first_path, second_path, family_short_name(cmp.family_ids[0]));
  for (const RegisterChange& r : cmp.changes) {
    std::printf("%-35s [0x%-6X] : 0x%08X -> 0x%08X\n", r.title.c_str(), r.offset, r.first, r.second);
    for (const FieldChange& f : r.fields)
      std::printf("    %-7s %-40s: 0x%X -> 0x%X\n", bits_label(*f.field).c_str(), f.field->name, f.first, f.second);
  }
  if (cmp.changes.empty()) {
    std::printf("The captures agree on every named register\n");
    return kCompareSame;
  }
  std::printf("%u named registers differ\n", static_cast<unsigned>(cmp.changes.size()));
  return kCompareDiffer;
}
