#include "display_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "texts.h"

namespace gui {
namespace {

constexpr uint32_t kFlagReadOnly = OPAL_ATTR_READONLY_FLAGS;

std::string bounded(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

bool same(float a, float b) { return std::fabs(a - b) < 0.001f; }
bool same3(const std::array<float, 3>& a, const std::array<float, 3>& b) {
  return same(a[0], b[0]) && same(a[1], b[1]) && same(a[2], b[2]);
}

uint32_t pack(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}

uint32_t pack_gamma(const std::array<float, 3>& g) {
  return pack(opal_gamma_encode(g[0]), opal_gamma_encode(g[1]), opal_gamma_encode(g[2]));
}

uint32_t pack_levels(const std::array<int, 3>& v) {
  return pack(opal_color_byte_encode(v[0]), opal_color_byte_encode(v[1]), opal_color_byte_encode(v[2]));
}

// The mode record behind a screen's chosen text, as a request; false when
// the text is not one of the listed modes.
bool find_mode(const ScreenModes& screen, opal_mode_t& request) {
  for (size_t i = 0; i < screen.texts.size() && i < screen.modes.size(); ++i) {
    if (screen.texts[i] != screen.mode) continue;
    request = opal_mode_t{};
    request.width = screen.modes[i].width;
    request.height = screen.modes[i].height;
    request.refresh = screen.modes[i].refresh;
    if (screen.mode.find('i') != std::string::npos) request.flags |= OPAL_MODE_INTERLACED;
    return true;
  }
  return false;
}

bool contains(const std::vector<uint32_t>& list, uint32_t v) {
  return std::find(list.begin(), list.end(), v) != list.end();
}

// The colour records of a port's table (ids 35, 36, 37), list entries aside.
void read_colour(const opal_port_attribute_t* table, uint32_t count, PortColour& c) {
  for (uint32_t i = 0; i < count; ++i) {
    const opal_port_attribute_t& a = table[i];
    uint32_t v = a.current_value;
    if (a.id == OPAL_ATTR_GAMMA && !c.has_gamma) {
      c.has_gamma = true;
      c.gamma_record = a;
      for (int ch = 0; ch < 3; ++ch) c.gamma[ch] = opal_gamma_decode(opal_color_channel(v, ch));
    } else if (a.id == OPAL_ATTR_BRIGHTNESS && !c.has_brightness) {
      c.has_brightness = true;
      c.brightness_record = a;
      for (int ch = 0; ch < 3; ++ch) c.brightness[ch] = opal_color_byte_decode(opal_color_channel(v, ch));
    } else if (a.id == OPAL_ATTR_CONTRAST && !c.has_contrast) {
      c.has_contrast = true;
      c.contrast_record = a;
      for (int ch = 0; ch < 3; ++ch) c.contrast[ch] = opal_color_byte_decode(opal_color_channel(v, ch));
    }
    if (a.type == OPAL_ATTR_LIST) i += std::min(a.min, count - 1 - i);
  }
}

// The running mode of a port as its screen's box lists it. A port turned
// by 90 or 270 degrees runs its listed mode with width and height
// exchanged; shown as it runs, it would match no entry, and reverting the
// rotation would then also ask for a mode change the turned screen refuses.
std::string listed_current_mode(const PortState& port, const std::vector<std::string>& texts) {
  std::string text = current_mode_text(port.info);
  auto listed = [&](const std::string& t) { return std::find(texts.begin(), texts.end(), t) != texts.end(); };
  if ((port.rotation == 90 || port.rotation == 270) && !listed(text)) {
    opal_port_info_t turned = port.info;
    std::swap(turned.width, turned.height);
    std::string upright = current_mode_text(turned);
    if (listed(upright)) return upright;
  }
  return text;
}

float overlay_gamma(uint32_t word, uint32_t channel) {
  return std::clamp(opal_gamma_decode(opal_color_channel(word, channel)), 0.6f, 6.0f);
}

}  // namespace

SortedAttributes sort_attributes(const opal_port_attribute_t* table, uint32_t count) {
  SortedAttributes s;
  if (!table) return s;
  for (uint32_t i = 0; i < count; ++i) {
    const opal_port_attribute_t& a = table[i];
    // A list's entries follow it and are never attributes themselves,
    // whether or not the list is shown.
    uint32_t entries = a.type == OPAL_ATTR_LIST ? std::min(a.min, count - 1 - i) : 0;
    bool offered = a.type >= OPAL_ATTR_RANGE && a.type <= OPAL_ATTR_OTHER &&
                   (a.type == OPAL_ATTR_OTHER || !(a.flags & kFlagReadOnly));
    if (offered) {
      if (a.type == OPAL_ATTR_RANGE && s.ranges.size() < kRangeRows) s.ranges.push_back(a);
      if (a.type == OPAL_ATTR_BOOL && s.bools.size() < kBoolRows) s.bools.push_back(a);
      if (a.type == OPAL_ATTR_LIST && s.lists.size() < kListRows)
        s.lists.push_back(ListAttribute{a, std::vector<opal_port_attribute_t>(table + i + 1, table + i + 1 + entries)});
    }
    i += entries;
  }
  return s;
}

bool master_off_primary_screen(const opal_disp_port_map_t* map, uint32_t screens, uint32_t master) {
  if (!map) return false;
  for (uint32_t i = 0; i < screens && i < OPAL_MAX_SCREENS; ++i)
    for (uint32_t k = 0; k < map[i].num_ports && k < OPAL_MAX_SCREEN_PORTS; ++k)
      if (map[i].ports[k].port == master) return !map[i].is_primary;
  return false;
}

int32_t track_value(uint32_t value) {
  return static_cast<int32_t>(std::min<uint32_t>(value, std::numeric_limits<int32_t>::max()));
}

bool DisplayModel::swapped_for(const DisplayState& s, uint32_t dc) const {
  return s.swapped && OPAL_DC_TYPE(dc) == MULTI_TYPE_EXTENDED;
}

// Reads a dc's mode lists into the state's screens. The current dc
// preselects the running modes; another keeps the chosen texts that it
// offers (`keep_choice` keeps them whatever the lists hold).
bool DisplayModel::read_mode_lists(DisplayState& s, uint32_t dc, bool keep_choice) {
  ScreenModes lists[2];
  for (uint32_t display = 0; display < 2; ++display) {
    if (display == 1 && !OPAL_DC_FIELD(dc, SECONDARY_MASTER)) break;
    opal_mode_t* table = nullptr;
    uint32_t count = 0;
    opal_exit_t rc = opal_get_mode_list(dc, display, &table, &count);
    if (rc == EXIT_OK && table)
      for (uint32_t i = 0; i < count; ++i) {
        lists[display].modes.push_back(table[i]);
        lists[display].texts.push_back(mode_text(table[i]));
      }
    opal_free_mode_list(table);
    if (rc != EXIT_OK) return false;
  }
  const bool sw = swapped_for(s, dc);
  for (int screen = 0; screen < 2; ++screen) {
    ScreenModes& target = s.screens[screen];
    ScreenModes& from = lists[sw ? 1 - screen : screen];
    target.modes = std::move(from.modes);
    target.texts = std::move(from.texts);
    if (keep_choice) continue;
    uint32_t port = OPAL_DC_FIELD(dc, (sw ? 1 - screen : screen) == 0 ? PRIMARY_MASTER : SECONDARY_MASTER);
    if (dc == s.current.dc && port >= 1 && port <= OPAL_MAX_PORT && s.ports[port].present) {
      target.mode = listed_current_mode(s.ports[port], target.texts);
      target.depth = depth_text(s.ports[port].info.depth);
      continue;
    }
    if (std::find(target.texts.begin(), target.texts.end(), target.mode) == target.texts.end())
      target.mode = target.texts.empty() ? std::string() : target.texts.front();
    if (target.depth.empty()) target.depth = "32";
  }
  uint32_t type = OPAL_DC_TYPE(dc);
  s.secondary_mode_editable = type == MULTI_TYPE_CLONE || type == MULTI_TYPE_EXTENDED;
  s.secondary_depth_editable = type == MULTI_TYPE_EXTENDED;
  return true;
}

int DisplayModel::read_state(DisplayState& s) {
  s = DisplayState{};
  if (opal_exit_t rc = opal_open(0)) return static_cast<int>(rc);

  opal_driver_info_t info{};
  if (opal_exit_t rc = opal_get_driver_info(&info)) return static_cast<int>(rc);
  char buf[64];
  s.product = bounded(info.product_name, sizeof info.product_name);
  s.second_text = bounded(info.second_text, sizeof info.second_text);
  std::snprintf(buf, sizeof buf, "%lu.%lu", static_cast<unsigned long>(info.major),
                static_cast<unsigned long>(info.minor));
  s.version = buf;
  std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(info.build));
  s.build = buf;
  s.date = bounded(info.build_date, sizeof info.build_date);

