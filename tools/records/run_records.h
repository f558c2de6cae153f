// The writers that turn a run's records into files for machines: JSON
// Lines (one object per command, the schema in docs/run-records.schema.json)
// and a JUnit XML report. A front end installs them as record listeners.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/records.h"

namespace records {

// The schema version every JSON object carries.
constexpr int kSchemaVersion = 1;

// What a run is of: the tool and the machine (or the log) it ran on.
struct RunInfo {
  std::string tool;          // "LUMA_QRT", "LUMA_CLI"
  std::string tool_version;  // "1.15.3664"
  std::string mode;          // "automatic", "script" or "log"
  bool has_chipset = false;
  uint16_t device_id = 0;
  uint16_t revision = 0;
  std::string chipset_name;
  std::string family;        // "dov", ...; empty when unknown
  std::string log;           // the report log a conversion read, else empty
};

// One command as the writers see it when it ends.
struct CollectedCommand {
  std::string name, upper, line;
  std::vector<std::string> arguments;
  // The messages' texts end to end, and where each one lies: one buffer
  // rather than a string per message (a dump writes tens of thousands).
  // A span lies in `text` at `at`, or, for a log replayed from memory, in
  // the caller's own text at `outside`, which is then not copied.
  struct Span {
    int type;
    size_t at, size;
    const char* outside;
  };
  std::string text;
  std::vector<Span> spans;
  size_t message_bytes = 0;  // the messages' sizes together
  template <typename F>
  void each_message(F f) const {
    for (const Span& s : spans)
      f(s.type, s.outside ? std::string_view(s.outside, s.size) : std::string_view(text).substr(s.at, s.size));
  }
  int exit_code = 0;
  std::string exit_name;
  double seconds = 0;
};

// Follows the outermost command: its begin, the messages written inside it
// and its end; commands run inside it count as its own text.
class CommandCollector : public Listener {
 public:
  void command_begin(const CommandBegin& begin) override;
  void message(int type, const char* text) override;
  void command_end(const CommandEnd& end) override;
  // A whole command at once, its messages spans into (`outside`) text that
  // outlives the call: what a log held in memory replays without a copy.
  // The spans are borrowed for the call and given back. False, and nothing
  // done, inside another command.
  bool whole_command(const CommandBegin& begin, std::vector<CollectedCommand::Span>& messages,
                     const CommandEnd& end);
  // What another collector gathered, for a writer that shares it: a
  // finished command, a message outside any command.
  void take(const CollectedCommand& command) { finished(command); }
  void take_loose(int type, const char* text) { loose_message(type, text); }

 protected:
  virtual void finished(const CollectedCommand& command) = 0;
  // A message written outside any command.
  virtual void loose_message(int, const char*) {}
  bool inside() const { return depth_ > 0; }

 private:
  void clear();
  CollectedCommand current_;
  int depth_ = 0;
};

// Several writers over one collection: a command's messages are kept once
// however many writers want them; the other records go to each in turn.
class SharedCollector final : public CommandCollector {
 public:
  explicit SharedCollector(std::vector<CommandCollector*> writers) : writers_(std::move(writers)) {}
  void register_decoded(const Register& reg) override {
    for (CommandCollector* w : writers_) w->register_decoded(reg);
  }
  void dump(const Dump& dump) override {
    for (CommandCollector* w : writers_) w->dump(dump);
  }
  void check(const Check& check) override {
    for (CommandCollector* w : writers_) w->check(check);
  }

 private:
  void finished(const CollectedCommand& command) override {
    for (CommandCollector* w : writers_) w->take(command);
  }
  void loose_message(int type, const char* text) override {
    for (CommandCollector* w : writers_) w->take_loose(type, text);
  }
  std::vector<CommandCollector*> writers_;
};

// JSON Lines: a "run" object, one "command" object per command (with its
// messages, registers and dumps), "messages" objects for text between
// commands and a closing "summary". Each line is written when it is whole.
class JsonLinesWriter final : public CommandCollector {
 public:
  // Each finished object, for a caller that keeps them in memory.
  using Sink = std::function<void(const nlohmann::ordered_json&)>;
  // Writes the run object at once; `out` stays the caller's.
  JsonLinesWriter(FILE* out, const RunInfo& info);
  JsonLinesWriter(Sink sink, const RunInfo& info);
  void register_decoded(const Register& reg) override;
  void dump(const Dump& dump) override;
  void check(const Check& check) override;
  // Writes the pending text and the summary; false when a write failed.
  bool finish();

 private:
  void finished(const CollectedCommand& command) override;
  void loose_message(int type, const char* text) override;
  void flush_loose();
  void write(const nlohmann::ordered_json& object);
  void write_text(const std::string& line);
  std::string line_;  // the command line being built, its room kept

  FILE* out_ = nullptr;
  Sink sink_;
  nlohmann::ordered_json registers_ = nlohmann::ordered_json::array();
  nlohmann::ordered_json dumps_ = nlohmann::ordered_json::array();
  nlohmann::ordered_json checks_ = nlohmann::ordered_json::array();
  nlohmann::ordered_json loose_ = nlohmann::ordered_json::array();
  int passed_ = 0, failed_ = 0;
  bool failed_write_ = false;
};

// JUnit XML: one test suite for the run, one test case per command, a
// failure for every exit code but EXIT_OK, the command's text as
// system-out. Written whole by finish().
class JunitWriter final : public CommandCollector {
 public:
  explicit JunitWriter(const RunInfo& info) : info_(info) {}
  // Each rule of an expectation file is a test case of a suite of its own
  // ("check_state <file>"), so the run's suite keeps one case per command.
  void check(const Check& check) override;
  bool finish(FILE* out) const;

 private:
  struct Case {
    std::string suite;  // empty: the run's
    std::string name;
    double seconds;
    bool passed;
    std::string failure_type, failure_text, output;
  };
  void finished(const CollectedCommand& command) override;
  void add_case(Case c) { cases_.push_back(std::move(c)); }

  RunInfo info_;
  std::vector<Case> cases_;
};

// The JSON value of text from the machine: a string, with every byte that
// is not UTF-8 replaced by U+FFFD when written.
nlohmann::ordered_json message_json(int type, const std::string& text);
nlohmann::ordered_json run_json(const RunInfo& info);
// Dumps one object as a line, bytes that are not UTF-8 replaced.
std::string json_line(const nlohmann::ordered_json& object);
// Appends the message object ({"type", "text"[, "bytes"]}) as JSON text.
void append_message_json(std::string& out, int type, std::string_view text);

}  // namespace records
