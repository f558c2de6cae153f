// libFuzzer entry: a report log's text read back as records and written as
// JSON Lines. Whatever the bytes, every line of the text arrives as exactly
// one message and every line written is JSON that reads back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "records/log_records.h"
#include "records/run_records.h"

namespace {

class Counter final : public records::Listener {
 public:
  void message(int, const char*) override { ++messages; }
  void command_begin(const records::CommandBegin&) override { ++depth; }
  void command_end(const records::CommandEnd&) override {
    if (--depth != 0) std::abort();
  }
  size_t messages = 0;
  int depth = 0;
};

size_t line_count(const char* text, size_t size) {
  size_t n = 0;
  for (size_t i = 0; i < size; ++i) n += text[i] == '\n';
  return n + (size && text[size - 1] != '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  Counter counter;
  size_t blocks = records::replay_log_blocks(text, size, counter);
  // Embedded NUL bytes end a message's text early but not its line.
  if (counter.messages != line_count(text, size) || counter.depth != 0 || blocks > counter.messages) std::abort();

  FILE* out = std::tmpfile();
  if (!out) return 0;
  {
    records::JsonLinesWriter writer(out, records::log_run_info(text, size, "fuzz.log"));
    records::replay_log_blocks(text, size, writer);
    if (!writer.finish()) std::abort();
  }
  std::rewind(out);
  std::string line;
  for (int c; (c = std::fgetc(out)) != EOF;) {
    if (c != '\n') {
      line.push_back(static_cast<char>(c));
      continue;
    }
    nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_discarded() || object["version"] != records::kSchemaVersion) std::abort();
    line.clear();
  }
  std::fclose(out);
  return 0;
}