  uint32_t* dcs = nullptr;
  char** names = nullptr;
  uint32_t count = 0;
  opal_exit_t rc = opal_get_dc_list(&dcs, &names, &count);
  std::vector<uint32_t> driver_list;
  if (rc == EXIT_OK && dcs) driver_list.assign(dcs, dcs + count);
  opal_free_dc_list(dcs, names, count);
  if (rc != EXIT_OK) return static_cast<int>(rc);
  std::vector<uint32_t> offered = offered_dcs(driver_list);

  const uint32_t current = opal_get_current_dc();
  if (!current) return EXIT_OS_CALL_ERROR;

  // Names come from the ports of the current dc and of the single dcs.
  std::vector<uint32_t> named = dc_all_ports(current);
  for (uint32_t dc : driver_list)
    if (OPAL_DC_TYPE(dc) == MULTI_TYPE_SINGLE)
      for (uint32_t p : dc_all_ports(dc))
        if (!contains(named, p)) named.push_back(p);
  for (uint32_t p : named) {
    PortState& port = s.ports[p];
    if (opal_get_port_info(p, &port.info) != EXIT_OK) continue;
    port.present = true;
    port.name = port_display_name(port.info);
    port.enabled = port.info.enable != 0;
  }

  if (OPAL_DC_TYPE(current) == MULTI_TYPE_EXTENDED) {
    opal_disp_port_map_t* map = nullptr;
    uint32_t screens = 0;
    rc = opal_get_disp_port_mapping(&map, &screens);
    if (rc == EXIT_OK) s.swapped = master_off_primary_screen(map, screens, OPAL_DC_FIELD(current, PRIMARY_MASTER));
    opal_free_disp_port_mapping(map);
    if (rc != EXIT_OK) return static_cast<int>(rc);
  }

