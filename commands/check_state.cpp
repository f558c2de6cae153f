#include "commands/check_state.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "commands/report_log.h"
#include "commands/state_rules.h"
#include "core/msglog.h"
#include "core/records.h"
#include "core/session.h"
#include "hw/register_dump.h"
#include "hw/register_names.h"
#include "oal/files.h"

namespace {

constexpr size_t kRuleLineMax = 1024;

struct LoadedRule {
  unsigned line;
  std::string text;  // as written, without its comment
  StateRule rule;
  std::vector<reg_match_t> matches;
};

std::string trimmed_rule(const std::string& raw) {
  std::string s = raw.substr(0, raw.find('#'));
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// Reads and resolves every rule before any register is read: a file with
// one bad rule checks nothing. False (with the messages written) on the
// first file error; bad rules are all reported.
bool load_rules(const char* path, const RegisterMap& map, std::vector<LoadedRule>& rules, bool& any_bad) {
  FILE* f = oal::fopen(path, "rb");
  if (!f) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: File %s not present", path);
    return false;
  }
  std::string line;
  unsigned number = 0;
  bool ok = true;
  for (int c = 0; ok && c != EOF;) {
    line.clear();
    bool too_long = false;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
      if (line.size() < kRuleLineMax) line.push_back(static_cast<char>(c));
      else too_long = true;
    }
    if (c == EOF && line.empty()) break;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (too_long) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Line %u is longer than %u characters", number, unsigned(kRuleLineMax));
      any_bad = true;
      continue;
    }
    LoadedRule r{number, trimmed_rule(line), {}, {}};
    std::string error;
    RuleLine kind = parse_state_rule(line, r.rule, error);
    if (kind == RuleLine::empty) continue;
    if (kind == RuleLine::bad) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Line %u: %s: %.200s", number, error.c_str(), r.text.c_str());
      any_bad = true;
      continue;
    }
    name_lookup_t lookup = find_names(map, r.rule.name.c_str());
    if (lookup.status != name_status::found) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Line %u: %.200s", number, r.text.c_str());
      report_name_failure(map, r.rule.name.c_str(), lookup);
      any_bad = true;
      continue;
    }
    r.matches = std::move(lookup.matches);
    rules.push_back(std::move(r));
  }
  std::fclose(f);
  return true;
}

// "name = 0x1, other = 0x0", cut to fit one message with a count of the rest.
std::string values_text(const std::vector<std::string>& items, size_t room) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    std::string next = (i ? ", " : "") + items[i];
    char more[40];
    std::snprintf(more, sizeof more, ", ... (%zu more)", items.size() - i);
    if (out.size() + next.size() + (i + 1 < items.size() ? sizeof more : 0) > room) {
      out += more + (i ? 0 : 2);
      break;
    }
    out += next;
  }
  return out;
}

}  // namespace

opal_exit_t cmd_check_state(cmd_args_t* args) {
  std::string path = args->count > 1 ? args->slot[1] : "";
  std::string log_path = args->count > 2 ? args->slot[2] : "";
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;

  // The registers: a report log's capture when one is named, else where
  // the register commands read (the machine, or the log use_log chose).
  ReportLog log;
  std::unique_ptr<CapturedMmio> capture;
  int family_id = session.family ? session.family->family_id() : 1;
  if (!log_path.empty()) {
    if (!read_report_log(log_path.c_str(), log)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to open %s", log_path.c_str());
      return EXIT_LOGFILE_ERROR;
    }
    if (log.has_device_id) family_id = family_id_of_device(log.device_id);
    capture = std::make_unique<CapturedMmio>(2);
    log.fill(*capture);
  }
  RegisterSource& source = capture ? static_cast<RegisterSource&>(*capture) : dump_source();
  const RegisterMap* map = RegisterMap::of_family(family_id);
  if (!map) return EXIT_OS_CALL_ERROR;

  std::vector<LoadedRule> rules;
  bool any_bad = false;
  if (!load_rules(path.c_str(), *map, rules, any_bad)) return EXIT_INVALID_PARAM_ERROR;
  if (any_bad) return EXIT_INVALID_PARAM_ERROR;

  bool failed = false, unreadable = false;
  unsigned passed_count = 0;
  for (const LoadedRule& r : rules) {
    auto started = std::chrono::steady_clock::now();
    std::vector<std::string> failing, all;
    bool rule_ok = true, rule_read = true;
    for (const reg_match_t& m : r.matches) {
      uint32_t value = 0;
      if (!source.read32(m.reg->offset, &value, m.reg->device)) {
        if (vol_above(0))
          writeMsg(MSG_ERROR, "ERROR: Line %u: register %s (0x%X, device %u) cannot be read", r.line, m.reg->name,
                   m.reg->offset, m.reg->device);
        rule_read = false;
        continue;
      }
      const bit_field_t* f = m.bit_field();
      uint32_t v = f ? field_value(*f, value) : value;
      char item[160];
      std::snprintf(item, sizeof item, "%s = 0x%X", match_name(m).c_str(), v);
      all.push_back(item);
      if (!rule_holds(r.rule, v)) {
        rule_ok = false;
        failing.push_back(item);
      }
    }
    if (!rule_read) {
      unreadable = true;
      continue;
    }
    failed |= !rule_ok;
    passed_count += rule_ok;
    std::string head = std::string(rule_ok ? "PASS " : "FAIL ") + r.text + " : ";
    size_t room = head.size() < kMessageMax - 20 ? kMessageMax - head.size() : 20;
    std::string values = values_text(rule_ok ? all : failing, room);
    if (vol_above(0)) writeMsg(rule_ok ? MSG_SUCCESS : MSG_ERROR, "%s%s", head.c_str(), values.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string every = values_text(rule_ok ? all : failing, std::string::npos);
    records::check(records::Check{path.c_str(), r.line, r.text.c_str(), rule_ok, every.c_str(), seconds});
  }
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "%u of %zu rules pass", passed_count, rules.size());
  if (unreadable) return EXIT_OS_CALL_ERROR;
  return failed ? EXIT_GENERIC_ERROR : EXIT_OK;
}
