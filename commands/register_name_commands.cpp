#include "commands/register_name_commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/msglog.h"
#include "core/stop_request.h"
#include "hw/register_access.h"
#include "hw/register_dump.h"
#include "oal/oal.h"

namespace {

constexpr uint32_t kDefaultInterval = 100, kMaxInterval = 60000;
constexpr uint32_t kDefaultSamples = 100, kMaxSamples = 1000000;

// The record's words after the command word; the record is then emptied:
// these commands print their own lines.
std::vector<std::string> take_words(cmd_args_t* args) {
  std::vector<std::string> words;
  for (int i = 1; i < args->count && i < kArgSlots; ++i) words.emplace_back(args->slot[i]);
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  return words;
}

bool view_or_message(RegisterView* view) {
  *view = register_view();
  if (view->map) return true;
  if (vol_above(0))
    writeMsg(MSG_ERROR, "ERROR: No chipset register maps: the library session is not open or carries none");
  return false;
}

// A register and the fields of it that a name picked (all for a whole register).
struct Picked {
  const named_reg_t* reg;
  std::vector<bit_field_t> fields;
  bool whole;
};

// Consecutive matches of one register become one entry.
std::vector<Picked> group(const std::vector<reg_match_t>& matches) {
  std::vector<Picked> out;
  for (const reg_match_t& m : matches) {
    if (out.empty() || out.back().reg != m.reg || out.back().whole || m.field < 0)
      out.push_back({m.reg, {}, m.field < 0});
    if (m.field < 0)
      out.back().fields.assign(m.reg->fields, m.reg->fields + m.reg->field_count);
    else
      out.back().fields.push_back(*m.bit_field());
  }
  return out;
}

// Every name resolved, or the failure said and 5.
opal_exit_t resolve_all(const RegisterMap& map, const std::vector<std::string>& names, std::vector<Picked>& out) {
  for (const std::string& name : names) {
    name_lookup_t lookup = find_names(map, name.c_str());
    if (lookup.status != name_status::found) return report_name_failure(map, name.c_str(), lookup);
    for (Picked& p : group(lookup.matches)) out.push_back(std::move(p));
  }
  return EXIT_OK;
}

void print_not_captured(const named_reg_t& reg) {
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : not captured\n", reg.title, static_cast<unsigned long>(reg.offset), "]");
}

// One register (or some of its fields) as the dumps print it: the dump
// itself for a whole register, its header and the picked field lines else.
bool print_picked(const RegisterView& view, const Picked& p) {
  const named_reg_t& reg = *p.reg;
  if (p.whole && reg.decode != DECODE_NONE) {
    reg_desc_t row{};
    row.offset = reg.offset;
    row.decode = reg.decode;
    std::snprintf(row.title, sizeof row.title, "%s", reg.title);
    return dump_registers(view.map->family(), &row, 1, *view.source);
  }
  uint32_t value = 0;
  if (!read_named(view, reg, &value)) {
    if (!view.offline) return false;
    print_not_captured(reg);
    return true;
  }
  print_register_header(reg.title, reg.offset, value);
  print_fields(p.fields.data(), p.fields.size(), value, false);
  if (vol_above(0)) writeMsg(MSG_PLAIN, "\n");
  return true;
}

// The register's old and new value and each field that changed.
void print_change(const named_reg_t& reg, uint32_t before, uint32_t after) {
  if (!vol_above(0)) return;
  writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : 0x%lX -> 0x%lX", reg.title, static_cast<unsigned long>(reg.offset), "]",
           static_cast<unsigned long>(before), static_cast<unsigned long>(after));
  for (size_t i = 0; i < reg.field_count; ++i) {
    if (field_value(reg.fields[i], before) == field_value(reg.fields[i], after)) continue;
    char line[160];
    format_field_change(line, sizeof line, reg.fields[i], before, after);
    writeMsg(MSG_PLAIN, "%s", line);
  }
}

// "1 register", "2 registers".
std::string count_of(size_t n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

bool parse_bounded(const std::string& text, uint32_t low, uint32_t high, uint32_t* out) {
  uint32_t v = 0;
  if (!parse_unsigned(text.c_str(), v) || v < low || v > high) return false;
  *out = v;
  return true;
}

}  // namespace