  for (uint32_t dc : offered) s.dcs.push_back(make_dc_entry(dc, s, s.swapped));
  s.current = make_dc_entry(current, s, s.swapped);
  s.selected_dc = current;

  for (uint32_t p = 1; p <= OPAL_MAX_PORT; ++p) {
    PortState& port = s.ports[p];
    if (!port.present) continue;
    if ((rc = opal_get_flip_rot(p, &port.flip, &port.rotation))) return static_cast<int>(rc);
    opal_port_attribute_t* table = nullptr;
    uint32_t n = 0;
    rc = opal_get_port_attributes(p, &table, &n);
    if (rc == EXIT_OK && table) {
      port.attributes = sort_attributes(table, n);
      read_colour(table, n, port.colour);
    }
    opal_free_port_attributes(table);
    if (rc != EXIT_OK) return static_cast<int>(rc);
  }

  if (!read_mode_lists(s, current, false)) return EXIT_OS_CALL_ERROR;

  opal_overlay_params_t overlay{};
  if ((rc = opal_get_overlay_params(&overlay))) return static_cast<int>(rc);
  s.overlay.gamma_supported = overlay.gamma != 0;
  s.overlay.levels_supported = overlay.brightness && overlay.contrast && overlay.saturation;
  for (uint32_t ch = 0; ch < 3; ++ch) s.overlay.gamma[ch] = overlay_gamma(overlay.gamma, ch);
  s.overlay.brightness = static_cast<int>(opal_overlay_to_scale(overlay.brightness));
  s.overlay.contrast = static_cast<int>(opal_overlay_to_scale(overlay.contrast));
  s.overlay.saturation = static_cast<int>(opal_overlay_to_scale(overlay.saturation));
  return 0;
}

int DisplayModel::load() {
  DisplayState s;
  int rc = read_state(s);
  if (rc) {
    release();
    return rc;
  }
  working_ = last_applied_ = confirmed_ = s;
  loaded_ = true;
  modified_ = false;
  return 0;
}

void DisplayModel::release() {
  opal_close();
  working_ = last_applied_ = confirmed_ = DisplayState{};
  loaded_ = false;
  modified_ = false;
}

PortState* DisplayModel::port_state(uint32_t port) {
  return loaded_ && port >= 1 && port <= OPAL_MAX_PORT ? &working_.ports[port] : nullptr;
}

// ---- edits ---------------------------------------------------------------

bool DisplayModel::select_dc(uint32_t dc) {
  if (!loaded_) return false;
  if (!read_mode_lists(working_, dc, false)) return false;
  working_.selected_dc = dc;
  touch();
  return true;
}

void DisplayModel::set_mode(int screen, const std::string& text) {
  if (!loaded_ || screen < 0 || screen > 1) return;
  working_.screens[screen].mode = text;
  touch();
}

void DisplayModel::set_depth(int screen, const std::string& text) {
  if (!loaded_ || screen < 0 || screen > 1) return;
  working_.screens[screen].depth = text;
  touch();
}

void DisplayModel::set_port_enabled(uint32_t port, bool enabled) {
  if (PortState* p = port_state(port)) {
    p->enabled = enabled;
    touch();
  }
}

void DisplayModel::set_rotation(uint32_t port, uint32_t box_position) {
  PortState* p = port_state(port);
  if (!p || box_position > 3) return;
  p->rotation = box_position * 90;
  touch();
}

void DisplayModel::set_flip(uint32_t port, uint32_t flip) {
  PortState* p = port_state(port);
  if (!p || flip > 1) return;
  p->flip = flip;
  touch();
}

void DisplayModel::set_attribute(uint32_t port, Row row, size_t index, int32_t value) {
  PortState* p = port_state(port);
  if (!p) return;
  SortedAttributes& a = p->attributes;
  if (row == Row::Range && index < a.ranges.size()) {
    a.ranges[index].current_value = static_cast<uint32_t>(value);
  } else if (row == Row::List && index < a.lists.size() && value >= 0 &&
             static_cast<size_t>(value) < a.lists[index].entries.size()) {
    a.lists[index].attribute.current_value = static_cast<uint32_t>(value) + 1;
  } else if (row == Row::Bool && index < a.bools.size()) {
    a.bools[index].current_value = value ? 1 : 0;
  } else {
    return;
  }
  touch();
}

int DisplayModel::list_selection(const ListAttribute& list) {
  uint32_t v = list.attribute.current_value;
  return v >= 1 && v <= list.entries.size() ? static_cast<int>(v - 1) : -1;
}

std::vector<uint32_t> DisplayModel::attribute_ports(uint32_t previous, uint32_t* selected) const {
  std::vector<uint32_t> ports = dc_all_ports(working_.current.dc);
  uint32_t pick = contains(ports, previous) ? previous : OPAL_DC_FIELD(working_.current.dc, PRIMARY_MASTER);
  if (!contains(ports, pick)) pick = ports.empty() ? 0 : ports.front();
  if (selected) *selected = pick;
  return ports;
}

std::vector<uint32_t> DisplayModel::colour_ports(uint32_t previous, uint32_t* selected) const {
  const uint32_t dc = working_.current.dc, type = OPAL_DC_TYPE(dc);
  std::vector<uint32_t> ports;
  uint32_t primary = OPAL_DC_FIELD(dc, PRIMARY_MASTER), secondary = OPAL_DC_FIELD(dc, SECONDARY_MASTER);
  if (primary >= 1 && primary <= OPAL_MAX_PORT) ports.push_back(primary);
  if ((type == MULTI_TYPE_CLONE || type == MULTI_TYPE_EXTENDED) && secondary >= 1 && secondary <= OPAL_MAX_PORT)
    ports.push_back(secondary);
  uint32_t pick = previous == secondary && contains(ports, secondary) ? secondary : primary;
  if (!contains(ports, pick)) pick = ports.empty() ? 0 : ports.front();
  if (selected) *selected = pick;
  return ports;
}

SliderView DisplayModel::colour_slider(Surface surface, uint32_t port, int channel, Level level) const {
  SliderView v;
  const bool overlay = surface == Surface::Overlay;
  if (!loaded_ || (!overlay && (port < 1 || port > OPAL_MAX_PORT))) return v;
  if (level == Level::Saturation && !overlay) return v;  // hidden
  v.visible = true;
  const int first = channel == kAllChannels ? 0 : std::clamp(channel, 0, 2);
  if (level == Level::Gamma) {
    const std::array<float, 3>& g = overlay ? working_.overlay.gamma : working_.ports[port].colour.gamma;
    bool available = overlay ? working_.overlay.gamma_supported : working_.ports[port].colour.has_gamma;
    bool differ = channel == kAllChannels && !(same(g[0], g[1]) && same(g[1], g[2]));
    v.min = 6;
    v.max = 60;
    v.position = static_cast<int>(std::lround(g[first] * 10));
    v.enabled = available && !differ;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(g[first]));
    v.text = differ ? "N/A" : buf;
    return v;
  }
  if (overlay) {
    const OverlayColour& o = working_.overlay;
    v.min = 0;
    v.max = 200;
    v.position = level == Level::Brightness ? o.brightness : level == Level::Contrast ? o.contrast : o.saturation;
    v.enabled = o.levels_supported;
    v.text = std::to_string(v.position);
    return v;
  }
  const PortColour& c = working_.ports[port].colour;
  const std::array<int, 3>& values = level == Level::Brightness ? c.brightness : c.contrast;
  bool differ = channel == kAllChannels && !(values[0] == values[1] && values[1] == values[2]);
  v.min = -127;
  v.max = 127;
  v.position = values[first];
  v.enabled = (level == Level::Brightness ? c.has_brightness : c.has_contrast) && !differ;
  v.text = differ ? "N/A" : std::to_string(v.position);
  return v;
}

