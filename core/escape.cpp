#include "escape.h"

#include <cstring>
#include <utility>

#include "msglog.h"
#include "oal/oal.h"
#include "session.h"

namespace {

constexpr DWORD kModeFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
constexpr DWORD kApplyFlags = CDS_NORESET | CDS_GLOBAL | CDS_UPDATEREGISTRY;
constexpr DWORD kForceFlags = CDS_RESET | CDS_GLOBAL | CDS_UPDATEREGISTRY;

void no_luma_message() {
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Can't find LUMA installed on this system");
}

bool enum_device(DWORD index, DISPLAY_DEVICEA& dev) {
  std::memset(&dev, 0, sizeof dev);
  dev.cb = 424;
  return oal::EnumDisplayDevicesA(nullptr, index, &dev, 0) != 0;
}

bool is_lumagraph(const DISPLAY_DEVICEA& dev) {
  // DeviceString is not trusted to be terminated.
  char text[sizeof dev.DeviceString + 1];
  std::memcpy(text, dev.DeviceString, sizeof dev.DeviceString);
  text[sizeof dev.DeviceString] = 0;
  return strprefix(text, "Varnel Corporation") == 0 && std::strstr(text, "Lumagraph") != nullptr;
}

struct Screen {
  DWORD index;
  DISPLAY_DEVICEA dev;
};

// The Lumagraph screens, in device-index order; built afresh each time.
uint32_t find_screens(Screen* out) {
  uint32_t n = 0;
  for (DWORD i = 0; i < kMaxScreens; ++i) {
    DISPLAY_DEVICEA dev;
    if (!enum_device(i, dev)) continue;
    if (!is_lumagraph(dev)) continue;
    dev.DeviceName[sizeof dev.DeviceName - 1] = 0;
    out[n].index = i;
    out[n].dev = dev;
    ++n;
  }
  return n;
}

void invalid_screen_message() {
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid screen number");
}

// The Lumagraph screen with a given number; false (with the message) when
// there is no such screen.
bool pick_screen(uint32_t screen, Screen& out) {
  Screen screens[kMaxScreens];
  uint32_t n = find_screens(screens);
  if (screen >= n) {
    invalid_screen_message();
    return false;
  }
  out = screens[screen];
  return true;
}

LONG change_settings(const char* device, DEVMODEA* mode, DWORD flags) {
  if (session.change_display_settings_ex)
    return session.change_display_settings_ex(device, mode, nullptr, flags, nullptr);
  return oal::ChangeDisplaySettingsA(mode, flags);
}

test_change_display_settings_fn simulated_change() {
  return oal::proc_address<test_change_display_settings_fn>(session.simulation_library,
                                                            "test_change_display_settings");
}

// Stores a mode without resetting, then commits every stored change.
bool apply_and_commit(const char* device, DEVMODEA* mode, DWORD flags) {
  if (session.simulation) {
    auto change = simulated_change();
    return change && change(mode, CDS_NORESET) != 0;
  }
  LONG stored = change_settings(device, mode, flags);
  print_last_error();
  LONG committed = change_settings(device, nullptr, 0);
  print_last_error();
  // A mode Windows refused leaves the screen as it was: not a success.
  return stored == DISP_CHANGE_SUCCESSFUL && committed == DISP_CHANGE_SUCCESSFUL;
}

}  // namespace

void report_escape_failure(int32_t code) {
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR while sending %s escape key", escape_name(code));
}

int send_escape(const void* in, void* out, int32_t code, int32_t in_size, int32_t out_size) {
  if (session.simulation) {
    auto escape = oal::proc_address<test_escape_fn>(session.simulation_library, "test_escape");
    if (escape && escape(0, code, in_size, in, out_size, out) > 0) return 0;
    print_last_error();
    return 1;
  }
  Screen screens[kMaxScreens];
  uint32_t n = find_screens(screens);
  if (n == 0) {
    no_luma_message();
    return 1;
  }
  for (uint32_t i = 0; i < n; ++i) {
    const char* name = screens[i].dev.DeviceName;
    HDC dc = oal::CreateDCA(name, name, nullptr, nullptr);
    if (!dc) {
      print_last_error();
      continue;
    }
    int result = oal::ExtEscape(dc, code, in_size, static_cast<LPCSTR>(in), out_size, static_cast<LPSTR>(out));
    oal::DeleteDC(dc);
    if (result > 0) return 0;
  }
  return 1;
}

