// A machine profile: what the simulated machine is made of.
//
// The text format is line based:
//   # a comment, and blank lines, are ignored
//   base = dov             (first line only: start from a built-in profile)
//   [section name]         (sections may repeat their name with a suffix: [screen 0])
//   key = value            (spaces around both are trimmed; a value may be empty)
// A later key of the same section replaces an earlier one, so a profile that
// names a base only needs to say what differs from it.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class Profile {
 public:
  using Section = std::map<std::string, std::string>;

  // Parses `text`; on failure returns nullopt and says why in `error`
  // (with the line number). `origin` names the text in messages.
  static std::optional<Profile> parse(const std::string& text, const std::string& origin,
                                      std::string& error);
  // A built-in profile by name, or a profile file by path.
  static std::optional<Profile> load(const std::string& name_or_path, std::string& error);
  static const char* default_name();

  const std::string& name() const { return name_; }
  // The folder of the profile file, where files it names are looked for;
  // empty for a built-in profile or profile text.
  const std::string& folder() const { return folder_; }
  const Section* section(const std::string& section) const;
  // Sections whose name is `prefix` followed by a space and anything, in
  // the order of that suffix read as a number where it is one.
  std::vector<std::string> sections_named(const std::string& prefix) const;

  std::string get(const std::string& section, const std::string& key,
                  const std::string& fallback = "") const;
  bool has(const std::string& section, const std::string& key) const;
  // Numbers take C's automatic base (0x.. hexadecimal); an unreadable number
  // yields the fallback and is reported by validate().
  long long number(const std::string& section, const std::string& key, long long fallback) const;
  bool flag(const std::string& section, const std::string& key, bool fallback = false) const;

  void set(const std::string& section, const std::string& key, const std::string& value);

 private:
  std::string name_;
  std::string folder_;
  std::map<std::string, Section> sections_;
};

// Reads a number with automatic base; false when `text` is not one.
bool parse_number(const std::string& text, long long& value);

}  // namespace sim