void DisplayModel::set_colour(Surface surface, uint32_t port, int channel, Level level, int position) {
  if (!loaded_) return;
  const bool overlay = surface == Surface::Overlay;
  if (!overlay && (port < 1 || port > OPAL_MAX_PORT)) return;
  auto each = [&](auto& channels, auto value) {
    for (int ch = 0; ch < 3; ++ch)
      if (channel == kAllChannels || channel == ch) channels[ch] = value;
  };
  if (level == Level::Gamma) {
    float g = std::clamp(position, 6, 60) / 10.0f;
    each(overlay ? working_.overlay.gamma : working_.ports[port].colour.gamma, g);
  } else if (overlay) {
    int v = std::clamp(position, 0, 200);
    (level == Level::Brightness ? working_.overlay.brightness
     : level == Level::Contrast ? working_.overlay.contrast
                                : working_.overlay.saturation) = v;
  } else if (level != Level::Saturation) {
    int v = std::clamp(position, -127, 127);
    PortColour& c = working_.ports[port].colour;
    each(level == Level::Brightness ? c.brightness : c.contrast, v);
  } else {
    return;
  }
  touch();
}

void DisplayModel::restore_defaults(Surface surface, uint32_t port) {
  if (!loaded_) return;
  if (surface == Surface::Overlay) {
    working_.overlay.gamma = {1.0f, 1.0f, 1.0f};
    working_.overlay.brightness = working_.overlay.contrast = working_.overlay.saturation = 100;
  } else if (PortState* p = port_state(port)) {
    p->colour.gamma = {1.0f, 1.0f, 1.0f};
    p->colour.brightness = {0, 0, 0};
    p->colour.contrast = {0, 0, 0};
  } else {
    return;
  }
  touch();
}

