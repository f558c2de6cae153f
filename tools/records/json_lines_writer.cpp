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
  std::string line = json_line(object);
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

void JsonLinesWriter::loose_message(int type, const char* text) { loose_.push_back(message_json(type, text)); }

void JsonLinesWriter::flush_loose() {
  if (loose_.empty()) return;
  write({{"version", kSchemaVersion}, {"record", "messages"}, {"messages", std::move(loose_)}});
  loose_ = json::array();
}

void JsonLinesWriter::finished(const CollectedCommand& c) {
  flush_loose();
  (c.exit_code == 0 ? passed_ : failed_)++;
  json messages = json::array();
  for (const auto& [type, text] : c.messages) messages.push_back(message_json(type, text));
  write({{"version", kSchemaVersion},
         {"record", "command"},
         {"name", c.name},
         {"upper", c.upper},
         {"line", c.line},
         {"arguments", c.arguments},
         {"exit_code", c.exit_code},
         {"exit_name", c.exit_name},
         {"duration", c.seconds},
         {"messages", std::move(messages)},
         {"registers", std::move(registers_)},
         {"dumps", std::move(dumps_)}});
  registers_ = json::array();
  dumps_ = json::array();
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
