#include "completion.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

#include "commands/display_commands.h"
#include "hw/ring_commands.h"

namespace {

// What each command's arguments are, where completing them helps. Commands
// not listed complete their name only.
struct CommandArguments {
  const char* command;
  ArgumentKind kinds[4];  // arguments 1..4
};
constexpr ArgumentKind N = ArgumentKind::kNone;
const CommandArguments kCommandArguments[] = {
    {"read_ring_ins", {ArgumentKind::kRing}},
    {"enable", {ArgumentKind::kPort}},
    {"disable", {ArgumentKind::kPort}},
    {"rotate", {ArgumentKind::kPort}},
    {"flip", {ArgumentKind::kPort}},
    {"read_mem", {N, N, ArgumentKind::kWidth}},
    {"write_mem", {N, N, ArgumentKind::kWidth}},
    {"read_mmio", {N, N, ArgumentKind::kWidth}},
    {"write_mmio", {N, N, ArgumentKind::kWidth}},
    {"read_mmio_regs", {N, ArgumentKind::kWidth}},
    {"parse_qrt", {ArgumentKind::kFile}},
    {"check_regs", {ArgumentKind::kFile}},
    {"get_pci_info", {ArgumentKind::kFile}},
    {"get_edid_info", {ArgumentKind::kFile}},
    {"use_log", {ArgumentKind::kFile}},
    {"find_reg", {ArgumentKind::kRegister}},
    {"read_reg", {ArgumentKind::kRegister, ArgumentKind::kRegister, ArgumentKind::kRegister, ArgumentKind::kRegister}},
    {"write_reg", {ArgumentKind::kRegister}},
    {"watch_reg", {ArgumentKind::kRegister}},
};

// Words the interpreter itself takes besides the table's commands.
const char* const kConsoleWords[] = {"help", "quit", "exit"};
const char* const kWidths[] = {"8", "16", "32"};

std::map<ArgumentKind, WordProvider>& providers() {
  static std::map<ArgumentKind, WordProvider> p;
  return p;
}

void add_matching(std::vector<std::string>& out, const std::vector<std::string>& words, const std::string& prefix) {
  for (const auto& w : words)
    if (begins_with(w, prefix)) out.push_back(w);
}

// Entries of the folder named by `prefix` (up to its last slash) that begin
// with the rest of it; a folder gets a trailing "/".
std::vector<std::string> matching_paths(const std::string& prefix) {
  namespace fs = std::filesystem;
  size_t slash = prefix.find_last_of("/\\");
  std::string folder = slash == std::string::npos ? "" : prefix.substr(0, slash + 1);
  std::string rest = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
  std::vector<std::string> out;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    // Hidden entries only when asked for by their dot.
    if (name.empty() || (name[0] == '.' && (rest.empty() || rest[0] != '.'))) continue;
    if (name.compare(0, rest.size(), rest) != 0) continue;
    std::error_code dir_ec;
    out.push_back(folder + name + (it->is_directory(dir_ec) ? "/" : ""));
  }
  return out;
}

}  // namespace

ArgumentKind argument_kind(const std::string& command, size_t position) {
  if (position < 1 || position > 4) return ArgumentKind::kNone;
  for (const auto& c : kCommandArguments)
    if (begins_with(command, c.command) && command.size() == std::string(c.command).size())
      return c.kinds[position - 1];
  return ArgumentKind::kNone;
}

bool begins_with(const std::string& word, const std::string& prefix) {
  if (prefix.size() > word.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(word[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

void set_word_provider(ArgumentKind kind, WordProvider provider) { providers()[kind] = std::move(provider); }

Completion complete_line(const std::string& line, const std::vector<std::string>& commands) {
  Completion c;
  size_t start = line.find_last_of(" \t");
  c.start = start == std::string::npos ? 0 : start + 1;
  const std::string word = line.substr(c.start);
  std::vector<std::string> before;
  std::istringstream words(line.substr(0, c.start));
  for (std::string w; words >> w;) before.push_back(w);

  // The first word, or the command that "help" lists.
  bool help_topic = before.size() == 1 && begins_with(before[0], "help") && before[0].size() == 4;
  if (before.empty() || help_topic) {
    add_matching(c.candidates, commands, word);
    if (before.empty())
      for (const char* w : kConsoleWords)
        if (begins_with(w, word)) c.candidates.push_back(w);
  } else {
    switch (argument_kind(before[0], before.size())) {
      case ArgumentKind::kNone: break;
      case ArgumentKind::kRing: add_matching(c.candidates, ring_names(), word); break;
      case ArgumentKind::kPort: add_matching(c.candidates, port_type_words(), word); break;
      case ArgumentKind::kWidth:
        for (const char* w : kWidths)
          if (begins_with(w, word)) c.candidates.push_back(w);
        break;
      case ArgumentKind::kFile:
        c.candidates = matching_paths(word);
        c.file = true;
        break;
      case ArgumentKind::kRegister: {
        auto it = providers().find(ArgumentKind::kRegister);
        if (it != providers().end() && it->second) c.candidates = it->second(word);
        break;
      }
    }
  }
  std::sort(c.candidates.begin(), c.candidates.end());
  c.candidates.erase(std::unique(c.candidates.begin(), c.candidates.end()), c.candidates.end());
  return c;
}

std::string common_prefix(const std::vector<std::string>& candidates) {
  if (candidates.empty()) return "";
  std::string prefix = candidates[0];
  for (const auto& c : candidates) {
    size_t n = 0;
    while (n < prefix.size() && n < c.size() &&
           std::tolower(static_cast<unsigned char>(prefix[n])) == std::tolower(static_cast<unsigned char>(c[n])))
      ++n;
    prefix.resize(n);
  }
  return prefix;
}
