#include "log_records.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "commands/offline_commands.h"
#include "commands/report_log.h"
#include "core/command_table.h"
#include "hw/hw_regs.h"
#include "lumainfo.h"

namespace records {

namespace {

constexpr std::string_view kSeparator = "\t============================";
constexpr std::string_view kFunction = "Function: ";
constexpr std::string_view kExitCode = ", Exit Code: ";

// Calls `f` with each line, without its LF or CR LF.
template <typename F>
void each_line(const char* text, size_t size, F f) {
  std::string_view all(text, size);
  while (!all.empty()) {
    size_t end = all.find('\n');
    std::string_view line = all.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    if (end == std::string_view::npos) break;
    all.remove_prefix(end + 1);
  }
}

bool parse_hex(std::string_view text, uint32_t& value, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return false;
  value = 0;
  for (char c : text) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (d < 0) return false;
    value = value << 4 | static_cast<uint32_t>(d);
  }
  return true;
}

// The number of an exit code's name; -1 for a name no code has.
int exit_code_of(std::string_view name) {
  char text[OPAL_EXIT_NAME_SIZE + 8];
  for (uint32_t code = 0; code < 64; ++code) {
    opal_decode_exit_code(static_cast<opal_exit_t>(code), text);
    if (name == text) return static_cast<int>(code);
  }
  return -1;
}

// The command word of an id name ("GET_OS_NAME" -> "get_os_name").
std::string command_word(std::string_view upper) {
  size_t n = 0;
  const CommandInfo* catalog = command_catalog(&n);
  for (size_t i = 0; i < n; ++i)
    if (catalog[i].name && catalog[i].upper && upper == catalog[i].upper) return catalog[i].name;
  return std::string(upper);
}

// The message type a line's form tells: the console's exit lines and the
// "ERROR"/"WARNING" lines; every other line is plain.
int type_of(std::string_view line, bool exit_line, bool passed) {
  if (exit_line) return passed ? MSG_SUCCESS : MSG_ERROR;
  if (line.substr(0, 5) == "ERROR") return MSG_ERROR;
  if (line.substr(0, 7) == "WARNING") return MSG_WARNING;
  return MSG_PLAIN;
}

}  // namespace

RunInfo log_run_info(const char* text, size_t size, const std::string& path) {
  RunInfo info;
  info.mode = "log";
  info.log = path;
  bool banner = false, chipset = false;
  each_line(text, size, [&](std::string_view line) {
    // "LUMA_QRT:1.15.3664", the first line the console writes.
    if (!banner && line.substr(0, 5) == "LUMA_") {
      size_t colon = line.find(':');
      if (colon != std::string_view::npos && line.find(' ') == std::string_view::npos) {
        info.tool = line.substr(0, colon);
        info.tool_version = line.substr(colon + 1);
        banner = true;
      }
    }
    // "Chipset: 0x2B02, Revision: 0x2, Name: ..." as get_chipset_name writes it.
    constexpr std::string_view kChipset = "Chipset: 0x", kRevision = ", Revision: 0x", kName = ", Name: ";
    if (!chipset && line.substr(0, kChipset.size()) == kChipset) {
      size_t r = line.find(kRevision), n = line.find(kName);
      uint32_t id = 0, revision = 0;
      if (r == std::string_view::npos || n == std::string_view::npos || n < r) return;
      if (!parse_hex(line.substr(kChipset.size(), r - kChipset.size()), id, 4) ||
          !parse_hex(line.substr(r + kRevision.size(), n - r - kRevision.size()), revision, 4))
        return;
      info.has_chipset = chipset = true;
      info.device_id = static_cast<uint16_t>(id);
      info.revision = static_cast<uint16_t>(revision);
      info.chipset_name = line.substr(n + kName.size());
      info.family = family_short_name(family_id_of_device(info.device_id));
    }
  });
  return info;
}