opal_exit_t send_escape_checked(const void* in, void* out, int32_t code, int32_t in_size,
                                int32_t out_size) {
  if (send_escape(in, out, code, in_size, out_size) == 0) return EXIT_OK;
  report_escape_failure(code);
  return EXIT_OS_CALL_ERROR;
}

int check_driver_signature(const char* device_name) {
  HDC dc = oal::CreateDCA(device_name, device_name, nullptr, nullptr);
  if (!dc) {
    print_last_error();
    return 1;
  }
  // Zeroed so that a driver that writes nothing is not taken for ours.
  unsigned char info[kDriverInfoSize] = {};
  int result = oal::ExtEscape(dc, VARNEL_ESCAPE_GET_DRIVER_INFO, 0, nullptr, kDriverInfoSize,
                              reinterpret_cast<LPSTR>(info));
  oal::DeleteDC(dc);
  if (result < 0) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR while sending VARNEL_ESCAPE_GET_DRIVER_INFO");
    return 1;
  }
  uint32_t signature;
  std::memcpy(&signature, info + kDriverSignatureOffset, sizeof signature);
  if (signature == kDriverSignature) return 0;
  no_luma_message();
  return 1;
}

bool read_primary_settings(uint32_t* depth, uint32_t* rotation, uint32_t* width, uint32_t* height,
                           uint32_t* refresh) {
  for (DWORD i = 0; i < kMaxScreens; ++i) {
    DISPLAY_DEVICEA dev;
    if (!enum_device(i, dev)) continue;
    dev.DeviceName[sizeof dev.DeviceName - 1] = 0;
    if (check_driver_signature(dev.DeviceName) != 0) continue;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!oal::EnumDisplaySettingsA(dev.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) return false;
    if (width) *width = mode.dmPelsWidth;
    if (height) *height = mode.dmPelsHeight;
    if (refresh) *refresh = mode.dmDisplayFrequency;
    if (depth) *depth = mode.dmBitsPerPel;
    if (rotation) {
      static const uint32_t kDegrees[] = {0, 90, 180, 270};
      *rotation = mode.dmDisplayOrientation < 4 ? kDegrees[mode.dmDisplayOrientation] : 0;
    }
    return true;
  }
  invalid_screen_message();
  return false;
}

