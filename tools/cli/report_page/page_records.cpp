#include "page_records.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "hw/register_names.h"

namespace {

using json = nlohmann::ordered_json;

std::string string_at(const json& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// A whole number that fits T; the fallback for anything else.
template <typename T>
T number_at(const json& o, const char* key, T fallback) {
  auto it = o.find(key);
  if (it == o.end()) return fallback;
  if (it->is_number_unsigned()) {
    auto v = it->get<uint64_t>();
    return v <= static_cast<uint64_t>(std::numeric_limits<T>::max()) ? static_cast<T>(v) : fallback;
  }
  if (it->is_number_integer()) {
    auto v = it->get<int64_t>();
    return v >= static_cast<int64_t>(std::numeric_limits<T>::min()) &&
                   (v < 0 || static_cast<uint64_t>(v) <= static_cast<uint64_t>(std::numeric_limits<T>::max()))
               ? static_cast<T>(v)
               : fallback;
  }
  return fallback;
}

double seconds_at(const json& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->is_number() ? it->get<double>() : -1;
}

const json* array_at(const json& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->is_array() ? &*it : nullptr;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return s;
}

const RegisterMap* map_of(const std::string& family) {
  for (const RegisterMap* map : RegisterMap::all())
    if (family == map->family_name()) return map;
  return nullptr;
}

// The family map's row of a decoded register: the one of its offset, device
// and title, else the first of its offset and device.
const named_reg_t* row_of(const RegisterMap* map, const PageRegister& r) {
  if (!map) return nullptr;
  const named_reg_t* first = nullptr;
  for (const named_reg_t& row : map->registers()) {
    if (row.offset != r.offset || row.device != static_cast<uint32_t>(r.device)) continue;
    if (r.title == row.title) return &row;
    if (!first) first = &row;
  }
  return first;
}

PageRegister register_of(const json& r) {
  PageRegister reg;
  reg.title = string_at(r, "title");
  reg.name = string_at(r, "name");
  reg.offset = number_at<uint32_t>(r, "offset", 0);
  reg.device = number_at<int>(r, "device", 2);
  auto captured = r.find("captured");
  reg.captured = (captured == r.end() || !captured->is_boolean() || captured->get<bool>()) &&
                 r.contains("value") && r["value"].is_number();
  reg.value = number_at<uint32_t>(r, "value", 0);
  if (const json* fields = array_at(r, "fields"))
    for (const json& f : *fields) {
      if (!f.is_object()) continue;
      PageField field;
      field.name = string_at(f, "name");
      field.high = number_at<unsigned>(f, "high", 0);
      field.low = number_at<unsigned>(f, "low", 0);
      field.value = number_at<uint32_t>(f, "value", 0);
      reg.fields.push_back(std::move(field));
    }
  return reg;
}

// The lines the log frames every command with, which the page shows as
// the command's row instead.
bool frame_line(std::string_view text, const std::string& upper_name) {
  if (text == "\t============================") return true;
  std::string_view head = "Function: ";
  if (text.substr(0, head.size()) != head) return false;
  std::string_view rest = text.substr(head.size());
  if (rest.substr(0, upper_name.size()) != upper_name) return false;
  rest.remove_prefix(upper_name.size());
  return rest.empty() || rest.substr(0, 12) == ", Exit Code:";
}

// A command's messages as lines: a message may hold several.
void add_lines(const json& messages, PageCommand& c) {
  size_t bytes = 0;
  for (const json& m : messages)
    if (m.is_object() && m.contains("text") && m["text"].is_string()) bytes += m["text"].get_ref<const std::string&>().size() + 1;
  c.reserve(bytes, messages.size());
  for (const json& m : messages) {
    if (!m.is_object()) continue;
    int type = number_at<int>(m, "type", 4);
    auto text = m.find("text");
    if (text == m.end() || !text->is_string()) continue;
    const std::string& t = text->get_ref<const std::string&>();
    if (frame_line(t, c.name)) continue;
    size_t start = 0;
    for (;;) {
      size_t nl = t.find('\n', start);
      c.add_line(type, std::string_view(t).substr(start, nl == std::string::npos ? std::string::npos : nl - start));
      if (nl == std::string::npos) break;
      start = nl + 1;
    }
  }
  c.trim_blank_end();
}

// Registers in the order decoded, a new table wherever the dump that
// prints them changes.
void add_registers(const json& regs, const std::string& command, PageLog& log) {
  const RegisterMap* map = nullptr;
  std::string map_family;
  std::string current;
  for (const json& r : regs) {
    if (!r.is_object()) continue;
    PageRegister reg = register_of(r);
    std::string family = string_at(r, "family");
    if (log.family.empty()) log.family = family;
    if (family != map_family) {
      map = map_of(family);
      map_family = family;
    }
    const named_reg_t* row = row_of(map, reg);
    if (row && reg.name.empty()) reg.name = row->name;
    std::string table = row ? upper(dump_table_command(row->table)) : command;
    if (log.tables.empty() || table != current) {
      log.tables.push_back({table, {}});
      current = table;
    }
    log.tables.back().registers.push_back(std::move(reg));
  }
}

}  // namespace

size_t parse_json_lines(const std::string& text, std::vector<json>& out) {
  size_t start = 0, number = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++number;
    json record = json::parse(text.begin() + static_cast<std::ptrdiff_t>(start),
                              text.begin() + static_cast<std::ptrdiff_t>(end), nullptr, false);
    if (record.is_discarded() || !record.is_object()) return number;
    out.push_back(std::move(record));
    start = end + 1;
  }
  return 0;
}

void add_page_record(const json& rec, PageLog& log) {
  if (!rec.is_object()) return;
  std::string kind = string_at(rec, "record");
  if (kind == "run") {
    log.tool = string_at(rec, "tool");
    log.version = string_at(rec, "tool_version");
    log.family = string_at(rec, "family");
    log.from_log = string_at(rec, "mode") == "log";
    auto chipset = rec.find("chipset");
    if (chipset != rec.end() && chipset->is_object()) {
      log.chipset = string_at(*chipset, "name");
      log.device_id = number_at<int>(*chipset, "device_id", -1);
      log.revision = number_at<int>(*chipset, "revision", -1);
    }
  } else if (kind == "command") {
    PageCommand c;
    c.name = string_at(rec, "upper");
    if (c.name.empty()) c.name = upper(string_at(rec, "name"));
    if (const json* args = array_at(rec, "arguments"))
      for (const json& a : *args)
        if (a.is_string()) c.args += (c.args.empty() ? "" : " ") + a.get<std::string>();
    c.exit_code = number_at<int>(rec, "exit_code", 0);
    c.exit_name = string_at(rec, "exit_name");
    c.seconds = seconds_at(rec, "duration");
    if (const json* messages = array_at(rec, "messages")) add_lines(*messages, c);
    if (const json* regs = array_at(rec, "registers")) add_registers(*regs, c.name, log);
    // A converted log's replay of its capture is the conversion's own
    // command, not one of the run's: its registers are the page's.
    if (log.from_log && string_at(rec, "name") == "parse_qrt") {
      log.replay_exit = c.exit_code ? c.exit_name : std::string();
      return;
    }
    log.commands.push_back(std::move(c));
  } else if (kind == "summary" && !log.from_log) {
    log.summary_passed = number_at<int>(rec, "passed", -1);
    log.summary_failed = number_at<int>(rec, "failed", -1);
  }
}

void page_log_from_records(const std::vector<json>& records, PageLog& log) {
  for (const json& rec : records) add_page_record(rec, log);
}
