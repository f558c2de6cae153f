#include "registry_store.h"

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "core/msglog.h"
#include "oal/oal.h"

const char kDisplayClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
const char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\lumamini";

namespace {

const char kDeviceMapKey[] = "HARDWARE\\DEVICEMAP\\VIDEO";
const char kVideo0[] = "\\Device\\Video0";
const char kConfigId[] = "ConfigId";
constexpr int kInstances = 4;  // display-class instances 0000 to 0003

// An open key, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (h) oal::RegCloseKey(h);
  }
  HKEY h = nullptr;
};

opal_exit_t registry_failure(LSTATUS rc) {
  print_error_text(static_cast<uint32_t>(rc));
  return EXIT_REGISTRY_ERROR;
}

opal_exit_t invalid(const char* format, const char* what) {
  if (vol_above(0)) writeMsg(MSG_ERROR, format, what ? what : "(null)");
  return EXIT_INVALID_PARAM_ERROR;
}

LSTATUS open_read(HKEY parent, const char* path, HKEY* key) {
  return oal::RegOpenKeyExA(parent, path, 0, KEY_READ, key);
}

bool is_text_type(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// A text value of at most `size` - 1 characters into `text`, terminated
// whether or not the stored data is. Longer texts, and values that are not
// texts, are refused.
LSTATUS read_text(HKEY key, const char* name, char* text, size_t size) {
  std::vector<char> data(size + 1, '\0');
  DWORD n = static_cast<DWORD>(size), type = 0;
  LSTATUS rc = oal::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &n);
  if (rc != ERROR_SUCCESS) return rc;
  if (!is_text_type(type)) return ERROR_INVALID_DATA;
  size_t len = strnlen(data.data(), n);
  if (len >= size) return ERROR_MORE_DATA;
  std::memcpy(text, data.data(), len);
  text[len] = '\0';
  return ERROR_SUCCESS;
}

// A 32-bit number stored as a 4-byte REG_DWORD; anything else is refused.
LSTATUS read_dword(HKEY key, const char* name, uint32_t* value) {
  BYTE data[8] = {};
  DWORD n = sizeof data, type = 0;
  LSTATUS rc = oal::RegQueryValueExA(key, name, nullptr, &type, data, &n);
  if (rc == ERROR_MORE_DATA) return ERROR_INVALID_DATA;
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_DWORD || n != 4) return ERROR_INVALID_DATA;
  std::memcpy(value, data, 4);
  return ERROR_SUCCESS;
}

// The video key's path below HKEY_LOCAL_MACHINE: the kernel path from its
// first "System" on (letter case ignored, as the registry ignores it).
opal_exit_t video_key_subpath(std::string& subpath) {
  char kernel[kRegTextSize];
  if (opal_exit_t rc = get_video_key_path(kernel, sizeof kernel)) return rc;
  for (const char* p = kernel; *p; ++p) {
    if (strprefix(p, "System") == 0) {
      subpath = p;
      return EXIT_OK;
    }
  }
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The video key path %s names no key under System", kernel);
  return EXIT_REGISTRY_ERROR;
}

}  // namespace

opal_exit_t open_video_key(REGSAM access, HKEY* key, std::string* subpath) {
  std::string path;
  if (opal_exit_t rc = video_key_subpath(path)) return rc;
  LSTATUS rc = oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key);
  if (rc != ERROR_SUCCESS) return registry_failure(rc);
  if (subpath) *subpath = path;
  return EXIT_OK;
}

