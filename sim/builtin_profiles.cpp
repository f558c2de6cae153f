#include "builtin_profiles.h"

#include <utility>

namespace sim {
// Generated from sim/profiles/*.profile: {name, text} rows.
extern const std::pair<const char*, const char*> kBuiltinProfiles[];
extern const unsigned kBuiltinProfileCount;

const std::string* builtin_profile_text(const std::string& name) {
  static std::vector<std::pair<std::string, std::string>> texts = [] {
    std::vector<std::pair<std::string, std::string>> t;
    for (unsigned i = 0; i < kBuiltinProfileCount; ++i)
      t.emplace_back(kBuiltinProfiles[i].first, kBuiltinProfiles[i].second);
    return t;
  }();
  for (auto& [n, text] : texts)
    if (n == name) return &text;
  return nullptr;
}

std::vector<std::string> builtin_profile_names() {
  std::vector<std::string> names;
  for (unsigned i = 0; i < kBuiltinProfileCount; ++i) names.emplace_back(kBuiltinProfiles[i].first);
  return names;
}

std::optional<Profile> load_builtin(const std::string& name, std::string& error) {
  const std::string* text = builtin_profile_text(name);
  if (!text) {
    std::string known;
    for (auto& n : builtin_profile_names()) known += (known.empty() ? "" : ", ") + n;
    error = "no built-in profile named '" + name + "' (built-in: " + known + ")";
    return std::nullopt;
  }
  return Profile::parse(*text, name, error);
}

const char* Profile::default_name() { return "dov"; }

}  // namespace sim
