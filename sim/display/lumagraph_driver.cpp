#include "lumagraph_driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace lumagraph {
namespace {

// Escape codes the driver answers.
enum : int32_t {
  GET_NUM_MODES = 0x20001,
  GET_AVAIL_MODES = 0x20002,
  ENABLE_PORT = 0x20005,
  GET_NUM_PD_ATTRIBUTES = 0x20007,
  GET_AVAIL_PD_ATTRIBUTES = 0x20008,
  SET_PD_ATTRIBUTES = 0x20009,
  SET_ROTATION_FLIP = 0x2000E,
  GET_ROTATION_FLIP = 0x2000F,
  GET_DRIVER_INFO = 0x20012,
  GET_PORT_INFO = 0x20014,
  GET_CURRENT_DC = 0x20015,
  GET_DC_LIST = 0x20016,
  SET_DC = 0x20017,
  GET_NUM_DC = 0x20018,
  GET_OVERLAY_PARAMS = 0x20019,
  SET_OVERLAY_PARAMS = 0x2001A,
  GET_EDID_INFO = 0x20024,
  QUERY_GOLDEN_HTOTAL = 0x20026,
  VIDEO_CRC_START = 0x20500,
  VIDEO_CRC_STOP = 0x20501,
  GET_CRC = 0x20502,
  GET_CRC_DEBUG_INFO = 0x20503,
  GET_SURFACE_DATA = 0x20510,
  GET_VID_RENDERING_INFO = 0x20600,
};

constexpr int kRefused = -1;
constexpr int kAnswered = 1;

struct AttributeDef {
  uint32_t id, type;
  const char* name;
  uint32_t flags, def, min, max;
};

// Attributes of every port, then those of particular ports. A list
// attribute is followed by its entries (type 2 records whose id and value
// are the entry's number, counted from 1); its current value is the number
// of the chosen entry.
const AttributeDef kCommonAttributes[] = {
    {35, 1, "Gamma", 0, 0x202020, 0, 0xFFFFFF},
    {36, 1, "Brightness", 0, 0x808080, 0, 0xFFFFFF},
    {37, 1, "Contrast", 0, 0x808080, 0, 0xFFFFFF},
};
const AttributeDef kPanelAttributes[] = {
    {1, 1, "Backlight", 0, 80, 0, 100},
    {2, 2, "Panel Fitting", 0, 1, 3, 0},
    {1, 2, "Centered", 0, 1, 0, 0},
    {2, 2, "Aspect", 0, 2, 0, 0},
    {3, 2, "Full Screen", 0, 3, 0, 0},
    {3, 3, "Dithering", 0, 1, 0, 1},
    {4, 1, "Panel Power Delay", 0x08, 200, 0, 1000},
};
const AttributeDef kTvAttributes[] = {
    {10, 1, "Flicker Filter", 0, 4, 0, 8},
    {11, 2, "TV Standard", 0, 1, 2, 0},
    {1, 2, "NTSC", 0, 1, 0, 0},
    {2, 2, "PAL", 0, 2, 0, 0},
    {12, 4, "Overscan Compensation", 0, 0, 0, 0},
};

std::vector<AttributeDef> attributes_of(uint32_t port) {
  std::vector<AttributeDef> list(std::begin(kCommonAttributes), std::end(kCommonAttributes));
  if (port == 4 || port == 8) list.insert(list.end(), std::begin(kPanelAttributes), std::end(kPanelAttributes));
  if (port == 1) list.insert(list.end(), std::begin(kTvAttributes), std::end(kTvAttributes));
  return list;
}

const char* kPortDriverNames[] = {"", "tv", "dvob", "dvoc", "lvds", "crt", "dpb", "dpc", "edp"};

void put32(void* out, size_t offset, uint32_t v) { std::memcpy(static_cast<char*>(out) + offset, &v, 4); }
void put16(void* out, size_t offset, uint16_t v) { std::memcpy(static_cast<char*>(out) + offset, &v, 2); }
uint32_t get32(const void* in, size_t offset) {
  uint32_t v;
  std::memcpy(&v, static_cast<const char*>(in) + offset, 4);
  return v;
}
uint16_t get16(const void* in, size_t offset) {
  uint16_t v;
  std::memcpy(&v, static_cast<const char*>(in) + offset, 2);
  return v;
}
void put_text(void* out, size_t offset, size_t field, const std::string& text, bool terminate) {
  char* p = static_cast<char*>(out) + offset;
  if (!terminate) {
    std::memset(p, 'A', field);
    return;
  }
  std::memset(p, 0, field);
  std::memcpy(p, text.data(), std::min(text.size(), field - 1));
}

bool parse_list(const std::string& text, std::vector<uint32_t>& out) {
  out.clear();
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    size_t a = item.find_first_not_of(" \t"), b = item.find_last_not_of(" \t");
    if (a == std::string::npos) continue;
    item = item.substr(a, b - a + 1);
    char* end = nullptr;
    unsigned long v = std::strtoul(item.c_str(), &end, 0);
    if (*end || v > 0xFFFFFFFFul) return false;
    out.push_back(static_cast<uint32_t>(v));
  }
  return true;
}

