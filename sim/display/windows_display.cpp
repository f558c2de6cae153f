// The simulated Windows display and the Lumagraph driver behind it.
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>

#include "display_sim.h"
#include "handles.h"
#include "lumagraph_driver.h"
#include "modules.h"
#include "oal/display.h"

namespace sim {
namespace {

struct ScreenConfig {
  std::string name, string;
  bool lumagraph = true;
  int head = 0;
  bool primary = false, attached = false, only_extended = false;
  uint32_t width = 1024, height = 768, depth = 32, refresh = 60;
};

struct Settings {
  uint32_t width = 0, height = 0, depth = 0, refresh = 0;
  int32_t x = 0, y = 0;
};

std::string to_text(const Settings& s) {
  std::ostringstream o;
  o << s.width << ' ' << s.height << ' ' << s.depth << ' ' << s.refresh << ' ' << s.x << ' ' << s.y;
  return o.str();
}

bool from_text(const std::string& text, Settings& s) {
  std::istringstream i(text);
  return static_cast<bool>(i >> s.width >> s.height >> s.depth >> s.refresh >> s.x >> s.y);
}

bool read_screens(const Profile& p, std::vector<ScreenConfig>& out, std::string& error) {
  out.clear();
  auto sections = p.sections_named("screen");
  if (sections.empty()) {
    ScreenConfig first;
    first.name = "\\\\.\\DISPLAY1";
    first.string = "Varnel Corporation Lumagraph Graphics Controller";
    first.primary = first.attached = true;
    ScreenConfig second = first;
    second.name = "\\\\.\\DISPLAY2";
    second.head = 1;
    second.primary = second.attached = false;
    second.only_extended = true;
    out = {first, second};
    return true;
  }
  static const char* const kKeys[] = {"name", "string", "driver", "head", "primary", "attached",
                                      "shown", "width", "height", "depth", "refresh"};
  for (const auto& sec : sections) {
    const auto* keys = p.section(sec);
    for (const auto& [k, v] : *keys) {
      bool known = false;
      for (const char* kk : kKeys) known = known || k == kk;
      if (!known) {
        error = "[" + sec + "] has no key '" + k + "'";
        return false;
      }
    }
    ScreenConfig s;
    s.name = p.get(sec, "name", "\\\\.\\DISPLAY" + std::to_string(out.size() + 1));
    s.string = p.get(sec, "string", "Varnel Corporation Lumagraph Graphics Controller");
    std::string driver = p.get(sec, "driver", "lumagraph");
    if (driver != "lumagraph" && driver != "foreign") {
      error = "[" + sec + "] driver must be lumagraph or foreign";
      return false;
    }
    s.lumagraph = driver == "lumagraph";
    s.head = static_cast<int>(p.number(sec, "head", 0));
    if (s.head != 0 && s.head != 1) {
      error = "[" + sec + "] head must be 0 or 1";
      return false;
    }
    s.primary = p.flag(sec, "primary", false);
    s.attached = p.flag(sec, "attached", s.primary);
    std::string shown = p.get(sec, "shown", "always");
    if (shown != "always" && shown != "extended") {
      error = "[" + sec + "] shown must be always or extended";
      return false;
    }
    s.only_extended = shown == "extended";
    s.width = static_cast<uint32_t>(p.number(sec, "width", 1024));
    s.height = static_cast<uint32_t>(p.number(sec, "height", 768));
    s.depth = static_cast<uint32_t>(p.number(sec, "depth", 32));
    s.refresh = static_cast<uint32_t>(p.number(sec, "refresh", 60));
    out.push_back(s);
  }
  if (out.size() > 8) {
    error = "at most 8 [screen N] sections";
    return false;
  }
  return true;
}

bool read_driver_config(const Profile& p, lumagraph::DriverConfig& config, std::string& error) {
  std::map<std::string, std::string> keys;
  if (const auto* sec = p.section("lumagraph")) keys = *sec;
  return lumagraph::parse_config(keys, p.get("faults", "driver_reply"), config, error);
}

const bool kRegistered = [] {
  register_profile_check("display", [](const Profile& p, std::string& error) {
    std::vector<ScreenConfig> screens;
    lumagraph::DriverConfig config;
    return read_screens(p, screens, error) && read_driver_config(p, config, error);
  });
  return true;
}();

class Display;

class StateAdapter : public lumagraph::DriverState {
 public:
  explicit StateAdapter(StateFile& file) : file_(file) {}
  std::string get(const std::string& key, const std::string& fallback) const override {
    return file_.get_or("drv." + key, fallback);
  }
  void set(const std::string& key, const std::string& value) override { file_.set("drv." + key, value); }