size_t replay_log_blocks(const char* text, size_t size, Listener& listener) {
  // A block's lines are held, where they lie in `text`, until its end says
  // whether it is a command; their types are set then.
  using Span = CollectedCommand::Span;
  std::vector<Span> block;
  // Room for every line at once: a dump is one block of tens of thousands
  // of lines, and growing it step by step copies it and touches new memory
  // again at every step.
  block.reserve(static_cast<size_t>(std::count(text, text + size, '\n')) + 1);
  std::string upper, exit_name;
  size_t commands = 0;
  // One buffer for the terminated copy of each line.
  std::string held;
  auto* collector = dynamic_cast<CommandCollector*>(&listener);
  auto terminated = [&](std::string_view line) {
    held.assign(line.data(), line.size());
    return held.c_str();
  };
  auto view = [](const Span& s) { return std::string_view(s.outside, s.size); };
  auto loose = [&](std::string_view line) { listener.message(type_of(line, false, false), terminated(line)); };
  auto flush_as_loose = [&] {
    for (const Span& s : block) loose(view(s));
    block.clear();
    upper.clear();
    exit_name.clear();
  };
  each_line(text, size, [&](std::string_view line) {
    bool function_line = line.substr(0, kFunction.size()) == kFunction;
    size_t exit_at = function_line ? line.find(kExitCode) : std::string_view::npos;
    if (function_line && exit_at == std::string_view::npos) {
      // A new command starts; what was gathered without an end is loose text.
      flush_as_loose();
      upper = line.substr(kFunction.size());
      block.push_back(Span{MSG_PLAIN, 0, line.size(), line.data()});
      return;
    }
    if (upper.empty()) {
      loose(line);
      return;
    }
    block.push_back(Span{MSG_PLAIN, 0, line.size(), line.data()});
    if (exit_at != std::string_view::npos) exit_name = line.substr(exit_at + kExitCode.size());
    if (line != kSeparator) return;
    if (exit_name.empty()) {
      flush_as_loose();
      return;
    }
    int code = exit_code_of(exit_name);
    std::string name = command_word(upper);
    const CommandBegin begin{name.c_str(), upper.c_str(), name.c_str(), nullptr, 0};
    const CommandEnd end{name.c_str(), code, exit_name.c_str(), 0.0};
    for (Span& s : block) {
      std::string_view l = view(s);
      bool is_exit = l.substr(0, kFunction.size()) == kFunction && l.find(kExitCode) != std::string_view::npos;
      s.type = type_of(l, is_exit, code == 0);
    }
    // A writer takes the lines where they lie; any other listener gets
    // each one as a message of its own.
    if (!collector || !collector->whole_command(begin, block, end)) {
      listener.command_begin(begin);
      for (const Span& s : block) listener.message(s.type, terminated(view(s)));
      listener.command_end(end);
    }
    ++commands;
    block.clear();
    upper.clear();
    exit_name.clear();
  });
  flush_as_loose();
  return commands;
}

namespace {

template <typename Output>
LogConversion convert(const char* path, Output output) {
  std::string text;
  if (!read_whole_file(path, text)) return LogConversion::unreadable;
  JsonLinesWriter writer(output, log_run_info(text.data(), text.size(), path));
  replay_log_blocks(text.data(), text.size(), writer);
  {
    ScopedListener listen(&writer);
    ScopedTextToListenersOnly quiet;
    cmd_args_t args;
    std::memset(&args, 0, sizeof args);
    std::snprintf(args.slot[0], sizeof args.slot[0], "%s", "parse_qrt");
    std::snprintf(args.slot[1], sizeof args.slot[1], "%s", path);
    args.count = 2;
    std::string line = std::string("parse_qrt ") + path;
    const char* arguments[] = {path};
    command_begin(CommandBegin{"parse_qrt", "PARSE_QRT", line.c_str(), arguments, 1});
    opal_exit_t rc = cmd_parse_qrt(&args);
    command_end(static_cast<int>(rc), "parse_qrt");
  }
  return writer.finish() ? LogConversion::done : LogConversion::write_failed;
}

}  // namespace

LogConversion convert_report_log(const char* path, JsonLinesWriter::Sink sink) { return convert(path, std::move(sink)); }
LogConversion convert_report_log(const char* path, FILE* out) { return convert(path, out); }

}  // namespace records
