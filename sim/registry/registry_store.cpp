#include "registry_store.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace sim {
namespace {

struct Hive {
  HKEY handle;
  const char* name;
  const char* short_name;
};

const Hive kHives[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
};

const char kCpuKey[] = "HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// State keys are "key=value" lines: keep '=', '%', '|' and control bytes
// out of the key part.
std::string encode(const std::string& s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (c == '=' || c == '%' || c == '|' || c < 0x20) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string to_hex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

bool from_hex(const std::string& hex, std::string& bytes) {
  if (hex.size() % 2) return false;
  bytes.clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    auto nib = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    int hi = nib(hex[i]), lo = nib(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

std::string le_bytes(unsigned long long v, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return parts;
}

bool number(const std::string& text, unsigned long long& v) {
  std::string t = trim(text);
  if (t.empty() || t[0] == '-') return false;
  char* end = nullptr;
  v = std::strtoull(t.c_str(), &end, 0);
  return end && *end == '\0';
}

// The host processor's own figures, as Windows words them.
std::map<std::string, RegValue> host_cpu_values() {
  std::ifstream f("/proc/cpuinfo");
  std::map<std::string, std::string> info;
  std::string line;
  while (std::getline(f, line)) {
    if (trim(line).empty()) break;  // the first processor only
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    info.emplace(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
  }
  std::map<std::string, RegValue> out;
  auto sz = [&](const char* name, const std::string& text) {
    out[lower(name)] = RegValue{REG_SZ, text + '\0', name};
  };
  if (info.count("cpu family") && info.count("model") && info.count("stepping"))
    sz("Identifier", "x86 Family " + info["cpu family"] + " Model " + info["model"] + " Stepping " +
                         info["stepping"]);
  if (info.count("model name")) sz("ProcessorNameString", info["model name"]);
  if (info.count("vendor_id")) sz("VendorIdentifier", info["vendor_id"]);
  if (info.count("cpu MHz"))
    out["~mhz"] = RegValue{REG_DWORD, le_bytes(std::strtoul(info["cpu MHz"].c_str(), nullptr, 10), 4),
                           "~MHz"};
  return out;
}

bool check_profile(const Profile& p, std::string& error) {
  for (const auto& section : p.sections_named("registry")) {
    std::string path = section.substr(9);
    if (!Registry::canonical(path)) {
      error = "[" + section + "] must name a key as HKLM\\path (HKLM, HKCU, HKCR, HKU or HKCC)";
      return false;
    }
    for (const auto& [name, text] : *p.section(section)) {
      RegValue v;
      std::string why;
      if (!parse_reg_value(text, v, why)) {
        error = "[" + section + "] " + name + ": " + why;
        return false;
      }
    }
  }
  for (const char* fault : {"registry_open", "registry_read", "registry_write"}) {
    if (!p.has("faults", fault)) continue;
    for (const auto& item : split(p.get("faults", fault), ';'))
      if (!Registry::canonical(trim(item))) {
        error = std::string("[faults] ") + fault + ": '" + trim(item) +
                "' is not a registry path such as HKLM\\SOFTWARE\\Key";
        return false;
      }
  }
  return true;
}

const bool kChecked = (register_profile_check("registry", check_profile), true);

}  // namespace

bool parse_reg_value(const std::string& text, RegValue& value, std::string& error) {
  auto starts = [&](const char* prefix) { return text.compare(0, std::strlen(prefix), prefix) == 0; };
  unsigned long long n = 0;
  if (starts("dword:")) {
    if (!number(text.substr(6), n) || n > 0xFFFFFFFFull) {
      error = "dword: needs a number up to 0xFFFFFFFF";
      return false;
    }
    value.type = REG_DWORD;
    value.data = le_bytes(n, 4);
  } else if (starts("qword:")) {
    if (!number(text.substr(6), n)) {
      error = "qword: needs a number";
      return false;
    }
    value.type = REG_QWORD;
    value.data = le_bytes(n, 8);
  } else if (starts("hex:")) {
    value.type = REG_BINARY;
    value.data.clear();
    std::string list = text.substr(4);
    std::replace(list.begin(), list.end(), ' ', ',');
    for (const auto& item : split(list, ',')) {
      if (item.empty()) continue;
      std::string byte;
      if (item.size() != 2 || !from_hex(item, byte)) {
        error = "hex: needs bytes of two hexadecimal digits separated by commas";
        return false;
      }
      value.data += byte;
    }
  } else if (starts("expand:")) {
    value.type = REG_EXPAND_SZ;
    value.data = text.substr(7) + '\0';
  } else if (starts("multi:")) {
    value.type = REG_MULTI_SZ;
    value.data.clear();
    for (const auto& item : split(text.substr(6), '|'))
      if (!item.empty()) value.data += item + '\0';
    value.data += '\0';
  } else {
    std::string s = text;
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    value.type = REG_SZ;
    value.data = s + '\0';
  }
  return true;
}

Registry::Registry(Machine& machine) : machine_(machine), state_(machine.state("registry")) {
  (void)kChecked;
  if (!state_.get("seeded")) seed();
}

std::optional<std::string> Registry::canonical(const std::string& text) {
  std::string hive = text.substr(0, text.find('\\'));
  std::string rest = hive.size() < text.size() ? text.substr(hive.size() + 1) : "";
  std::string full;
  for (const auto& h : kHives)
    if (lower(hive) == lower(h.name) || lower(hive) == lower(h.short_name)) full = h.name;
  if (full.empty()) return std::nullopt;
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  if (rest.empty()) return full;
  for (const auto& part : split(rest, '\\'))
    if (part.empty()) return std::nullopt;
  return full + "\\" + rest;
}

const char* Registry::hive_name(HKEY hive) {
  for (const auto& h : kHives)
    if (h.handle == hive) return h.name;
  return nullptr;
}

std::string Registry::key_of(const std::string& path) const { return "k:" + encode(lower(path)); }

std::string Registry::value_key(const std::string& path, const std::string& name) const {
  return "v:" + encode(lower(path)) + "|" + encode(lower(name));
}

void Registry::seed() {
  std::map<std::string, std::string> batch;
  auto add_key = [&](const std::string& path) {
    // Every parent exists too.
    size_t pos = path.find('\\');
    while (pos != std::string::npos) {
      pos = path.find('\\', pos + 1);
      std::string part = path.substr(0, pos);
      batch[key_of(part)] = part;
    }
  };
  auto add_value = [&](const std::string& path, const RegValue& v) {
    batch[value_key(path, v.name)] = std::to_string(v.type) + "|" + to_hex(v.data) + "|" + v.name;
  };
  // The driver's installation first, so that the profile's own keys may
  // change what it wrote. An INF file that could not be written shows when
  // the toolkit reads it.
  std::string install_error;
  install_driver(machine_, [&](const std::string& path, const RegValue* v) {
    add_key(path);
    if (v) add_value(path, *v);
  }, install_error);
  const Profile& p = machine_.profile();
  std::optional<std::string> cpu_key = canonical(kCpuKey);
  std::map<std::string, RegValue> cpu = host_cpu_values();
  add_key(*cpu_key);
  for (const auto& section : p.sections_named("registry")) {
    auto path = canonical(section.substr(9));
    if (!path) continue;  // refused by the profile check
    add_key(*path);
    for (const auto& [name, text] : *p.section(section)) {
      RegValue v;
      std::string error;
      if (!parse_reg_value(text, v, error)) continue;
      v.name = name == "@" ? "" : name;
      if (lower(*path) == lower(*cpu_key)) cpu.erase(lower(v.name));
      add_value(*path, v);
    }
  }
  for (const auto& [lname, v] : cpu) add_value(*cpu_key, v);
  batch["seeded"] = "1";
  // Two first runs at once seed once: the later one would undo what the
  // earlier one has changed since.
  state_.update([&](StateFile::Values& values) {
    if (values.count("seeded")) return false;
    values.insert(batch.begin(), batch.end());
    return true;
  });
}

bool Registry::key_exists(const std::string& path) const {
  if (path.find('\\') == std::string::npos) return true;  // a hive
  return state_.get(key_of(path)).has_value();
}

bool Registry::create_key(const std::string& path, bool& created) {
  created = !key_exists(path);
  if (!created) return true;
  // Decided again under the lock: another process may have created it.
  return state_.update([&](StateFile::Values& values) {
    created = values.count(key_of(path)) == 0;
    bool added = false;
    size_t pos = path.find('\\');
    while (pos != std::string::npos) {
      pos = path.find('\\', pos + 1);
      std::string part = path.substr(0, pos);
      added = values.emplace(key_of(part), part).second || added;
    }
    return added;
  });
}

bool Registry::delete_tree(const std::string& path) {
  std::string k = key_of(path);
  std::string v = "v:" + encode(lower(path));
  // What lies below the key as saved now, subkeys another process added too.
  return state_.update([&](StateFile::Values& values) {
    bool any = values.erase(k) != 0;
    for (const std::string& prefix : {k + "\\", v + "|", v + "\\"})
      for (auto it = values.lower_bound(prefix);
           it != values.end() && it->first.compare(0, prefix.size(), prefix) == 0; any = true)
        it = values.erase(it);
    return any;
  });
}

std::vector<std::string> Registry::sub_keys(const std::string& path) const {
  std::string prefix = key_of(path) + "\\";
  std::vector<std::string> names;
  for (const auto& key : state_.keys(prefix)) {
    if (key.find('\\', prefix.size()) != std::string::npos) continue;  // deeper down
    std::string full = state_.get_or(key, "");
    names.push_back(full.substr(full.rfind('\\') + 1));
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
  return names;
}

static std::optional<RegValue> decode_value(const std::string& stored) {
  size_t a = stored.find('|');
  size_t b = a == std::string::npos ? a : stored.find('|', a + 1);
  if (b == std::string::npos) return std::nullopt;
  RegValue v;
  v.type = static_cast<DWORD>(std::strtoul(stored.substr(0, a).c_str(), nullptr, 10));
  if (!from_hex(stored.substr(a + 1, b - a - 1), v.data)) return std::nullopt;
  v.name = stored.substr(b + 1);
  return v;
}

std::vector<RegValue> Registry::values(const std::string& path) const {
  std::vector<RegValue> out;
  for (const auto& key : state_.keys("v:" + encode(lower(path)) + "|"))
    if (auto v = decode_value(state_.get_or(key, ""))) out.push_back(*v);
  return out;
}

std::optional<RegValue> Registry::value(const std::string& path, const std::string& name) const {
  auto stored = state_.get(value_key(path, name));
  if (!stored) return std::nullopt;
  return decode_value(*stored);
}

bool Registry::set_value(const std::string& path, const RegValue& v) {
  std::string key = key_of(path), stored = std::to_string(v.type) + "|" + to_hex(v.data) + "|" + v.name;
  bool hive = path.find('\\') == std::string::npos;
  bool gone = false;
  // A key another process deleted meanwhile takes no value: it would be
  // left without its key.
  bool written = state_.update([&](StateFile::Values& values) {
    gone = !hive && !values.count(key);
    if (gone) return false;
    values[value_key(path, v.name)] = stored;
    return true;
  });
  return written && !gone;
}

bool Registry::erase_value(const std::string& path, const std::string& name) {
  return state_.erase(value_key(path, name));
}

bool Registry::path_listed(const std::string& fault, const std::string& full) const {
  if (!machine_.has_fault(fault)) return false;
  for (const auto& item : split(machine_.fault_value(fault), ';')) {
    auto path = canonical(trim(item));
    if (path && lower(*path) == lower(full)) return true;
  }
  return false;
}

bool Registry::open_denied(const std::string& path) const { return path_listed("registry_open", path); }
bool Registry::read_denied(const std::string& path, const std::string& name) const {
  return path_listed("registry_read", path + "\\" + name);
}
bool Registry::write_denied(const std::string& path) const { return path_listed("registry_write", path); }

}  // namespace sim