const std::pair<const char*, Quirk> kQuirks[] = {
    {"huge_mode_count", Quirk::HugeModeCount},   {"short_mode_list", Quirk::ShortModeList},
    {"huge_dc_count", Quirk::HugeDcCount},       {"huge_attr_count", Quirk::HugeAttrCount},
    {"unterminated_names", Quirk::UnterminatedNames}, {"unknown_dc_type", Quirk::UnknownDcType},
    {"bad_ports", Quirk::BadPorts},              {"all_on_primary", Quirk::AllOnPrimary},
};

}  // namespace

std::vector<ModeEntry> port_modes(uint32_t port) {
  switch (port) {
    case 1:  // TV: interlaced only
      return {{640, 480, 30, true}, {720, 480, 30, true}, {800, 600, 25, true}};
    case 4:
    case 8:
      return {{640, 480, 60, false}, {800, 600, 60, false}, {1024, 768, 60, false}, {1280, 800, 60, false}};
    case 5:
      return {{640, 480, 60, false},  {640, 480, 75, false},  {800, 600, 60, false},
              {800, 600, 75, false},  {1024, 768, 60, false}, {1024, 768, 75, false},
              {1024, 768, 85, false}, {1280, 1024, 60, false}, {1920, 1080, 30, true}};
    case 0:
      return {};
    default:
      return port <= 8 ? std::vector<ModeEntry>{{800, 600, 60, false}, {1024, 768, 60, false},
                                                {1280, 1024, 60, false}}
                       : std::vector<ModeEntry>{};
  }
}

DriverConfig default_config() {
  DriverConfig c;
  c.ports = {4, 5, 1, 2};
  c.dcs = {0x00000041, 0x00000051, 0x00000011, 0x00000021, 0x00000542, 0x00001452,
           0x00000144, 0x00500048, 0x00400058, 0x00100048, 0x00200048, 0x00500028};
  c.initial_dc = 0x00000041;
  c.no_enable = {1};
  return c;
}

