// GDI device contexts with driver escapes, and Windows display settings.
#pragma once
#include "oal/win_types.h"

namespace oal {
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* init);
BOOL DeleteDC(HDC dc);
int ExtEscape(HDC dc, int code, int in_size, LPCSTR in, int out_size, LPSTR out);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int GetDeviceCaps(HDC dc, int index);

BOOL EnumDisplayDevicesA(LPCSTR device, DWORD index, PDISPLAY_DEVICEA info, DWORD flags);
BOOL EnumDisplaySettingsA(LPCSTR device, DWORD mode_index, LPDEVMODEA mode);
LONG ChangeDisplaySettingsA(LPDEVMODEA mode, DWORD flags);
// Callers resolve this one at run time from "user32.dll"
// (LoadLibraryA + GetProcAddress), as on the oldest systems it is missing.
// On 32-bit Windows the entry uses the system's calling convention.
#if defined(_WIN32)
typedef LONG(WINAPI* ChangeDisplaySettingsExA_t)(LPCSTR device, LPDEVMODEA mode, HWND window, DWORD flags,
                                                 LPVOID param);
#else
typedef LONG (*ChangeDisplaySettingsExA_t)(LPCSTR device, LPDEVMODEA mode, HWND window,
                                           DWORD flags, LPVOID param);
#endif
}  // namespace oal
