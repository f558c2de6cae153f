#include "record_text.h"
#include "run_records.h"

using json = nlohmann::ordered_json;

namespace records {

nlohmann::ordered_json message_json(int type, const std::string& text) {
  json m = {{"type", type}, {"text", text}};
  // The bytes as written, when the text could not go into JSON unchanged.
  if (!is_utf8(text)) m["bytes"] = hex_bytes(text.data(), text.size());
  return m;
}

nlohmann::ordered_json run_json(const RunInfo& info) {
  json run = {{"version", kSchemaVersion}, {"record", "run"},           {"tool", info.tool},
              {"tool_version", info.tool_version}, {"mode", info.mode}};
  run["chipset"] = info.has_chipset
                       ? json{{"device_id", info.device_id}, {"revision", info.revision}, {"name", info.chipset_name}}
                       : json(nullptr);
  run["family"] = info.family.empty() ? json(nullptr) : json(info.family);
  if (!info.log.empty()) run["log"] = info.log;
  return run;
}

void append_message_json(std::string& out, int type, std::string_view text) {
  out += "{\"type\":";
  out += std::to_string(type);
  out += ",\"text\":";
  // Most lines need no escaping at all: printable ASCII without quotes or
  // backslashes goes out as it is; anything else takes the library's way.
  bool plain = true;
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      plain = false;
      break;
    }
  if (plain) {
    out += '"';
    out += text;
    out += '"';
    out += '}';
    return;
  }
  std::string copy(text);
  out += json(copy).dump(-1, ' ', false, json::error_handler_t::replace);
  if (!is_utf8(copy)) {
    out += ",\"bytes\":\"";
    out += hex_bytes(copy.data(), copy.size());
    out += '"';
  }
  out += '}';
}

namespace {

// A message as its line would read back: text that is not UTF-8 carries
// U+FFFD where the bytes could not be read, and the bytes beside it.
json sink_message(int type, std::string_view text) {
  std::string copy(text);
  if (is_utf8(copy)) return {{"type", type}, {"text", std::move(copy)}};
  std::string line;
  append_message_json(line, type, copy);
  return json::parse(line);
}

}  // namespace

std::string json_line(const nlohmann::ordered_json& object) {
  return object.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

JsonLinesWriter::JsonLinesWriter(FILE* out, const RunInfo& info) : out_(out) { write(run_json(info)); }

JsonLinesWriter::JsonLinesWriter(Sink sink, const RunInfo& info) : sink_(std::move(sink)) { write(run_json(info)); }

void JsonLinesWriter::write(const json& object) {
  if (!out_) {
    if (sink_) sink_(object);
    return;
  }
  write_text(json_line(object));
}

void JsonLinesWriter::write_text(const std::string& line) {
  if (!out_) {
    if (sink_) sink_(json::parse(line));
    return;
  }
  if (std::fwrite(line.data(), 1, line.size(), out_) != line.size()) failed_write_ = true;
}

void JsonLinesWriter::register_decoded(const Register& reg) {
  json r = {{"family", reg.family && *reg.family ? json(reg.family) : json(nullptr)},
            {"name", reg.name ? json(reg.name) : json(nullptr)},
            {"title", reg.title},
            {"offset", reg.offset},
            {"device", reg.device},
            {"captured", reg.captured},
            {"value", reg.captured ? json(reg.value) : json(nullptr)}};
  json fields = json::array();
  for (size_t i = 0; i < reg.field_count; ++i) {
    const Field& f = reg.fields[i];
    fields.push_back({{"name", f.name ? f.name : ""}, {"high", f.high}, {"low", f.low}, {"value", f.value}});
  }
  r["fields"] = std::move(fields);
  registers_.push_back(std::move(r));
}

void JsonLinesWriter::dump(const Dump& d) {
  dumps_.push_back({{"space", d.space ? d.space : ""},
                    {"device", d.device},
                    {"address", d.address},
                    {"unit", d.unit},
                    {"bytes", hex_bytes(d.bytes, d.size)}});
}

void JsonLinesWriter::check(const Check& c) {
  checks_.push_back({{"file", c.file ? c.file : ""},
                     {"line", c.line},
                     {"rule", c.rule ? c.rule : ""},
                     {"passed", c.passed},
                     {"values", c.values ? c.values : ""}});
}

void JsonLinesWriter::loose_message(int type, const char* text) { loose_.push_back(message_json(type, text)); }

void JsonLinesWriter::flush_loose() {
  if (loose_.empty()) return;
  write({{"version", kSchemaVersion}, {"record", "messages"}, {"messages", std::move(loose_)}});
  loose_ = json::array();
}

void JsonLinesWriter::finished(const CollectedCommand& c) {
  flush_loose();
  (c.exit_code == 0 ? passed_ : failed_)++;
  json object = {{"version", kSchemaVersion},
                 {"record", "command"},
                 {"name", c.name},
                 {"upper", c.upper},
                 {"line", c.line},
                 {"arguments", c.arguments},
                 {"exit_code", c.exit_code},
                 {"exit_name", c.exit_name},
                 {"duration", c.seconds},
                 {"registers", std::move(registers_)},
                 {"dumps", std::move(dumps_)}};
  // Rules checked inside the command belong to it.
  if (!checks_.empty()) object["checks"] = std::move(checks_);
  if (!out_) {
    // A caller that keeps the objects gets this one as it is, not as text
    // it would parse again.
    if (sink_) {
      json messages = json::array();
      messages.get_ref<json::array_t&>().reserve(c.spans.size());
      c.each_message([&](int type, std::string_view text) { messages.push_back(sink_message(type, text)); });
      object["messages"] = std::move(messages);
      sink_(object);
    }
    registers_ = json::array();
    dumps_ = json::array();
    checks_ = json::array();
    return;
  }
  // The messages, often most of the line, are written as text after the rest.
  std::string& line = line_;
  line = object.dump(-1, ' ', false, json::error_handler_t::replace);
  line.pop_back();
  line.reserve(line.size() + c.message_bytes + 32 * c.spans.size() + 16);
  line += ",\"messages\":[";
  bool first = true;
  c.each_message([&](int type, std::string_view text) {
    if (!first) line += ',';
    first = false;
    append_message_json(line, type, text);
  });
  line += "]}\n";
  write_text(line);
  registers_ = json::array();
  dumps_ = json::array();
  checks_ = json::array();
  // A run cut short still leaves whole lines behind.
  if (out_) std::fflush(out_);
}

bool JsonLinesWriter::finish() {
  flush_loose();
  write({{"version", kSchemaVersion}, {"record", "summary"}, {"passed", passed_}, {"failed", failed_}});
  if (out_ && std::fflush(out_) != 0) failed_write_ = true;
  return !failed_write_;
}

}  // namespace records