bool apply_screen_mode(uint32_t screen, uint16_t width, uint16_t height, uint16_t refresh,
                       uint32_t depth, uint32_t rotation_delta, bool flip_changed) {
  Screen screens[kMaxScreens];
  uint32_t n = find_screens(screens);
  uint32_t first = 0, last = n;
  if (screen != kAllScreens) {
    if (screen >= n) {
      invalid_screen_message();
      return false;
    }
    first = screen;
    last = screen + 1;
  }
  for (uint32_t s = first; s < last; ++s) {
    DISPLAY_DEVICEA dev;
    if (!enum_device(screens[s].index, dev)) return false;
    dev.DeviceName[sizeof dev.DeviceName - 1] = 0;
    const char* name = dev.DeviceName;

    DWORD max_depth = 0;
    DEVMODEA walk{};
    walk.dmSize = sizeof walk;
    for (DWORD m = 0;; ++m) {
      walk.dmSize = sizeof walk;
      walk.dmDriverExtra = 0;
      if (!oal::EnumDisplaySettingsA(name, m, &walk)) break;
      if (walk.dmBitsPerPel > max_depth) max_depth = walk.dmBitsPerPel;
    }

    DEVMODEA current{};
    current.dmSize = sizeof current;
    oal::EnumDisplaySettingsA(name, ENUM_CURRENT_SETTINGS, &current);
    uint32_t w = width, h = height, f = refresh;
    if (w == 0 && h == 0 && f == 0) {
      w = current.dmPelsWidth;
      h = current.dmPelsHeight;
      if (rotation_delta == 90 || rotation_delta == 270) std::swap(w, h);
      f = current.dmDisplayFrequency;
    }
    uint32_t bpp = depth;
    if (bpp == 0)
      bpp = current.dmBitsPerPel;
    else if (bpp != 8 && bpp != 16 && bpp != 32)
      bpp = 32;

    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = w;
    mode.dmPelsHeight = h;
    mode.dmDisplayFrequency = f;
    mode.dmBitsPerPel = bpp;
    mode.dmFields = kModeFields;
    if (vol_above(1)) {
      writeMsg(MSG_PLAIN, "New width = %d", static_cast<int>(w));
      writeMsg(MSG_PLAIN, "New height = %d", static_cast<int>(h));
      writeMsg(MSG_PLAIN, "New Freq = %d", static_cast<int>(f));
      writeMsg(MSG_PLAIN, "New bpp = %d", static_cast<int>(bpp));
    }

    if (rotation_delta == 180 || flip_changed) {
      // The driver only re-programs the pipe on a real mode change, so pass
      // through another depth first.
      DEVMODEA now{};
      now.dmSize = sizeof now;
      oal::EnumDisplaySettingsA(name, ENUM_CURRENT_SETTINGS, &now);
      if (now.dmBitsPerPel == 16)
        mode.dmBitsPerPel = max_depth;
      else if (now.dmBitsPerPel == max_depth || depth == 0)
        mode.dmBitsPerPel = 16;
      if (session.simulation) {
        auto change = simulated_change();
        if (!change || change(&mode, CDS_RESET) == 0) return false;
      } else {
        change_settings(name, &mode, kForceFlags);
      }
      mode.dmBitsPerPel = bpp;
    }
    if (!apply_and_commit(name, &mode, kApplyFlags)) return false;
  }
  return true;
}

bool attach_screen_right(uint32_t width, uint32_t height, uint32_t refresh, uint32_t depth,
                         uint32_t screen) {
  HDC desktop = oal::GetDC(nullptr);
  int primary_width = desktop ? oal::GetDeviceCaps(desktop, HORZRES) : 0;
  if (desktop) oal::ReleaseDC(nullptr, desktop);

  Screen picked;
  if (!pick_screen(screen, picked)) return false;
  const DISPLAY_DEVICEA& dev = picked.dev;
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  bool ok = oal::EnumDisplaySettingsA(dev.DeviceName, ENUM_REGISTRY_SETTINGS, &mode) != 0;
  if (dev.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) return ok;
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmDisplayFrequency = refresh;
  mode.dmBitsPerPel = depth;
  mode.dmPosition.x += primary_width;
  mode.dmFields = DM_POSITION | kModeFields;
  return apply_and_commit(dev.DeviceName, &mode, kApplyFlags) && ok;
}

bool detach_screen(uint32_t screen) {
  Screen picked;
  if (!pick_screen(screen, picked)) return false;
  const DISPLAY_DEVICEA& dev = picked.dev;
  DEVMODEA stored{};
  stored.dmSize = sizeof stored;
  if (!oal::EnumDisplaySettingsA(dev.DeviceName, ENUM_REGISTRY_SETTINGS, &stored))
    oal::OutputDebugStringA("Store default failed\n");
  if (!(dev.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) ||
      (dev.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE))
    return true;
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_POSITION | kModeFields | DM_DISPLAYFLAGS;
  return apply_and_commit(dev.DeviceName, &mode, CDS_NORESET | CDS_UPDATEREGISTRY);
}

void list_screens(ScreenEntry* table, uint32_t* count) {
  Screen screens[kMaxScreens];
  uint32_t n = find_screens(screens);
  for (uint32_t i = 0; i < n; ++i) {
    table[i].absolute = screens[i].index;
    table[i].relative = i;
    table[i].primary = (screens[i].dev.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
  }
  *count = n;
}