 private:
  StateFile& file_;
};

class HeadAdapter : public lumagraph::HeadInfo {
 public:
  explicit HeadAdapter(Display& d) : display_(d) {}
  bool head_mode(int head, lumagraph::HeadMode& mode) const override;

 private:
  Display& display_;
};

class Display : public Part {
 public:
  explicit Display(Machine& m)
      : machine_(m), file_(m.state("display")), state_(file_), heads_(*this),
        driver_(config(m), state_, &heads_) {
    std::string error;
    read_screens(m.profile(), screens_, error);
  }

  static lumagraph::DriverConfig config(Machine& m) {
    lumagraph::DriverConfig c;
    std::string error;
    if (!read_driver_config(m.profile(), c, error)) c = lumagraph::default_config();
    return c;
  }

  lumagraph::Driver& driver() { return driver_; }
  Machine& machine() { return machine_; }
  std::vector<std::string> changes;

  bool extended() const { return (driver_.current_dc() & 0xF) == 8; }

  // Index of a screen that enumeration shows, or -1.
  bool shown(size_t i) const {
    if (i >= screens_.size() || machine_.has_fault("no_screens")) return false;
    return !screens_[i].only_extended || extended();
  }
  int find(const char* name) const {
    if (!name) return -1;
    for (size_t i = 0; i < screens_.size(); ++i)
      if (shown(i) && strcasecmp(screens_[i].name.c_str(), name) == 0) return static_cast<int>(i);
    return -1;
  }
  int primary() const {
    for (size_t i = 0; i < screens_.size(); ++i)
      if (shown(i) && screens_[i].primary) return static_cast<int>(i);
    return -1;
  }
  const ScreenConfig& screen(size_t i) const { return screens_[i]; }

  bool attached(size_t i) const {
    return file_.number_or("screen." + std::to_string(i) + ".attached", screens_[i].attached) != 0;
  }
  Settings settings(size_t i, bool registry) const {
    Settings s;
    auto key = "screen." + std::to_string(i) + (registry ? ".reg" : ".cur");
    if (auto text = file_.get(key); text && from_text(*text, s)) return s;
    const auto& c = screens_[i];
    if (!c.attached && !registry) return Settings{};
    s.width = c.width;
    s.height = c.height;
    s.depth = c.depth;
    s.refresh = c.refresh;
    if (!c.primary && c.attached) {
      int p = primary();
      s.x = p >= 0 ? static_cast<int32_t>(screens_[p].width) : 0;
    }
    return s;
  }
  void store(size_t i, bool registry, const Settings& s) {
    file_.set("screen." + std::to_string(i) + (registry ? ".reg" : ".cur"), to_text(s));
  }
  // A screen's current mode and whether it is attached, written together.
  void show(size_t i, bool attached, const Settings& s) {
    std::string key = "screen." + std::to_string(i);
    file_.set_many({{key + ".cur", to_text(s)}, {key + ".attached", attached ? "1" : "0"}});
  }

  uint32_t rotation(size_t i) const {
    if (!screens_[i].lumagraph) return 0;
    uint32_t dc = driver_.current_dc();
    uint32_t port = (dc >> (screens_[i].head ? 20 : 4)) & 0xF;
    return port ? driver_.rotation(port) : 0;
  }

  // The modes Windows offers on a screen.
  std::vector<Settings> modes(size_t i) const {
    static const uint32_t kSizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 800}, {1280, 1024}};
    std::vector<Settings> list;
    bool swap = rotation(i) == 90 || rotation(i) == 270;
    const uint32_t depths_l[] = {8, 16, 32}, depths_f[] = {16, 32};
    const uint32_t* depths = screens_[i].lumagraph ? depths_l : depths_f;
    size_t nd = screens_[i].lumagraph ? 3 : 2;
    for (auto& sz : kSizes)
      for (uint32_t hz : {60u, 75u})
        for (size_t d = 0; d < nd; ++d) {
          Settings s;
          s.width = swap ? sz[1] : sz[0];
          s.height = swap ? sz[0] : sz[1];
          s.refresh = hz;
          s.depth = depths[d];
          list.push_back(s);
        }
    return list;
  }
  bool valid(size_t i, const Settings& s) const {
    for (const auto& m : modes(i))
      if (m.width == s.width && m.height == s.height && m.depth == s.depth &&
          (s.refresh == 0 || m.refresh == s.refresh))
        return true;
    return false;
  }