bool parse_config(const std::map<std::string, std::string>& keys, const std::string& quirk,
                  DriverConfig& config, std::string& error) {
  config = default_config();
  for (const auto& [key, value] : keys) {
    if (key == "monitor_name") {
      if (value.size() > kMonitorNameMax) {
        error = "[lumagraph] monitor_name holds at most 13 characters";
        return false;
      }
      config.monitor_name = value;
      continue;
    }
    std::vector<uint32_t> list;
    if (!parse_list(value, list)) {
      error = "[lumagraph] " + key + " must be a list of numbers";
      return false;
    }
    if (key == "ports") {
      for (uint32_t p : list)
        if (p < 1 || p > 8) {
          error = "[lumagraph] ports must be port numbers 1..8";
          return false;
        }
      config.ports = list;
    } else if (key == "dcs") {
      config.dcs = list;
    } else if (key == "dc" && list.size() == 1) {
      config.initial_dc = list[0];
    } else if (key == "no_enable") {
      config.no_enable = list;
    } else if (key == "signature" && list.size() == 1) {
      config.signature = list[0];
    } else if (key == "crc_frames" && list.size() == 1) {
      config.crc_frames = list[0];
    } else {
      error = "[lumagraph] has no key '" + key + "' (ports, dcs, dc, no_enable, signature, crc_frames, monitor_name)";
      return false;
    }
  }
  if (std::find(config.dcs.begin(), config.dcs.end(), config.initial_dc) == config.dcs.end()) {
    error = "[lumagraph] dc must be one of dcs";
    return false;
  }
  for (uint32_t dc : config.dcs)
    for (int n = 1; n < 8; ++n) {
      uint32_t port = (dc >> (4 * n)) & 0xF;
      if (port && std::find(config.ports.begin(), config.ports.end(), port) == config.ports.end()) {
        error = "[lumagraph] a dc uses a port that is not in ports";
        return false;
      }
    }
  config.quirk = Quirk::None;
  if (!quirk.empty()) {
    bool found = false;
    for (const auto& [name, q] : kQuirks)
      if (quirk == name) {
        config.quirk = q;
        found = true;
      }
    if (!found) {
      error = "[faults] driver_reply '" + quirk + "' is not a known reply";
      return false;
    }
  }
  return true;
}

Driver::Driver(DriverConfig config, DriverState& state, const HeadInfo* heads)
    : config_(std::move(config)), state_(state), heads_(heads) {}

uint32_t Driver::number(const std::string& key, uint32_t fallback) const {
  std::string v = state_.get(key, "");
  if (v.empty()) return fallback;
  return static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 0));
}

void Driver::set_number(const std::string& key, uint32_t value) { state_.set(key, std::to_string(value)); }

bool Driver::connected(uint32_t port) const {
  return std::find(config_.ports.begin(), config_.ports.end(), port) != config_.ports.end();
}

std::vector<uint32_t> Driver::dc_list() const {
  std::vector<uint32_t> list = config_.dcs;
  if (config_.quirk == Quirk::UnknownDcType) list.push_back(0x00000043);
  if (config_.quirk == Quirk::BadPorts) list.push_back(0xFED00049);
  return list;
}

bool Driver::dc_offered(uint32_t dc) const {
  auto list = dc_list();
  return std::find(list.begin(), list.end(), dc) != list.end();
}

uint32_t Driver::current_dc() const {
  if (config_.quirk == Quirk::UnknownDcType) return 0x00000043;
  return number("dc", config_.initial_dc);
}

uint32_t Driver::rotation(uint32_t port) const { return number("rot." + std::to_string(port), 0); }

int Driver::display_of(uint32_t port) const {
  uint32_t dc = current_dc();
  for (int n = 5; n < 8; ++n)
    if (((dc >> (4 * n)) & 0xF) == port) return 1;
  return 0;
}

