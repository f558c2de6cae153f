// What a report page shows of one log: its command blocks and the
// registers decoded from its MMIO capture, taken from the log's records.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PageField {
  std::string name;
  unsigned high = 0, low = 0;
  uint32_t value = 0;
};

struct PageRegister {
  std::string title;
  std::string name;  // the register's short name; empty where it has none
  uint32_t offset = 0;
  int device = 2;  // the PCI device the value was read from
  bool captured = true;  // false: outside what the log holds
  uint32_t value = 0;
  std::vector<PageField> fields;
};

// The registers of one dump command (GET_PIPE_REGS, ...), in its order.
struct PageTable {
  std::string command;
  std::vector<PageRegister> registers;
};

struct PageCommand {
  std::string name;  // upper case, as the log names it
  std::string args;
  int exit_code = 0;
  std::string exit_name;
  double seconds = -1;  // 0 or less where the run does not say (a stored log)

  // The output lines, kept in one buffer: a dump's 40,000 lines are not
  // 40,000 strings.
  size_t line_count() const { return ends_.size(); }
  std::string_view line(size_t i) const {
    size_t start = i ? ends_[i - 1] : 0;
    return std::string_view(text_).substr(start, ends_[i] - 1 - start);
  }
  // The message type: 1 error, 2 warning, 3 success, else plain.
  int type(size_t i) const { return types_[i]; }
  // `text` holds no line feed.
  void add_line(int type, std::string_view text) {
    text_.append(text.data(), text.size());
    text_ += '\n';
    ends_.push_back(text_.size());
    types_.push_back(static_cast<unsigned char>(type >= 1 && type <= 3 ? type : 4));
  }
  void reserve(size_t bytes, size_t lines) {
    text_.reserve(bytes);
    ends_.reserve(lines);
    types_.reserve(lines);
  }
  // Drops the blank lines at the end.
  void trim_blank_end() {
    while (!ends_.empty() && line(ends_.size() - 1).empty()) {
      ends_.pop_back();
      types_.pop_back();
      text_.resize(ends_.empty() ? 0 : ends_.back());
    }
  }
  // Lines [first, last) as one text, each ended by a line feed.
  std::string_view lines_text(size_t first, size_t last) const {
    size_t start = first ? ends_[first - 1] : 0;
    return std::string_view(text_).substr(start, (last ? ends_[last - 1] : 0) - start);
  }

 private:
  std::string text_;
  std::vector<size_t> ends_;
  std::vector<unsigned char> types_;
};

struct PageLog {
  std::string path;  // as the user named it
  std::string tool, version;
  std::string family;  // "dov", ...; empty when not known
  std::string chipset;  // the graphics device's name; empty when not known
  int device_id = -1, revision = -1;
  int summary_passed = -1, summary_failed = -1;  // the run's own counts, -1 without them
  bool from_log = false;    // converted from a stored report log
  std::string replay_exit;  // the exit name of a failed replay of the log's capture
  std::vector<PageCommand> commands;
  std::vector<PageTable> tables;

  // The run's counts; where it gave none, those of its command blocks.
  unsigned failed() const {
    if (summary_failed >= 0) return static_cast<unsigned>(summary_failed);
    unsigned n = 0;
    for (const PageCommand& c : commands) n += c.exit_code != 0;
    return n;
  }
  unsigned passed() const {
    if (summary_passed >= 0) return static_cast<unsigned>(summary_passed);
    unsigned n = 0;
    for (const PageCommand& c : commands) n += c.exit_code == 0;
    return n;
  }
  size_t register_count() const {
    size_t n = 0;
    for (const PageTable& t : tables) n += t.registers.size();
    return n;
  }
  // The command of that name, null when the log has none.
  const PageCommand* command(const char* name) const {
    for (const PageCommand& c : commands)
      if (c.name == name) return &c;
    return nullptr;
  }
};