opal_exit_t cmd_find_reg(cmd_args_t* args) {
  std::vector<std::string> words = take_words(args);
  // A title's words come as words of the command line.
  std::string pattern;
  for (const std::string& w : words) pattern += (pattern.empty() ? "" : " ") + w;
  RegisterView view;
  if (!view_or_message(&view)) return EXIT_OS_CALL_ERROR;
  name_lookup_t lookup = find_names(*view.map, pattern.c_str());
  if (lookup.status != name_status::found) return report_name_failure(*view.map, pattern.c_str(), lookup);
  if (!vol_above(0)) return EXIT_OK;
  size_t registers = 0, fields = 0;
  for (const Picked& p : group(lookup.matches)) {
    const named_reg_t& reg = *p.reg;
    registers += p.whole;
    fields += p.whole ? 0 : p.fields.size();
    writeMsg(MSG_PLAIN, "%-24s [0x%-6lX] %s (%s%s)", reg.name, static_cast<unsigned long>(reg.offset), reg.title,
             dump_table_command(reg.table), reg.device == 2 ? "" : reg.device == 3 ? ", device 3" : ", device ?");
    for (const bit_field_t& f : p.fields) {
      char label[16];
      format_bits_label(label, sizeof label, f);
      writeMsg(MSG_PLAIN, "    %-7s %s", label, f.name);
    }
  }
  writeMsg(MSG_PLAIN, "%s and %s of the %s family match %.200s", count_of(registers, "register").c_str(),
           count_of(fields, "field").c_str(), view.map->family_name(), pattern.c_str());
  return EXIT_OK;
}

opal_exit_t cmd_read_reg(cmd_args_t* args) {
  std::vector<std::string> names = take_words(args);
  RegisterView view;
  if (!view_or_message(&view)) return EXIT_OS_CALL_ERROR;
  std::vector<Picked> picked;
  opal_exit_t rc = resolve_all(*view.map, names, picked);
  if (rc != EXIT_OK) return rc;
  for (const Picked& p : picked)
    if (!print_picked(view, p)) {
      if (vol_above(0))
        writeMsg(MSG_ERROR, "ERROR: Failed to read %s [0x%lX]", p.reg->name, static_cast<unsigned long>(p.reg->offset));
      return EXIT_OS_CALL_ERROR;
    }
  return EXIT_OK;
}

opal_exit_t cmd_write_reg(cmd_args_t* args) {
  std::vector<std::string> words = take_words(args);
  RegisterView view;
  if (!view_or_message(&view)) return EXIT_OS_CALL_ERROR;
  name_lookup_t lookup = find_one_name(*view.map, words[0].c_str());
  if (lookup.status != name_status::found) return report_name_failure(*view.map, words[0].c_str(), lookup);
  uint32_t value = 0;
  if (!parse_unsigned(words[1].c_str(), value)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid value: %.200s", words[1].c_str());
    return EXIT_INVALID_PARAM_ERROR;
  }
  bool dry = words.size() > 2;
  if (dry && (words[2].size() != 3 || strprefix(words[2].c_str(), "dry") != 0)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The last parameter is dry or nothing: %.200s", words[2].c_str());
    return EXIT_INVALID_PARAM_ERROR;
  }
  const reg_match_t& match = lookup.matches.front();
  std::string what = match_name(match);
  named_write_t w;
  write_outcome outcome = write_named(view, match, value, dry, &w);
  if (!vol_above(0)) return write_outcome_exit(outcome);
  const bit_field_t* field = match.bit_field();
  switch (outcome) {
    case write_outcome::too_wide:
      writeMsg(MSG_ERROR, "ERROR: 0x%lX does not fit %s: its %u bits hold at most 0x%lX", static_cast<unsigned long>(value),
               what.c_str(), field->high - field->low + 1u,
               static_cast<unsigned long>(field_mask(*field) >> field->low));
      break;
    case write_outcome::reserved:
      writeMsg(MSG_ERROR, "ERROR: %s is reserved: every write keeps its bits", what.c_str());
      break;
    case write_outcome::offline:
      writeMsg(MSG_ERROR, "ERROR: write_reg changes the machine's registers, and registers come from %.200s now: "
               "use_live first", view.log_path.c_str());
      break;
    case write_outcome::read_failed:
      writeMsg(MSG_ERROR, "ERROR: Failed to read %s [0x%lX]", match.reg->name, static_cast<unsigned long>(match.reg->offset));
      break;
    case write_outcome::write_failed:
      writeMsg(MSG_ERROR, "ERROR: Failed to write %s [0x%lX]", match.reg->name, static_cast<unsigned long>(match.reg->offset));
      break;
    case write_outcome::previewed:
      writeMsg(MSG_PLAIN, "Preview of write_reg %s 0x%lX: nothing written", what.c_str(), static_cast<unsigned long>(value));
      print_change(*match.reg, w.before, w.intended);
      break;
    case write_outcome::written:
    case write_outcome::not_taken:
      print_change(*match.reg, w.before, w.after);
      break;
  }
  // A whole register's reserved bits stay as they were, whatever the value says.
  uint32_t kept = reserved_mask(*match.reg);
  if (!field && (outcome == write_outcome::written || outcome == write_outcome::previewed ||
                 outcome == write_outcome::not_taken) &&
      ((value ^ w.before) & kept))
    writeMsg(MSG_PLAIN, "The reserved fields keep their bits (0x%lX of the value not written)",
             static_cast<unsigned long>(value & kept));
  if (outcome == write_outcome::not_taken) {
    writeMsg(MSG_ERROR, "ERROR: Bits did not take: 0x%lX was written, 0x%lX reads back",
             static_cast<unsigned long>(w.intended), static_cast<unsigned long>(w.after));
    for (size_t i = 0; i < match.reg->field_count; ++i) {
      const bit_field_t& f = match.reg->fields[i];
      if (field_value(f, w.intended) == field_value(f, w.after)) continue;
      char label[16];
      format_bits_label(label, sizeof label, f);
      writeMsg(MSG_ERROR, "    %-7s %-40s: wrote 0x%lX, reads 0x%lX", label, f.name,
               static_cast<unsigned long>(field_value(f, w.intended)),
               static_cast<unsigned long>(field_value(f, w.after)));
    }
  }
  return write_outcome_exit(outcome);
}

