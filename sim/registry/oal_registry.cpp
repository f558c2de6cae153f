// The registry calls of the platform layer over the simulated registry.
#include <algorithm>
#include <cstring>

#include "handles.h"
#include "oal/registry.h"
#include "registry_store.h"

namespace {

class KeyHandle : public sim::Object {
 public:
  KeyHandle(std::string p, REGSAM a) : path(std::move(p)), access(a) {}
  std::string path;
  REGSAM access;
};

sim::Registry* registry() {
  auto& m = sim::Machine::get();
  if (m.fault()) return nullptr;
  return &m.part<sim::Registry>();
}

// The full path of an open or predefined key; an error code otherwise.
LSTATUS resolve(HKEY key, std::string& path, REGSAM* access = nullptr) {
  sim::Registry* reg = registry();
  if (!reg) return ERROR_BADDB;
  if (const char* hive = sim::Registry::hive_name(key)) {
    path = hive;
    if (access) *access = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  auto* h = sim::lookup<KeyHandle>(key);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!reg->key_exists(h->path)) return ERROR_KEY_DELETED;
  path = h->path;
  if (access) *access = h->access;
  return ERROR_SUCCESS;
}

// Joins a key and a relative path; false for an empty name in the middle
// or a leading backslash, which Windows refuses as well.
bool join(const std::string& base, LPCSTR sub, std::string& out) {
  out = base;
  if (!sub || !*sub) return true;
  if (*sub == '\\') return false;
  std::string rest = sub;
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  size_t start = 0;
  for (;;) {
    size_t p = rest.find('\\', start);
    std::string part = rest.substr(start, p == std::string::npos ? std::string::npos : p - start);
    if (part.empty() || part.size() > 255) return false;
    out += "\\" + part;
    if (p == std::string::npos) break;
    start = p + 1;
  }
  return true;
}

std::string name_of(LPCSTR name) { return name ? name : ""; }

// The common start of opening or creating a key: the out-handle cleared,
// the registry at hand and the key's full path.
LSTATUS key_path(HKEY key, LPCSTR sub_key, PHKEY result, sim::Registry*& reg, std::string& path) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  reg = registry();
  if (!reg) return ERROR_BADDB;
  std::string base;
  if (LSTATUS rc = resolve(key, base)) return rc;
  if (!join(base, sub_key, path)) return ERROR_BAD_PATHNAME;
  return ERROR_SUCCESS;
}

}  // namespace

