// GDI device contexts, driver escapes and display settings: the Win32
// calls themselves. ChangeDisplaySettingsExA is not here: callers resolve
// it from "user32.dll" at run time.
#include "oal/display.h"

namespace oal {

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const DEVMODEA* init) {
  return ::CreateDCA(driver, device, output, init);
}
BOOL DeleteDC(HDC dc) { return ::DeleteDC(dc); }
int ExtEscape(HDC dc, int code, int in_size, LPCSTR in, int out_size, LPSTR out) {
  return ::ExtEscape(dc, code, in_size, in, out_size, out);
}
HDC GetDC(HWND window) { return ::GetDC(window); }
int ReleaseDC(HWND window, HDC dc) { return ::ReleaseDC(window, dc); }
int GetDeviceCaps(HDC dc, int index) { return ::GetDeviceCaps(dc, index); }

BOOL EnumDisplayDevicesA(LPCSTR device, DWORD index, PDISPLAY_DEVICEA info, DWORD flags) {
  return ::EnumDisplayDevicesA(device, index, info, flags);
}
BOOL EnumDisplaySettingsA(LPCSTR device, DWORD mode_index, LPDEVMODEA mode) {
  return ::EnumDisplaySettingsA(device, mode_index, mode);
}
LONG ChangeDisplaySettingsA(LPDEVMODEA mode, DWORD flags) { return ::ChangeDisplaySettingsA(mode, flags); }

}  // namespace oal
