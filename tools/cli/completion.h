// Tab completion at luma_cli's prompt: command names, then the words that
// the command's argument takes where its kind is known (ring names, port
// words, widths, file paths, and whatever a registered provider supplies).
#pragma once
#include <functional>
#include <string>
#include <vector>

enum class ArgumentKind { kNone, kRing, kPort, kWidth, kFile, kRegister };

// The kind of the command's argument `position` (1 is the first argument).
ArgumentKind argument_kind(const std::string& command, size_t position);

struct Completion {
  size_t start = 0;                     // where the word being completed begins
  std::vector<std::string> candidates;  // whole words, sorted, each beginning with that word
  bool file = false;                    // paths: a folder ends in "/" and takes no space after it
};

// Supplies the words of a kind the completer does not know by itself (the
// names of registers and fields, REG or REG.FIELD): the words beginning
// with `prefix`, any case.
using WordProvider = std::function<std::vector<std::string>(const std::string& prefix)>;
void set_word_provider(ArgumentKind kind, WordProvider provider);

// What completes the last word of `line` (the text before the cursor), given
// the command names the session carries.
Completion complete_line(const std::string& line, const std::vector<std::string>& commands);

// Whether `word` begins with `prefix`, ignoring letter case.
bool begins_with(const std::string& word, const std::string& prefix);

// The longest beginning that every candidate shares (any letter case taken
// from the first).
std::string common_prefix(const std::vector<std::string>& candidates);