namespace {

// The name of the video key's first subkey, the parent of the configurations.
LSTATUS first_subkey(HKEY key, std::string& name) {
  char text[kRegTextSize];
  DWORD n = sizeof text;
  LSTATUS rc = oal::RegEnumKeyExA(key, 0, text, &n, nullptr, nullptr, nullptr, nullptr);
  if (rc == ERROR_SUCCESS) name.assign(text, strnlen(text, sizeof text - 1));
  return rc;
}

// The default configuration: "ConfigId"; without it the number that names
// the first configuration; without that, 1.
opal_exit_t default_config_id(HKEY video, const std::string& level, uint32_t* id) {
  LSTATUS rc = read_dword(video, kConfigId, id);
  if (rc == ERROR_SUCCESS) return EXIT_OK;
  if (rc != ERROR_FILE_NOT_FOUND) return registry_failure(rc);
  *id = 1;
  Key level_key;
  rc = open_read(video, level.c_str(), &level_key.h);
  if (rc == ERROR_FILE_NOT_FOUND) return EXIT_OK;
  if (rc != ERROR_SUCCESS) return registry_failure(rc);
  std::string first;
  rc = first_subkey(level_key.h, first);
  if (rc == ERROR_NO_MORE_ITEMS) return EXIT_OK;
  if (rc != ERROR_SUCCESS) return registry_failure(rc);
  uint32_t number = 0;
  if (parse_unsigned(first.c_str(), number)) *id = number;
  return EXIT_OK;
}

// Calls `found` with each display-class instance of the Lumagraph driver
// (0000 to 0003) until it returns false. Instances need not be numbered
// without gaps: a missing one is passed over; any other failure writes its
// text and gives 8.
opal_exit_t walk_driver_instances(const std::function<bool(const char* name, HKEY instance)>& found) {
  Key cls;
  LSTATUS rc = open_read(HKEY_LOCAL_MACHINE, kDisplayClassKey, &cls.h);
  if (rc != ERROR_SUCCESS) return registry_failure(rc);
  for (int i = 0; i < kInstances; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "000%d", i);
    Key instance;
    rc = open_read(cls.h, name, &instance.h);
    if (rc == ERROR_FILE_NOT_FOUND) continue;
    if (rc != ERROR_SUCCESS) return registry_failure(rc);
    char desc[kRegTextSize];
    if (read_text(instance.h, "DriverDesc", desc, sizeof desc) != ERROR_SUCCESS || !is_lumagraph_instance(desc))
      continue;
    if (!found(name, instance.h)) break;
  }
  return EXIT_OK;
}

// "Name" and "PortOrder", in any letter case, are texts.
bool is_text_param(const char* param) {
  for (const char* name : {"Name", "PortOrder"})
    if (std::strlen(param) == std::strlen(name) && strprefix(param, name) == 0) return true;
  return false;
}

}  // namespace

bool is_lumagraph_instance(const char* driver_desc) {
  return driver_desc && strprefix(driver_desc, "Varnel Corporation") == 0 && std::strstr(driver_desc, "Lumagraph");
}

opal_exit_t get_video_key_path(char* path, size_t size) {
  Key map;
  LSTATUS rc = open_read(HKEY_LOCAL_MACHINE, kDeviceMapKey, &map.h);
  if (rc == ERROR_SUCCESS) rc = read_text(map.h, kVideo0, path, size);
  return rc == ERROR_SUCCESS ? EXIT_OK : registry_failure(rc);
}

opal_exit_t find_inf_path(char* inf, size_t size) {
  LSTATUS rc = ERROR_FILE_NOT_FOUND;
  opal_exit_t walked = walk_driver_instances([&](const char*, HKEY instance) {
    rc = read_text(instance, "InfPath", inf, size);
    return false;  // the first instance of the driver names the file
  });
  if (rc == ERROR_SUCCESS) return EXIT_OK;
  if (walked != EXIT_OK || rc == ERROR_FILE_NOT_FOUND) return EXIT_REGISTRY_ERROR;
  return registry_failure(rc);
}

void format_reg_data(DWORD type, const BYTE* data, DWORD size, char* text, size_t text_size) {
  if (!text || !text_size) return;
  text[0] = '\0';
  if (!data) size = 0;
  size_t used = 0;
  auto put = [&](const char* piece, size_t n) {
    if (used + n >= text_size) return false;
    if (n == 0) return true;  // empty data may come without a buffer
    std::memcpy(text + used, piece, n);
    used += n;
    text[used] = '\0';
    return true;
  };
  auto put_byte = [&](BYTE b) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    return put(hex, 2);
  };
  const char* chars = reinterpret_cast<const char*>(data);
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      size_t n = strnlen(chars ? chars : "", size);
      put(chars, std::min(n, text_size - 1));
      break;
    }
    case REG_BINARY:
      for (DWORD i = 0; i < size && put_byte(data[i]); ++i) {}
      break;
    case REG_DWORD:
      for (DWORD i = size; i > 0 && put_byte(data[i - 1]); --i) {}
      break;
    case REG_MULTI_SZ: {
      size_t at = 0;
      bool first = true;
      while (at < size && chars[at]) {
        size_t n = strnlen(chars + at, size - at);
        if ((!first && !put(",", 1)) || !put(chars + at, n)) break;
        first = false;
        at += n + 1;
      }
      break;
    }
    default:
      break;
  }
}

