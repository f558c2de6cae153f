// The registry and the shell's recursive key deletion: the Win32 calls
// themselves.
#include <shlwapi.h>

#include "oal/registry.h"

namespace oal {

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options,
                        REGSAM access, void* security, PHKEY result, LPDWORD disposition) {
  return ::RegCreateKeyExA(key, sub_key, reserved, key_class, options, access,
                           static_cast<LPSECURITY_ATTRIBUTES>(security), result, disposition);
}
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access, PHKEY result) {
  return ::RegOpenKeyExA(key, sub_key, options, access, result);
}
LSTATUS RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD data_size) {
  return ::RegQueryValueExA(key, value_name, reserved, type, data, data_size);
}
LSTATUS RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD data_size) {
  return ::RegSetValueExA(key, value_name, reserved, type, data, data_size);
}
LSTATUS RegDeleteValueA(HKEY key, LPCSTR value_name) { return ::RegDeleteValueA(key, value_name); }
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                      LPSTR key_class, LPDWORD class_size, PFILETIME last_write) {
  return ::RegEnumKeyExA(key, index, name, name_size, reserved, key_class, class_size, last_write);
}
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR value_name, LPDWORD value_name_size,
                      LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size) {
  return ::RegEnumValueA(key, index, value_name, value_name_size, reserved, type, data, data_size);
}
LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR key_class, LPDWORD class_size, LPDWORD reserved,
                         LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                         LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                         LPDWORD security_descriptor_size, PFILETIME last_write) {
  return ::RegQueryInfoKeyA(key, key_class, class_size, reserved, sub_keys, max_sub_key_len, max_class_len,
                            values, max_value_name_len, max_value_len, security_descriptor_size,
                            last_write);
}
LSTATUS RegCloseKey(HKEY key) { return ::RegCloseKey(key); }
LSTATUS SHDeleteKeyA(HKEY key, LPCSTR sub_key) { return ::SHDeleteKeyA(key, sub_key); }

}  // namespace oal