  struct Pending {
    Settings settings;
    bool detach = false;
  };
  std::map<size_t, Pending> pending;

 private:
  Machine& machine_;
  StateFile& file_;
  StateAdapter state_;
  HeadAdapter heads_;
  lumagraph::Driver driver_;
  std::vector<ScreenConfig> screens_;
};

bool HeadAdapter::head_mode(int head, lumagraph::HeadMode& mode) const {
  for (size_t i = 0; i < 8; ++i) {
    if (!display_.shown(i) || !display_.screen(i).lumagraph || display_.screen(i).head != head) continue;
    Settings s = display_.settings(i, false);
    mode.width = s.width;
    mode.height = s.height;
    mode.depth = s.depth;
    mode.refresh = s.refresh;
    return true;
  }
  return false;
}

Display& display() { return Machine::get().part<Display>(); }

}  // namespace

DisplayHardwareState display_hardware_state() {
  DisplayHardwareState out;
  Display& d = display();
  for (size_t i = 0; i < 8; ++i) {
    if (!d.shown(i) || !d.screen(i).lumagraph || !d.attached(i)) continue;
    PipeState& p = out.pipe[d.screen(i).head];
    if (p.active) continue;
    Settings s = d.settings(i, false);
    p = PipeState{true, s.width, s.height, s.depth, s.refresh, d.rotation(i)};
  }
  // The driver's own account of each port: enabled, and on which head.
  for (uint32_t port = 1; port <= 8; ++port) {
    uint8_t in[4], info[556] = {};
    std::memcpy(in, &port, 4);
    if (d.driver().escape(0x20014, sizeof in, in, sizeof info, info) <= 0) continue;
    uint32_t enabled, head;
    std::memcpy(&enabled, info + 20, 4);
    std::memcpy(&head, info + 548, 4);
    out.port[port] = PortState{true, enabled != 0, head == 1 ? 1 : 0};
  }
  return out;
}

namespace {

class DeviceContext : public Object {
 public:
  explicit DeviceContext(int s) : screen(s) {}
  int screen;  // -1: the whole desktop
};

std::string describe(const Settings& s) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%ux%ux%u@%u", s.width, s.height, s.depth, s.refresh);
  return buf;
}

std::string hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

// A mode record over settings: the fields it names replace them.
Settings merge(Settings base, const DEVMODEA& mode) {
  if (mode.dmFields & DM_PELSWIDTH) base.width = mode.dmPelsWidth;
  if (mode.dmFields & DM_PELSHEIGHT) base.height = mode.dmPelsHeight;
  if (mode.dmFields & DM_BITSPERPEL) base.depth = mode.dmBitsPerPel;
  if (mode.dmFields & DM_DISPLAYFREQUENCY) base.refresh = mode.dmDisplayFrequency;
  if (mode.dmFields & DM_POSITION) {
    base.x = mode.dmPosition.x;
    base.y = mode.dmPosition.y;
  }
  return base;
}

// Configuration switches join the change log, so that tests see them in
// order with the display-settings changes they cause.
void log_set_dc(Display& d, int32_t code, int32_t in_size, const void* in, int result) {
  if (code != 0x20017 || !in || in_size < 4) return;
  uint32_t dc;
  std::memcpy(&dc, in, 4);
  d.changes.push_back("set_dc " + hex(dc) + (result > 0 ? "" : " refused"));
}

void apply_now(Display& d, size_t i, const Display::Pending& p) {
  d.show(i, !p.detach, p.detach ? Settings{} : p.settings);
}