int Driver::escape(int32_t code, int32_t in_size, const void* in, int32_t out_size, void* out) {
  // A record shorter than the escape's own is refused, as the real driver does.
  auto need = [&](int32_t in_need, int32_t out_need) {
    return in_size >= in_need && (in_need == 0 || in) && out_size >= out_need && (out_need == 0 || out);
  };
  const bool terminate = config_.quirk != Quirk::UnterminatedNames;
  switch (code) {
    case GET_NUM_MODES:
    case GET_AVAIL_MODES: {
      if (!need(8, 4)) return kRefused;
      uint32_t port = get32(in, 0);
      if (!connected(port)) return kRefused;
      auto modes = port_modes(port);
      if (code == GET_NUM_MODES) {
        put32(out, 0, config_.quirk == Quirk::HugeModeCount ? 0xFFFFFFFFu : static_cast<uint32_t>(modes.size()));
        return kAnswered;
      }
      if (out_size < static_cast<int32_t>(modes.size() * 40)) return kRefused;
      size_t fill = config_.quirk == Quirk::ShortModeList ? modes.size() / 2 : modes.size();
      for (size_t i = 0; i < fill; ++i) {
        char* rec = static_cast<char*>(out) + i * 40;
        std::memset(rec, 0, 40);
        put16(rec, 0, modes[i].width);
        put16(rec, 2, modes[i].height);
        put16(rec, 4, modes[i].refresh);
        put32(rec, 32, modes[i].interlaced ? 0x80000000u : 0u);
      }
      return kAnswered;
    }
    case ENABLE_PORT: {
      if (!need(8, 4)) return kRefused;
      uint32_t port = get32(in, 0), enable = get32(in, 4);
      uint32_t status = 0;
      bool refuses = std::find(config_.no_enable.begin(), config_.no_enable.end(), port) != config_.no_enable.end();
      if (!connected(port) || (enable && refuses))
        status = 1;
      else
        set_number("enable." + std::to_string(port), enable ? 1 : 0);
      put32(out, 0, status);
      return kAnswered;
    }
    case GET_NUM_PD_ATTRIBUTES:
    case GET_AVAIL_PD_ATTRIBUTES: {
      if (!need(4, 4)) return kRefused;
      uint32_t port = get32(in, 0);
      if (!connected(port)) return kRefused;
      auto attrs = attributes_of(port);
      if (code == GET_NUM_PD_ATTRIBUTES) {
        put32(out, 0, config_.quirk == Quirk::HugeAttrCount ? 0x7FFFFFFFu : static_cast<uint32_t>(attrs.size()));
        return kAnswered;
      }
      if (out_size < static_cast<int32_t>(attrs.size() * 64)) return kRefused;
      uint32_t list_owner = 0;
      for (size_t i = 0; i < attrs.size(); ++i) {
        const auto& a = attrs[i];
        char* rec = static_cast<char*>(out) + i * 64;
        std::memset(rec, 0, 64);
        put32(rec, 0, a.id);
        put32(rec, 4, a.type);
        put_text(rec, 8, 32, a.name, terminate);
        put32(rec, 40, a.flags);
        put32(rec, 44, a.def);
        bool entry = a.type == 2 && a.min == 0 && a.max == 0 && i > 0 && list_owner;
        uint32_t current = entry ? a.def
                                 : number("attr." + std::to_string(port) + "." + std::to_string(a.id), a.def);
        put32(rec, 48, current);
        put32(rec, 52, a.min);
        put32(rec, 56, a.max);
        put32(rec, 60, i);
        if (a.type == 2 && a.min > 0) list_owner = a.id;
      }
      return kAnswered;
    }
    case SET_PD_ATTRIBUTES: {
      if (!need(68, 0)) return kRefused;
      uint32_t port = get32(in, 0), id = get32(in, 4), value = get32(in, 4 + 48);
      if (!connected(port)) return kRefused;
      for (const auto& a : attributes_of(port)) {
        if (a.id != id || (a.type == 2 && a.min == 0 && a.max == 0)) continue;
        if (a.flags & 0x98) return kRefused;
        if ((a.type == 1 || a.type == 3) && (value < a.min || value > a.max)) return kRefused;
        if (a.type == 2 && (value < 1 || value > a.min)) return kRefused;
        set_number("attr." + std::to_string(port) + "." + std::to_string(id), value);
        if (out && out_size >= 4) put32(out, 0, 0);
        return kAnswered;
      }
      return kRefused;
    }
    case SET_ROTATION_FLIP: {
      if (!need(12, 0)) return kRefused;
      uint32_t port = get32(in, 0), rot = get32(in, 4), flip = get32(in, 8);
      if (!connected(port) || (rot != 0 && rot != 90 && rot != 180 && rot != 270) || flip > 1) return kRefused;
      set_number("rot." + std::to_string(port), rot);
      set_number("flip." + std::to_string(port), flip);
      return kAnswered;
    }
    case GET_ROTATION_FLIP: {
      if (!need(4, 8)) return kRefused;
      uint32_t port = get32(in, 0);
      if (!connected(port)) return kRefused;
      put32(out, 0, rotation(port));
      put32(out, 4, number("flip." + std::to_string(port), 0));
      return kAnswered;
    }
    case GET_DRIVER_INFO: {
      if (!need(0, 796)) return kRefused;
      std::memset(out, 0, 796);
      put_text(out, 0, 256, config_.product, terminate);
      put_text(out, 256, 256, "Varnel Corporation", terminate);
      put32(out, 512, 14);
      put32(out, 516, 21);
      put32(out, 520, 4436);
      put_text(out, 524, 268, "Mar 14 2006 10:12:45", terminate);
      put32(out, 792, config_.signature);
      return kAnswered;
    }
    case GET_PORT_INFO: {
      if (!need(4, 556)) return kRefused;
      uint32_t port = get32(in, 0);
      if (!connected(port)) return kRefused;
      std::memset(out, 0, 556);
      uint32_t dc = current_dc();
      bool active = false;
      for (int n = 1; n < 8; ++n)
        if (((dc >> (4 * n)) & 0xF) == port) active = true;
      int display = display_of(port);
      HeadMode hm;
      if (active && heads_ && heads_->head_mode(display, hm)) {
        put32(out, 0, hm.width);
        put32(out, 4, hm.height);
        put32(out, 8, hm.depth);
        put32(out, 12, hm.refresh);
        for (const auto& m : port_modes(port))
          if (m.width == hm.width && m.height == hm.height && m.interlaced) put32(out, 552, 0x80000000u);
      }
      put32(out, 16, port_edid(port, config_.monitor_name).empty() ? 0 : 1);
      put32(out, 20, number("enable." + std::to_string(port), active ? 1 : 0));
      put32(out, 24, active && (dc & 0xF) == 2 && ((dc >> 4) & 0xF) == port ? 1 : 0);
      put_text(out, 28, 256, port <= 8 ? kPortDriverNames[port] : "", terminate);
      put_text(out, 284, 256, std::string(port <= 8 ? kPortDriverNames[port] : "") + "_port", terminate);
      put32(out, 540, 0x00010002);
      put32(out, 544, port);
      uint32_t reported = static_cast<uint32_t>(display);
      if (config_.quirk == Quirk::AllOnPrimary) reported = 0;
      if (config_.quirk == Quirk::BadPorts) reported = 7;
      put32(out, 548, reported);
      return kAnswered;
    }
    case GET_CURRENT_DC:
      if (!need(0, 4)) return kRefused;
      put32(out, 0, current_dc());
      return kAnswered;
    case GET_NUM_DC:
      if (!need(0, 4)) return kRefused;
      put32(out, 0, config_.quirk == Quirk::HugeDcCount ? 0xFFFFFFFFu : static_cast<uint32_t>(dc_list().size()));
      return kAnswered;
    case GET_DC_LIST: {
      auto list = dc_list();
      if (!need(0, static_cast<int32_t>(list.size() * 4))) return kRefused;
      for (size_t i = 0; i < list.size(); ++i) put32(out, i * 4, list[i]);
      return kAnswered;
    }
    case SET_DC: {
      if (!need(40, 0)) return kRefused;
      uint32_t dc = get32(in, 0);
      if (!dc_offered(dc)) return kRefused;
      set_number("dc", dc);
      set_number("dc.primary_mode", static_cast<uint32_t>(get16(in, 4)) << 16 | get16(in, 6));
      return kAnswered;
    }
    case GET_OVERLAY_PARAMS:
      if (!need(0, 24)) return kRefused;
      put32(out, 0, 0x0F);
      put32(out, 4, number("overlay.gamma", 0x202020));
      put32(out, 8, number("overlay.brightness", 32768));
      put32(out, 12, number("overlay.contrast", 32768));
      put32(out, 16, number("overlay.saturation", 32768));
      put32(out, 20, 0);
      return kAnswered;
    case SET_OVERLAY_PARAMS: {
      if (!need(24, 0)) return kRefused;
      uint32_t mask = get32(in, 0);
      if (mask & 1) set_number("overlay.gamma", get32(in, 4) & 0xFFFFFF);
      const char* keys[] = {"overlay.brightness", "overlay.contrast", "overlay.saturation"};
      for (int i = 0; i < 3; ++i) {
        if (!(mask & (2u << i))) continue;
        uint32_t v = get32(in, 8 + 4 * i);
        if (v > 65535) return kRefused;
        set_number(keys[i], v);
      }
      return kAnswered;
    }
    case GET_EDID_INFO: {
      if (!need(4, 128)) return kRefused;
      uint32_t port = get32(in, 0);
      auto edid = port_edid(port, config_.monitor_name);
      if (!connected(port) || edid.empty()) return kRefused;
      std::memcpy(out, edid.data(), 128);
      return kAnswered;
    }
    case QUERY_GOLDEN_HTOTAL: {
      if (!need(40, 40)) return kRefused;
      uint16_t w = get16(in, 0), h = get16(in, 2), r = get16(in, 4);
      if (!w || !h || !r) return kRefused;
      std::memset(out, 0, 40);
      put16(out, 0, w);
      put16(out, 2, h);
      put16(out, 4, r);
      // The golden htotal: the active width plus the blanking of the
      // standard timings, rounded to a character clock of 8 pixels.
      uint32_t htotal = ((w * 132u / 100u) + 7u) & ~7u;
      put16(out, 6, static_cast<uint16_t>(htotal));
      put32(out, 32, get32(in, 32));
      return kAnswered;
    }
    case VIDEO_CRC_START:
      set_number("crc.running", 1);
      set_number("crc.frames", 0);
      return kAnswered;
    case VIDEO_CRC_STOP:
      if (!number("crc.running", 0)) return kRefused;
      set_number("crc.running", 0);
      set_number("crc.frames", config_.crc_frames);
      return kAnswered;
    case GET_CRC: {
      if (!need(0, 4000)) return kRefused;
      std::memset(out, 0, 4000);
      // The count is the driver's own; the CRCs stop where the reply ends.
      uint32_t frames = number("crc.frames", 0);
      put32(out, 0, frames);
      uint32_t crc = 0x1D0F0000u ^ current_dc();
      for (uint32_t i = 0; i < std::min<uint32_t>(frames, 999); ++i) {
        crc = crc * 1103515245u + 12345u;
        put32(out, 4 + 4 * i, crc);
      }
      return kAnswered;
    }
    case GET_CRC_DEBUG_INFO:
      return kAnswered;
    case GET_SURFACE_DATA: {
      if (!need(256, 0)) return kRefused;
      std::string text(static_cast<const char*>(in), strnlen(static_cast<const char*>(in), 256));
      state_.set("surface.request", text);
      return kAnswered;
    }
    case GET_VID_RENDERING_INFO: {
      if (!need(4, 0)) return kRefused;
      uint32_t command = get32(in, 0);
      if (command == 1) {
        set_number("video.started", 1);
        return kAnswered;
      }
      if (!need(4, 88)) return kRefused;
      if (!number("video.started", 0)) return kRefused;
      set_number("video.started", 0);
      std::memset(out, 0, 88);
      put32(out, 0, 1);     // overlay used
      put32(out, 4, 1);     // hardware decode used
      put32(out, 8, 1);     // fields counted
      put32(out, 12, 600);  // 600 fields in 10 s: 30 frames per second
      const uint32_t start[9] = {50, 59, 23, 31, 12, 2005, 6, 364, 0};
      const uint32_t stop[9] = {0, 0, 0, 1, 1, 2006, 0, 0, 0};
      for (int i = 0; i < 9; ++i) {
        put32(out, 16 + 4 * i, start[i]);
        put32(out, 52 + 4 * i, stop[i]);
      }
      return kAnswered;
    }
    default:
      return 0;
  }
}

}  // namespace lumagraph