// ---- applying ------------------------------------------------------------

int DisplayModel::switch_configuration(uint32_t flags) {
  const DisplayState& w = working_;
  const uint32_t dc = w.selected_dc;
  const bool sw = swapped_for(w, dc);
  const ScreenModes& primary_screen = w.screens[sw ? 1 : 0];
  const ScreenModes& secondary_screen = w.screens[sw ? 0 : 1];
  opal_mode_t primary{}, secondary{};
  // Without a listed primary mode there is nothing sound to send.
  if (!find_mode(primary_screen, primary)) return kSetModeFailed;
  const uint16_t primary_depth = depth_of_text(primary_screen.depth);
  uint16_t secondary_depth = 0;
  const opal_mode_t* second = nullptr;
  switch (OPAL_DC_TYPE(dc)) {
    case MULTI_TYPE_CLONE:
      if (find_mode(secondary_screen, secondary)) second = &secondary;
      secondary_depth = primary_depth;
      break;
    case MULTI_TYPE_EXTENDED:
      if (find_mode(secondary_screen, secondary)) second = &secondary;
      secondary_depth = depth_of_text(secondary_screen.depth);
      break;
    default:
      break;
  }
  called_ = true;
  return opal_set_dc(dc, &primary, second, primary_depth, secondary_depth, flags) ? kSetModeFailed : 0;
}