bool dump_registry_key(const char* title, HKEY key) {
  DWORD subkeys = 0, values = 0, longest_subkey = 0, longest_name = 0, longest_data = 0;
  if (oal::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr, &values,
                            &longest_name, &longest_data, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  bool show = vol_above(0);
  if (values && show) {
    writeMsg(MSG_PLAIN, "\n%s\n", title);
    writeMsg(MSG_PLAIN, "%-27s %s", "VALUE NAME", "DATA");
  }
  // Buffers as large as the key's largest name and value, so that nothing
  // is cut or refused for its length.
  std::vector<char> name(longest_name + 1 > kRegTextSize ? longest_name + 1 : kRegTextSize);
  std::vector<BYTE> data(longest_data > kRegTextSize ? longest_data : kRegTextSize);
  char text[kRegDataTextSize];
  for (DWORD i = 0; i < values; ++i) {
    DWORD name_size = static_cast<DWORD>(name.size()), data_size = static_cast<DWORD>(data.size()), type = 0;
    LSTATUS rc = oal::RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) {
      print_error_text(static_cast<uint32_t>(rc));
      break;
    }
    name[std::min<size_t>(name_size, name.size() - 1)] = '\0';
    format_reg_data(type, data.data(), std::min<DWORD>(data_size, static_cast<DWORD>(data.size())), text,
                    sizeof text);
    if (show) writeMsg(MSG_PLAIN, "%-27s %s", name.data(), text);
  }
  std::vector<char> sub(longest_subkey + 1 > kRegTextSize ? longest_subkey + 1 : kRegTextSize);
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD n = static_cast<DWORD>(sub.size());
    LSTATUS rc = oal::RegEnumKeyExA(key, i, sub.data(), &n, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    Key child;
    if (rc == ERROR_SUCCESS) rc = open_read(key, sub.data(), &child.h);
    if (rc != ERROR_SUCCESS) {
      print_error_text(static_cast<uint32_t>(rc));
      continue;
    }
    std::string child_title = std::string(title) + "\\" + sub.data();
    dump_registry_key(child_title.c_str(), child.h);
  }
  return true;
}

opal_exit_t dump_display_instances() {
  return walk_driver_instances([](const char* name, HKEY instance) {
    std::string title = std::string("HKLM\\") + kDisplayClassKey + "\\" + name;
    dump_registry_key(title.c_str(), instance);
    return true;
  });
}