namespace oal {

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD, LPSTR, DWORD, REGSAM access, void*,
                        PHKEY result, LPDWORD disposition) {
  sim::Registry* reg = nullptr;
  std::string path;
  if (LSTATUS rc = key_path(key, sub_key, result, reg, path)) return rc;
  if (reg->open_denied(path)) return ERROR_ACCESS_DENIED;
  bool created = false;
  if (!reg->create_key(path, created)) return ERROR_BADDB;
  *result = sim::make_handle(std::make_unique<KeyHandle>(path, access));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM access, PHKEY result) {
  sim::Registry* reg = nullptr;
  std::string path;
  if (LSTATUS rc = key_path(key, sub_key, result, reg, path)) return rc;
  if (!reg->key_exists(path)) return ERROR_FILE_NOT_FOUND;
  if (reg->open_denied(path)) return ERROR_ACCESS_DENIED;
  *result = sim::make_handle(std::make_unique<KeyHandle>(path, access));
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD data_size) {
  std::string path;
  REGSAM access = 0;
  if (LSTATUS rc = resolve(key, path, &access)) return rc;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (data && !data_size) return ERROR_INVALID_PARAMETER;
  sim::Registry* reg = registry();
  std::string name = name_of(value_name);
  auto v = reg->value(path, name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (reg->read_denied(path, name)) return ERROR_ACCESS_DENIED;
  if (type) *type = v->type;
  DWORD size = static_cast<DWORD>(v->data.size());
  if (data_size) {
    DWORD room = *data_size;
    *data_size = size;
    if (data) {
      if (room < size) return ERROR_MORE_DATA;
      std::memcpy(data, v->data.data(), size);
    }
  }
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR value_name, DWORD, DWORD type, const BYTE* data,
                       DWORD data_size) {
  std::string path;
  REGSAM access = 0;
  if (LSTATUS rc = resolve(key, path, &access)) return rc;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  if (!data && data_size) return ERROR_INVALID_PARAMETER;
  sim::Registry* reg = registry();
  if (reg->write_denied(path)) return ERROR_ACCESS_DENIED;
  sim::RegValue v;
  v.type = type;
  v.name = name_of(value_name);
  if (data) v.data.assign(reinterpret_cast<const char*>(data), data_size);
  if (reg->set_value(path, v)) return ERROR_SUCCESS;
  return reg->key_exists(path) ? ERROR_BADDB : ERROR_KEY_DELETED;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR value_name) {
  std::string path;
  REGSAM access = 0;
  if (LSTATUS rc = resolve(key, path, &access)) return rc;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  sim::Registry* reg = registry();
  if (reg->write_denied(path)) return ERROR_ACCESS_DENIED;
  std::string name = name_of(value_name);
  if (!reg->value(path, name)) return ERROR_FILE_NOT_FOUND;
  return reg->erase_value(path, name) ? ERROR_SUCCESS : ERROR_BADDB;
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD, LPSTR key_class,
                      LPDWORD class_size, PFILETIME last_write) {
  std::string path;
  REGSAM access = 0;
  if (LSTATUS rc = resolve(key, path, &access)) return rc;
  if (!(access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (!name || !name_size) return ERROR_INVALID_PARAMETER;
  auto subs = registry()->sub_keys(path);
  if (index >= subs.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& sub = subs[index];
  if (*name_size < sub.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(name, sub.c_str(), sub.size() + 1);
  *name_size = static_cast<DWORD>(sub.size());
  if (key_class && class_size && *class_size) *key_class = '\0';
  if (class_size) *class_size = 0;
  if (last_write) *last_write = FILETIME{};
  return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR value_name, LPDWORD value_name_size, LPDWORD,
                      LPDWORD type, LPBYTE data, LPDWORD data_size) {
  std::string path;
  REGSAM access = 0;
  if (LSTATUS rc = resolve(key, path, &access)) return rc;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (!value_name || !value_name_size || (data && !data_size)) return ERROR_INVALID_PARAMETER;
  auto values = registry()->values(path);
  if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
  const sim::RegValue& v = values[index];
  if (*value_name_size < v.name.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(value_name, v.name.c_str(), v.name.size() + 1);
  *value_name_size = static_cast<DWORD>(v.name.size());
  if (type) *type = v.type;
  if (data_size) {
    DWORD room = *data_size;
    *data_size = static_cast<DWORD>(v.data.size());
    if (data) {
      if (room < v.data.size()) return ERROR_MORE_DATA;
      std::memcpy(data, v.data.data(), v.data.size());
    }
  }
  return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR key_class, LPDWORD class_size, LPDWORD, LPDWORD sub_keys,
                         LPDWORD max_sub_key_len, LPDWORD max_class_len, LPDWORD values,
                         LPDWORD max_value_name_len, LPDWORD max_value_len,
                         LPDWORD security_descriptor_size, PFILETIME last_write) {
  std::string path;
  if (LSTATUS rc = resolve(key, path)) return rc;
  sim::Registry* reg = registry();
  auto subs = reg->sub_keys(path);
  auto vals = reg->values(path);
  DWORD longest_sub = 0, longest_name = 0, longest_data = 0;
  for (const auto& s : subs) longest_sub = std::max<DWORD>(longest_sub, static_cast<DWORD>(s.size()));
  for (const auto& v : vals) {
    longest_name = std::max<DWORD>(longest_name, static_cast<DWORD>(v.name.size()));
    longest_data = std::max<DWORD>(longest_data, static_cast<DWORD>(v.data.size()));
  }
  if (key_class && class_size && *class_size) *key_class = '\0';
  if (class_size) *class_size = 0;
  if (sub_keys) *sub_keys = static_cast<DWORD>(subs.size());
  if (max_sub_key_len) *max_sub_key_len = longest_sub;
  if (max_class_len) *max_class_len = 0;
  if (values) *values = static_cast<DWORD>(vals.size());
  if (max_value_name_len) *max_value_name_len = longest_name;
  if (max_value_len) *max_value_len = longest_data;
  if (security_descriptor_size) *security_descriptor_size = 0;
  if (last_write) *last_write = FILETIME{};
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  if (sim::Registry::hive_name(key)) return ERROR_SUCCESS;
  if (!sim::lookup<KeyHandle>(key)) return ERROR_INVALID_HANDLE;
  sim::close_handle(key);
  return ERROR_SUCCESS;
}

LSTATUS SHDeleteKeyA(HKEY key, LPCSTR sub_key) {
  sim::Registry* reg = registry();
  if (!reg) return ERROR_BADDB;
  std::string base, path;
  if (LSTATUS rc = resolve(key, base)) return rc;
  if (!join(base, sub_key, path)) return ERROR_BAD_PATHNAME;
  if (path.find('\\') == std::string::npos) return ERROR_ACCESS_DENIED;  // a hive itself
  if (!reg->key_exists(path)) return ERROR_FILE_NOT_FOUND;
  if (reg->open_denied(path) || reg->write_denied(path)) return ERROR_ACCESS_DENIED;
  return reg->delete_tree(path) ? ERROR_SUCCESS : ERROR_BADDB;
}

}  // namespace oal