int DisplayModel::apply_ports() {
  for (uint32_t p : dc_all_ports(working_.selected_dc)) {
    const PortState& w = working_.ports[p];
    const PortState& l = last_applied_.ports[p];
    if (w.enabled != l.enabled) {
      called_ = true;
      if (opal_exit_t rc = opal_en_dis_port(w.enabled ? 1 : 0, p)) return static_cast<int>(rc);
    }
    if (working_.pending_rotation) {
      called_ = true;
      if (opal_exit_t rc = opal_set_flip_rot(p, w.flip, w.rotation)) return static_cast<int>(rc);
      working_.pending_rotation = false;
      if (int rc = switch_configuration(0)) return rc;
    }
    if (w.rotation != l.rotation || w.flip != l.flip) {
      called_ = true;
      if (opal_exit_t rc = opal_set_flip_rot(p, w.flip, w.rotation)) return static_cast<int>(rc);
    }
  }
  return 0;
}

int DisplayModel::apply_attributes() {
  for (uint32_t p : dc_all_ports(working_.selected_dc)) {
    const SortedAttributes& w = working_.ports[p].attributes;
    const SortedAttributes& l = last_applied_.ports[p].attributes;
    auto send_changed = [&](const opal_port_attribute_t& now, const opal_port_attribute_t* before) -> int {
      if (!before || before->id != now.id || before->current_value == now.current_value) return 0;
      called_ = true;
      return static_cast<int>(opal_set_port_attributes(p, &now));
    };
    for (size_t i = 0; i < w.ranges.size(); ++i)
      if (int rc = send_changed(w.ranges[i], i < l.ranges.size() ? &l.ranges[i] : nullptr)) return rc;
    for (size_t i = 0; i < w.bools.size(); ++i)
      if (int rc = send_changed(w.bools[i], i < l.bools.size() ? &l.bools[i] : nullptr)) return rc;
    for (size_t i = 0; i < w.lists.size(); ++i)
      if (int rc = send_changed(w.lists[i].attribute, i < l.lists.size() ? &l.lists[i].attribute : nullptr))
        return rc;
  }
  return 0;
}

