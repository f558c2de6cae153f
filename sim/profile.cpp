#include "profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "builtin_profiles.h"

namespace sim {
namespace {

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool printable(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](unsigned char c) { return c == '\t' || c >= 0x20; });
}

}  // namespace

bool parse_number(const std::string& text, long long& value) {
  std::string t = trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long v;
  if (t[0] == '-')
    v = std::strtoll(t.c_str(), &end, 0);
  else
    v = static_cast<long long>(std::strtoull(t.c_str(), &end, 0));
  if (errno != 0 || end == t.c_str() || *end != '\0') return false;
  value = v;
  return true;
}

std::optional<Profile> Profile::parse(const std::string& text, const std::string& origin,
                                      std::string& error) {
  Profile p;
  p.name_ = origin;
  std::istringstream in(text);
  std::string raw;
  std::string current;
  int line_no = 0;
  bool seen_content = false;
  while (std::getline(in, raw)) {
    ++line_no;
    auto fail = [&](const std::string& why) {
      error = origin + ":" + std::to_string(line_no) + ": " + why;
      return std::nullopt;
    };
    if (!printable(raw)) return fail("the line holds bytes that are not text");
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail("a section header must end with ']'");
      current = trim(line.substr(1, line.size() - 2));
      if (current.empty()) return fail("a section needs a name");
      p.sections_[current];
      seen_content = true;
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("expected 'key = value', '[section]' or '# comment'");
    std::string key = trim(line.substr(0, eq));
    std::string value = trim(line.substr(eq + 1));
    if (key.empty()) return fail("a key is missing before '='");
    if (current.empty()) {
      if (key == "base" && !seen_content) {
        std::string base_error;
        auto base = load_builtin(value, base_error);
        if (!base) return fail(base_error);
        std::string keep = p.name_;
        auto sections = std::move(p.sections_);
        p = std::move(*base);
        p.name_ = keep;
        for (auto& [s, kv] : sections)
          for (auto& [k, v] : kv) p.sections_[s][k] = v;
        seen_content = true;
        continue;
      }
      if (key == "name") {
        p.name_ = value;
        continue;
      }
      return fail("'" + key + "' must stand inside a [section] ('base' and 'name' come first)");
    }
    p.sections_[current][key] = value;
    seen_content = true;
  }
  return p;
}

std::optional<Profile> Profile::load(const std::string& name_or_path, std::string& error) {
  if (name_or_path.find('/') == std::string::npos && name_or_path.find('.') == std::string::npos)
    return load_builtin(name_or_path, error);
  std::ifstream f(name_or_path, std::ios::binary);
  if (!f) {
    error = "cannot open the profile file " + name_or_path;
    return std::nullopt;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  std::string base = name_or_path.substr(name_or_path.find_last_of('/') + 1);
  if (size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0) base.resize(dot);
  auto p = parse(ss.str(), base, error);
  if (p) {
    size_t slash = name_or_path.find_last_of('/');
    p->folder_ = slash == std::string::npos ? "." : name_or_path.substr(0, slash);
  }
  return p;
}

const Profile::Section* Profile::section(const std::string& section) const {
  auto it = sections_.find(section);
  return it == sections_.end() ? nullptr : &it->second;
}

std::vector<std::string> Profile::sections_named(const std::string& prefix) const {
  std::vector<std::pair<long long, std::string>> found;
  for (const auto& [name, kv] : sections_) {
    if (name.size() > prefix.size() + 1 && name.compare(0, prefix.size(), prefix) == 0 &&
        name[prefix.size()] == ' ') {
      long long n = 0;
      if (!parse_number(name.substr(prefix.size() + 1), n)) n = 1LL << 40;
      found.emplace_back(n, name);
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (auto& f : found) names.push_back(f.second);
  return names;
}

std::string Profile::get(const std::string& section, const std::string& key,
                         const std::string& fallback) const {
  auto s = sections_.find(section);
  if (s == sections_.end()) return fallback;
  auto k = s->second.find(key);
  return k == s->second.end() ? fallback : k->second;
}

bool Profile::has(const std::string& section, const std::string& key) const {
  auto s = sections_.find(section);
  return s != sections_.end() && s->second.count(key) != 0;
}

long long Profile::number(const std::string& section, const std::string& key,
                          long long fallback) const {
  long long v = 0;
  return has(section, key) && parse_number(get(section, key), v) ? v : fallback;
}

bool Profile::flag(const std::string& section, const std::string& key, bool fallback) const {
  if (!has(section, key)) return fallback;
  std::string v = get(section, key);
  std::transform(v.begin(), v.end(), v.begin(), [](unsigned char c) { return std::tolower(c); });
  if (v == "1" || v == "yes" || v == "true" || v == "on" || v == "fail") return true;
  if (v == "0" || v == "no" || v == "false" || v == "off") return false;
  return fallback;
}

void Profile::set(const std::string& section, const std::string& key, const std::string& value) {
  sections_[section][key] = value;
}

}  // namespace sim