opal_exit_t reg_param_access(RegAccess mode, uint32_t config_id, uint32_t port, const char* subkey,
                             const char* param, char* value, uint32_t* type) {
  if (!param || !*param) return invalid("ERROR: Invalid parameter name: %s", param);
  if (!value) return invalid("ERROR: Input value is NULL. Caller must specify a NON NULL %s", "value");
  if (port && !subkey) return invalid("ERROR: Input port subkey is NULL. Caller must specify a NON NULL %s", "subkey");
  bool text_param = is_text_param(param);
  uint32_t number = 0;
  if (mode == RegAccess::Set) {
    // What is stored must read back: texts that fit the value buffer, and
    // numbers that are whole 32-bit numbers (never a silent 0).
    if (text_param && std::strlen(value) >= kRegTextSize) return invalid("ERROR: Value too long: %.64s...", value);
    if (!text_param && !parse_dword(value, number)) return invalid("ERROR: Invalid DWORD value: %s", value);
  } else if (!type) {
    return invalid("ERROR: Input type is NULL. Caller must specify a NON NULL %s", "type");
  }

  Key video;
  REGSAM access = mode == RegAccess::Set ? KEY_READ | KEY_CREATE_SUB_KEY : KEY_READ;
  if (opal_exit_t rc = open_video_key(access, &video.h)) return rc;
  std::string level;
  if (LSTATUS rc = first_subkey(video.h, level)) return registry_failure(rc);
  if (config_id == 0)
    if (opal_exit_t rc = default_config_id(video.h, level, &config_id)) return rc;
  char relative[32];
  if (port)
    std::snprintf(relative, sizeof relative, "%u\\Port\\%u", config_id, port);
  else
    std::snprintf(relative, sizeof relative, "%u\\General", config_id);
  std::string path = level + "\\" + relative;
  if (port && *subkey) path += std::string("\\") + subkey;

  Key key;
  if (mode == RegAccess::Set) {
    LSTATUS rc = oal::RegCreateKeyExA(video.h, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key.h, nullptr);
    if (rc == ERROR_SUCCESS) {
      if (text_param)
        rc = oal::RegSetValueExA(key.h, param, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                 static_cast<DWORD>(std::strlen(value) + 1));
      else
        rc = oal::RegSetValueExA(key.h, param, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    }
    return rc == ERROR_SUCCESS ? EXIT_OK : registry_failure(rc);
  }

  LSTATUS rc = oal::RegOpenKeyExA(video.h, path.c_str(), 0, KEY_QUERY_VALUE, &key.h);
  if (rc != ERROR_SUCCESS) return registry_failure(rc);
  BYTE data[kRegTextSize + 1] = {};
  DWORD size = kRegTextSize, stored_type = REG_NONE;
  rc = oal::RegQueryValueExA(key.h, param, nullptr, &stored_type, data, &size);
  if (rc != ERROR_SUCCESS) return registry_failure(rc);
  if (stored_type == REG_DWORD) {
    // Only a whole 4-byte number reads as one.
    if (size != 4) return registry_failure(ERROR_INVALID_DATA);
    std::memcpy(&number, data, 4);
    std::snprintf(value, kRegTextSize, "%d", static_cast<int32_t>(number));
  } else if (is_text_type(stored_type)) {
    size_t len = strnlen(reinterpret_cast<const char*>(data), size);
    if (len >= kRegTextSize) return registry_failure(ERROR_MORE_DATA);
    std::memcpy(value, data, len);
    value[len] = '\0';
  } else {
    format_reg_data(stored_type, data, size, value, kRegTextSize);
  }
  *type = stored_type;
  return EXIT_OK;
}

opal_exit_t config_id_access(RegAccess mode, uint32_t* id) {
  if (!id) return invalid("ERROR: Input config id is NULL. Caller must specify a NON NULL %s", "config id");
  if (mode == RegAccess::Get) *id = 0;
  Key video;
  if (opal_exit_t rc = open_video_key(mode == RegAccess::Get ? KEY_READ : KEY_READ | KEY_SET_VALUE, &video.h))
    return rc;
  LSTATUS rc = mode == RegAccess::Get
                   ? read_dword(video.h, kConfigId, id)
                   : oal::RegSetValueExA(video.h, kConfigId, 0, REG_DWORD, reinterpret_cast<const BYTE*>(id), 4);
  return rc == ERROR_SUCCESS ? EXIT_OK : registry_failure(rc);
}

opal_exit_t delete_reg_entry(const char* key_path, const char* value_name) {
  // Without a value name, an empty path names the video key itself:
  // deleting it would take every configuration with it. A value of the
  // video key itself ("ConfigId") may go.
  bool whole_key = !value_name || !*value_name;
  const char* p = key_path ? key_path : "";
  while (*p == '\\') ++p;
  if (!key_path || (whole_key && !*p))
    return invalid("ERROR: Input key path is empty (%s). Caller must name a key below the video key", key_path);
  Key video;
  if (opal_exit_t rc = open_video_key(KEY_READ | KEY_SET_VALUE, &video.h)) return rc;
  LSTATUS rc;
  if (!whole_key) {
    Key key;
    rc = oal::RegOpenKeyExA(video.h, key_path, 0, KEY_SET_VALUE, &key.h);
    if (rc == ERROR_SUCCESS) rc = oal::RegDeleteValueA(key.h, value_name);
  } else {
    rc = oal::SHDeleteKeyA(video.h, key_path);
  }
  return rc == ERROR_SUCCESS ? EXIT_OK : registry_failure(rc);
}

// ---- Exports ---------------------------------------------------------------

extern "C" {

opal_exit_t opal_get_reg_value(uint32_t config_id, uint32_t port, const char* subkey, const char* param,
                               char* value, uint32_t* type) {
  return reg_param_access(RegAccess::Get, config_id, port, subkey, param, value, type);
}

opal_exit_t opal_set_reg_value(uint32_t config_id, uint32_t port, const char* subkey, const char* param,
                               const char* new_value) {
  return reg_param_access(RegAccess::Set, config_id, port, subkey, param, const_cast<char*>(new_value), nullptr);
}

opal_exit_t opal_del_reg(const char* key_path, const char* value_name) {
  return delete_reg_entry(key_path, value_name);
}

opal_exit_t opal_get_config_id(uint32_t* id) { return config_id_access(RegAccess::Get, id); }

opal_exit_t opal_set_config_id(uint32_t id) { return config_id_access(RegAccess::Set, &id); }

}  // extern "C"
