#include "page_records.h"

namespace {

using nlohmann::json;

std::string string_at(const json& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->is_string() ? it->get<std::string>() : std::string();
}

template <typename T>
T number_at(const json& o, const char* key, T fallback) {
  auto it = o.find(key);
  return it != o.end() && it->is_number() ? it->get<T>() : fallback;
}

const json* array_at(const json& o, const char* key) {
  auto it = o.find(key);
  return it != o.end() && it->is_array() ? &*it : nullptr;
}

PageRegister register_of(const json& r) {
  PageRegister reg;
  reg.title = string_at(r, "title");
  reg.name = string_at(r, "name");
  reg.offset = number_at<uint32_t>(r, "offset", 0);
  reg.device = number_at<int>(r, "device", 2);
  auto captured = r.find("captured");
  reg.captured = captured == r.end() || !captured->is_boolean() || captured->get<bool>();
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

}  // namespace

void page_log_from_records(const std::vector<json>& records, PageLog& log) {
  for (const json& rec : records) {
    if (!rec.is_object()) continue;
    std::string type = string_at(rec, "type");
    if (type == "run") {
      log.tool = string_at(rec, "tool");
      log.version = string_at(rec, "version_text");
    } else if (type == "registers") {
      PageTable table;
      table.command = string_at(rec, "command");
      if (const json* regs = array_at(rec, "registers"))
        for (const json& r : *regs)
          if (r.is_object()) {
            table.registers.push_back(register_of(r));
            if (log.family.empty()) log.family = string_at(r, "family");
          }
      log.tables.push_back(std::move(table));
    } else if (type == "command") {
      PageCommand c;
      c.name = string_at(rec, "name");
      if (const json* args = array_at(rec, "args"))
        for (const json& a : *args)
          if (a.is_string()) c.args += (c.args.empty() ? "" : " ") + a.get<std::string>();
      c.exit_code = number_at<int>(rec, "exit_code", 0);
      c.exit_name = string_at(rec, "exit_name");
      c.seconds = number_at<double>(rec, "duration", -1);
      if (const json* lines = array_at(rec, "messages"))
        for (const json& l : *lines)
          if (l.is_object()) c.lines.push_back({number_at<int>(l, "type", 4), string_at(l, "text")});
      log.commands.push_back(std::move(c));
    }
  }
}
