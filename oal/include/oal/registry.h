// The registry: keys under the predefined hives, typed values, and the
// shell's recursive key deletion. Results are Win32 error codes (LSTATUS),
// as the real calls return them; the last error is not touched.
#pragma once
#include "oal/win_types.h"

namespace oal {
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options,
                        REGSAM access, void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD data_size);
LSTATUS RegSetValueExA(HKEY key, LPCSTR value_name, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD data_size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR value_name);
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                      LPSTR key_class, LPDWORD class_size, PFILETIME last_write);
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR value_name, LPDWORD value_name_size,
                      LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD data_size);
LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR key_class, LPDWORD class_size, LPDWORD reserved,
                         LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                         LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                         LPDWORD security_descriptor_size, PFILETIME last_write);
LSTATUS RegCloseKey(HKEY key);
// shlwapi: deletes a key with all its subkeys and values.
LSTATUS SHDeleteKeyA(HKEY key, LPCSTR sub_key);
}  // namespace oal