LONG change(const char* device, DEVMODEA* mode, DWORD flags) {
  Display& d = display();
  if (!mode) {
    d.changes.push_back("commit");
    for (auto& [i, p] : d.pending) apply_now(d, i, p);
    d.pending.clear();
    return DISP_CHANGE_SUCCESSFUL;
  }
  int i = device ? d.find(device) : d.primary();
  if (i < 0) {
    set_last_error(ERROR_INVALID_PARAMETER);
    return DISP_CHANGE_BADPARAM;
  }
  if (mode->dmSize != sizeof(DEVMODEA)) {
    set_last_error(ERROR_INVALID_PARAMETER);
    return DISP_CHANGE_BADMODE;
  }
  std::string dev = d.screen(i).name;
  Display::Pending p;
  p.settings = merge(d.settings(i, true), *mode);
  p.detach = (mode->dmFields & DM_PELSWIDTH) && mode->dmPelsWidth == 0 && mode->dmPelsHeight == 0;
  if (p.detach) {
    if (d.screen(i).primary) {
      set_last_error(ERROR_INVALID_PARAMETER);
      return DISP_CHANGE_BADPARAM;
    }
    d.changes.push_back(dev + " detach " + hex(flags));
  } else {
    d.changes.push_back(dev + " " + describe(p.settings) + " " + hex(flags));
    if (!d.valid(i, p.settings)) {
      set_last_error(ERROR_INVALID_PARAMETER);
      return DISP_CHANGE_BADMODE;
    }
  }
  if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
  if (flags & CDS_UPDATEREGISTRY) d.store(i, true, p.detach ? Settings{} : p.settings);
  if (flags & CDS_NORESET) {
    d.pending[i] = p;
  } else {
    apply_now(d, i, p);
  }
  set_last_error(ERROR_SUCCESS);
  return DISP_CHANGE_SUCCESSFUL;
}

LONG change_ex(LPCSTR device, LPDEVMODEA mode, HWND, DWORD flags, LPVOID) { return change(device, mode, flags); }

const bool kExport = [] {
  register_system_export("user32.dll", "ChangeDisplaySettingsExA", reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&change_ex)));
  return true;
}();

}  // namespace

std::vector<std::string> display_changes() { return display().changes; }
void clear_display_changes() { display().changes.clear(); }

int lumagraph_sim_escape(int32_t code, int32_t in_size, const void* in, int32_t out_size, void* out) {
  auto& m = Machine::get();
  if (m.fault()) return -1;
  Display& d = display();
  int r = d.driver().escape(code, in_size, in, out_size, out);
  if (r <= 0) set_last_error(ERROR_INVALID_FUNCTION);
  log_set_dc(d, code, in_size, in, r);
  return r;
}

int lumagraph_sim_change_settings(DEVMODEA* mode, uint32_t flags) {
  Display& d = display();
  if (!mode) return 0;
  // The simulated driver drives its first head's screen.
  int target = -1;
  for (size_t i = 0; i < 8; ++i)
    if (d.shown(i) && d.screen(i).lumagraph && d.screen(i).head == 0) {
      target = static_cast<int>(i);
      break;
    }
  if (target < 0) return 0;
  Display::Pending p;
  p.settings = merge(d.settings(target, false), *mode);
  d.changes.push_back("sim " + describe(p.settings) + " " + hex(flags));
  if (!d.valid(target, p.settings)) return 0;
  apply_now(d, target, p);
  d.store(target, true, p.settings);
  return 1;
}

bool lumagraph_sim_ready() {
  auto& m = Machine::get();
  if (m.fault() || m.has_fault("bootup_sequence")) return false;
  std::string error;
  lumagraph::DriverConfig c;
  return read_driver_config(m.profile(), c, error);
}

}  // namespace sim