opal_exit_t cmd_watch_reg(cmd_args_t* args) {
  std::vector<std::string> words = take_words(args);
  uint32_t interval = kDefaultInterval, samples = kDefaultSamples;
  if (words.size() > 1 && !parse_bounded(words[1], 0, kMaxInterval, &interval)) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Invalid interval: %.200s (0 to %lu milliseconds)", words[1].c_str(),
               static_cast<unsigned long>(kMaxInterval));
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (words.size() > 2 && !parse_bounded(words[2], 1, kMaxSamples, &samples)) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Invalid count: %.200s (1 to %lu samples)", words[2].c_str(),
               static_cast<unsigned long>(kMaxSamples));
    return EXIT_INVALID_PARAM_ERROR;
  }
  RegisterView view;
  if (!view_or_message(&view)) return EXIT_OS_CALL_ERROR;
  std::vector<Picked> picked;
  opal_exit_t rc = resolve_all(*view.map, {words[0]}, picked);
  if (rc != EXIT_OK) return rc;

  std::vector<uint32_t> last(picked.size());
  std::vector<bool> readable(picked.size(), true);
  for (size_t i = 0; i < picked.size(); ++i) {
    if (read_named(view, *picked[i].reg, &last[i])) continue;
    if (!view.offline) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to read %s", picked[i].reg->name);
      return EXIT_OS_CALL_ERROR;
    }
    readable[i] = false;
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%s [0x%lX]: not captured", picked[i].reg->name,
                               static_cast<unsigned long>(picked[i].reg->offset));
  }
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "Watching %s (%s of the %s family) every %lu ms, %s", words[0].c_str(),
             count_of(picked.size(), "register").c_str(), view.map->family_name(), static_cast<unsigned long>(interval),
             count_of(samples, "sample").c_str());
  HANDLE timer = interval ? oal::CreateEventA(nullptr, FALSE, FALSE, nullptr) : nullptr;
  clear_stop_request();
  uint32_t taken = 1, changes = 0;
  std::string line;
  for (; taken < samples; ++taken) {
    if (stop_requested()) break;
    if (interval) oal::WaitForSingleObject(timer, interval);
    for (size_t i = 0; i < picked.size(); ++i) {
      if (!readable[i]) continue;
      uint32_t now = 0;
      if (!read_named(view, *picked[i].reg, &now)) {
        if (timer) oal::CloseHandle(timer);
        if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to read %s", picked[i].reg->name);
        return EXIT_OS_CALL_ERROR;
      }
      if (now == last[i]) continue;
      char part[160];
      std::snprintf(part, sizeof part, "%lu ms %s:", static_cast<unsigned long>(taken) * interval,
                    picked[i].reg->name);
      line = part;
      bool any = false;
      for (const bit_field_t& f : picked[i].fields) {
        if (field_value(f, now) == field_value(f, last[i])) continue;
        std::snprintf(part, sizeof part, "%s %s 0x%lX -> 0x%lX", any ? "," : "", f.name,
                      static_cast<unsigned long>(field_value(f, last[i])), static_cast<unsigned long>(field_value(f, now)));
        line += part;
        any = true;
      }
      // A register without fields says its value; a change outside the
      // picked fields prints nothing.
      if (!any && picked[i].whole) {
        std::snprintf(part, sizeof part, " 0x%lX -> 0x%lX", static_cast<unsigned long>(last[i]),
                      static_cast<unsigned long>(now));
        line += part;
        any = true;
      }
      last[i] = now;
      if (!any) continue;
      ++changes;
      if (vol_above(0)) writeMsg(MSG_PLAIN, "%s", line.c_str());
    }
  }
  if (timer) oal::CloseHandle(timer);
  bool stopped = taken < samples;
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "%s%s, %s", stopped ? "Interrupted after " : "", count_of(taken, "sample").c_str(),
             count_of(changes, "change").c_str());
  return EXIT_OK;
}