int DisplayModel::apply_colour() {
  for (uint32_t p : dc_all_ports(working_.selected_dc)) {
    const PortColour& w = working_.ports[p].colour;
    const PortColour& l = last_applied_.ports[p].colour;
    auto send = [&](opal_port_attribute_t record, uint32_t value) {
      record.current_value = value;
      called_ = true;
      return static_cast<int>(opal_set_port_attributes(p, &record));
    };
    if (w.has_gamma && !same3(w.gamma, l.gamma))
      if (int rc = send(w.gamma_record, pack_gamma(w.gamma))) return rc;
    if (w.has_brightness && w.brightness != l.brightness)
      if (int rc = send(w.brightness_record, pack_levels(w.brightness))) return rc;
    if (w.has_contrast && w.contrast != l.contrast)
      if (int rc = send(w.contrast_record, pack_levels(w.contrast))) return rc;
  }
  return 0;
}

int DisplayModel::apply_overlay() {
  const OverlayColour& w = working_.overlay;
  const OverlayColour& l = last_applied_.overlay;
  opal_overlay_params_t params{};
  if (!same3(w.gamma, l.gamma)) {
    params.mask |= OPAL_OVERLAY_GAMMA;
    params.gamma = pack_gamma(w.gamma);
  }
  if (w.brightness != l.brightness) {
    params.mask |= OPAL_OVERLAY_BRIGHTNESS;
    params.brightness = opal_scale_to_overlay(static_cast<uint32_t>(w.brightness));
  }
  if (w.contrast != l.contrast) {
    params.mask |= OPAL_OVERLAY_CONTRAST;
    params.contrast = opal_scale_to_overlay(static_cast<uint32_t>(w.contrast));
  }
  if (w.saturation != l.saturation) {
    params.mask |= OPAL_OVERLAY_SATURATION;
    params.saturation = opal_scale_to_overlay(static_cast<uint32_t>(w.saturation));
  }
  if (!params.mask) return 0;
  params.mask |= OPAL_OVERLAY_WRITE;
  called_ = true;
  return static_cast<int>(opal_set_overlay_params(&params));
}

int DisplayModel::apply() {
  called_ = false;
  if (!loaded_) return 0;
  DisplayState& w = working_;
  const DisplayState& l = last_applied_;
  const uint32_t dc = w.selected_dc, type = OPAL_DC_TYPE(dc);
  // Screens are compared as shown; the flags name the dc's displays.
  const bool sw = swapped_for(w, dc);
  auto flag_of = [&](int screen) { return 1u << (sw ? 1 - screen : screen); };
  uint32_t flags = 0;
  if (w.screens[0].mode != l.screens[0].mode || w.screens[0].depth != l.screens[0].depth) flags |= flag_of(0);
  if (((type == MULTI_TYPE_CLONE || type == MULTI_TYPE_EXTENDED) && w.screens[1].mode != l.screens[1].mode) ||
      (type == MULTI_TYPE_EXTENDED && w.screens[1].depth != l.screens[1].depth))
    flags |= flag_of(1);
  if (OPAL_DC_FIELD(dc, PRIMARY_MASTER) != OPAL_DC_FIELD(l.selected_dc, PRIMARY_MASTER)) flags |= OPAL_APPLY_PRIMARY;
  if (type == MULTI_TYPE_TWIN && dc != l.selected_dc) w.pending_rotation = true;

  if ((flags || dc != l.selected_dc) && switch_configuration(flags)) return kSetModeFailed;

  int first = apply_ports();
  if (!first) first = apply_attributes();
  if (!first) first = apply_colour();
  int overlay = apply_overlay();
  if (!first) first = overlay;

  if (called_) {
    DisplayState fresh;
    int rc = read_state(fresh);
    if (rc == 0) working_ = last_applied_ = fresh;
    // A failed step is reported even when the reload worked.
    if (!first) first = rc;
  }
  if (first && first != kSetModeFailed) release();
  return first;
}

void DisplayModel::keep() {
  confirmed_ = working_;
  modified_ = false;
}

int DisplayModel::revert(int pages) {
  if (!loaded_) return 0;
  working_ = confirmed_;
  modified_ = false;
  if (!read_mode_lists(working_, working_.selected_dc, true)) {
    release();
    return EXIT_OS_CALL_ERROR;
  }
  for (int i = 0; i < pages; ++i)
    if (int rc = apply()) return rc;
  return 0;
}

}  // namespace gui
