// Dsetup.dll, the DirectX setup library the toolkit carries: its one entry
// reads the installed DirectX version from the registry. It stands alone
// (Win32 only), as it is written out and loaded by path at run time.
#include <windows.h>

#include "dsetup/directx_version.h"

extern "C" INT WINAPI DirectXSetupGetVersion(DWORD* version, DWORD* revision) {
  if (version) *version = 0;
  if (revision) *revision = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\DirectX", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return FALSE;
  char text[64];
  DWORD size = sizeof text, type = 0;
  LONG rc = RegQueryValueExA(key, "Version", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || type != REG_SZ || size > sizeof text) return FALSE;
  uint32_t v = 0, r = 0;
  if (!dsetup::version_from_text(text, size, &v, &r)) return FALSE;
  if (version) *version = v;
  if (revision) *revision = r;
  return TRUE;
}