namespace oal {

HDC CreateDCA(LPCSTR, LPCSTR device, LPCSTR, const DEVMODEA*) {
  auto& d = sim::display();
  int i = d.find(device);
  if (i < 0) {
    sim::set_last_error(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  auto& m = sim::Machine::get();
  if (m.has_fault("create_dc") && m.profile().number("faults", "create_dc", -1) == i) {
    sim::set_last_error(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return sim::make_handle(std::make_unique<sim::DeviceContext>(i));
}

BOOL DeleteDC(HDC dc) {
  if (!sim::lookup<sim::DeviceContext>(dc)) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return sim::close_handle(dc);
}

int ExtEscape(HDC dc, int code, int in_size, LPCSTR in, int out_size, LPSTR out) {
  auto* ctx = sim::lookup<sim::DeviceContext>(dc);
  if (!ctx || ctx->screen < 0) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return -1;
  }
  auto& d = sim::display();
  auto& m = sim::Machine::get();
  const auto& s = d.screen(ctx->screen);
  if (m.has_fault("escape_zero") && (m.fault_value("escape_zero") == "all" ||
                                     m.profile().number("faults", "escape_zero", -1) == ctx->screen))
    return 0;
  if (in_size < 0 || out_size < 0) return -1;
  if (!s.lumagraph) {
    // Another vendor's driver: it knows the driver-information code, with
    // a record of its own that carries no Lumagraph signature.
    if (code == 0x20012 && out && out_size >= 796) {
      std::memset(out, 0, out_size);
      std::snprintf(out, 256, "%s", "Generic VGA Display Driver");
      return 1;
    }
    return 0;
  }
  int r = d.driver().escape(code, in_size, in, out_size, out);
  if (r < 0) sim::set_last_error(ERROR_INVALID_PARAMETER);
  sim::log_set_dc(d, code, in_size, in, r);
  return r;
}

HDC GetDC(HWND window) {
  if (window) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return sim::make_handle(std::make_unique<sim::DeviceContext>(-1));
}

int ReleaseDC(HWND, HDC dc) {
  if (!sim::lookup<sim::DeviceContext>(dc)) return 0;
  sim::close_handle(dc);
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  auto* ctx = sim::lookup<sim::DeviceContext>(dc);
  if (!ctx) return 0;
  auto& d = sim::display();
  int i = ctx->screen >= 0 ? ctx->screen : d.primary();
  if (i < 0) return 0;
  sim::Settings s = d.settings(i, false);
  if (index == HORZRES) return static_cast<int>(s.width);
  if (index == VERTRES) return static_cast<int>(s.height);
  return 0;
}

BOOL EnumDisplayDevicesA(LPCSTR device, DWORD index, PDISPLAY_DEVICEA info, DWORD) {
  auto& d = sim::display();
  if (device || !info || info->cb < sizeof(DISPLAY_DEVICEA) || !d.shown(index)) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto& s = d.screen(index);
  DWORD cb = info->cb;
  std::memset(info, 0, sizeof *info);
  info->cb = cb;
  std::snprintf(info->DeviceName, sizeof info->DeviceName, "%s", s.name.c_str());
  std::snprintf(info->DeviceString, sizeof info->DeviceString, "%s", s.string.c_str());
  if (d.attached(index)) info->StateFlags |= DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
  if (s.primary) info->StateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE;
  std::snprintf(info->DeviceID, sizeof info->DeviceID, "PCI\\VEN_8086&DEV_%04X", s.lumagraph ? 0x2772 : 0x1111);
  std::snprintf(info->DeviceKey, sizeof info->DeviceKey,
                "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Video\\{0}\\%04u",
                static_cast<unsigned>(index));
  return TRUE;
}

BOOL EnumDisplaySettingsA(LPCSTR device, DWORD mode_index, LPDEVMODEA mode) {
  auto& d = sim::display();
  int i = device ? d.find(device) : d.primary();
  if (i < 0 || !mode) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  sim::Settings s;
  if (mode_index == ENUM_CURRENT_SETTINGS || mode_index == ENUM_REGISTRY_SETTINGS) {
    s = d.settings(i, mode_index == ENUM_REGISTRY_SETTINGS);
    if (mode_index == ENUM_CURRENT_SETTINGS && !d.attached(i)) {
      sim::set_last_error(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  } else {
    auto modes = d.modes(i);
    if (mode_index >= modes.size()) {
      sim::set_last_error(ERROR_NO_MORE_ITEMS);
      return FALSE;
    }
    s = modes[mode_index];
  }
  WORD extra = mode->dmDriverExtra;
  std::memset(mode, 0, sizeof *mode);
  std::snprintf(reinterpret_cast<char*>(mode->dmDeviceName), sizeof mode->dmDeviceName, "%s",
                d.screen(i).lumagraph ? "lumagraph" : "vga");
  mode->dmSize = sizeof *mode;
  (void)extra;
  mode->dmFields = DM_POSITION | DM_DISPLAYORIENTATION | DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT |
                   DM_DISPLAYFLAGS | DM_DISPLAYFREQUENCY;
  mode->dmPelsWidth = s.width;
  mode->dmPelsHeight = s.height;
  mode->dmBitsPerPel = s.depth;
  mode->dmDisplayFrequency = s.refresh;
  mode->dmPosition.x = s.x;
  mode->dmPosition.y = s.y;
  static const DWORD kOrientation[] = {DMDO_DEFAULT, DMDO_90, DMDO_180, DMDO_270};
  mode->dmDisplayOrientation = kOrientation[(d.rotation(i) / 90) % 4];
  return TRUE;
}

LONG ChangeDisplaySettingsA(LPDEVMODEA mode, DWORD flags) { return sim::change(nullptr, mode, flags); }

}  // namespace oal
