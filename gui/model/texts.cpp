#include "texts.h"

#include <cstdio>
#include <cstring>

namespace gui {
namespace {

std::string format_mode(unsigned long w, unsigned long h, unsigned long refresh, bool interlaced) {
  char buf[64];
  if (interlaced)
    std::snprintf(buf, sizeof buf, "%lux%lui@%lu", w, h, refresh * 2);
  else
    std::snprintf(buf, sizeof buf, "%lux%lu@%lu", w, h, refresh);
  return buf;
}

std::string join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += ", ";
    out += p;
  }
  return out;
}

std::wstring latin1_widen(const std::string& text) {
  std::wstring out;
  for (unsigned char c : text) out += static_cast<wchar_t>(c);
  return out;
}

std::string latin1_narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?';
  return out;
}

CConverter::Widen widen_fn = latin1_widen;
CConverter::Narrow narrow_fn = latin1_narrow;

}  // namespace

std::string mode_text(const opal_mode_t& mode) {
  return format_mode(mode.width, mode.height, mode.refresh, (mode.flags & OPAL_MODE_INTERLACED) != 0);
}

std::string current_mode_text(const opal_port_info_t& info) {
  return format_mode(info.width, info.height, info.refresh, (info.mode_flags & OPAL_MODE_INTERLACED) != 0);
}

std::string depth_text(uint32_t depth) {
  std::string text = std::to_string(depth);
  for (const char* d : kDepthTexts)
    if (text == d) return text;
  return "32";
}

uint16_t depth_of_text(const std::string& text) {
  static const char* const kDepths[] = {"8", "16", "24", "32"};
  static const uint16_t kBits[] = {8, 16, 24, 32};
  for (size_t i = 0; i < 4; ++i)
    if (text == kDepths[i]) return kBits[i];
  return 0;
}

std::string port_display_name(const opal_port_info_t& info) {
  return std::string(info.user_alias, strnlen(info.user_alias, 12));
}

std::vector<uint32_t> dc_ports(uint32_t dc, int display) {
  std::vector<uint32_t> ports;
  uint32_t first = display == 0 ? PRIMARY_MASTER : SECONDARY_MASTER;
  uint32_t last = display == 0 ? PRIMARY_TWIN3 : SECONDARY_TWIN2;
  for (uint32_t nibble = first; nibble <= last; ++nibble) {
    uint32_t port = OPAL_DC_FIELD(dc, nibble);
    if (port >= 1 && port <= OPAL_MAX_PORT) ports.push_back(port);
  }
  return ports;
}

std::vector<uint32_t> dc_all_ports(uint32_t dc) {
  std::vector<uint32_t> ports = dc_ports(dc, 0);
  for (uint32_t p : dc_ports(dc, 1)) ports.push_back(p);
  return ports;
}

int dc_port_count(uint32_t dc) {
  int n = 0;
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble) n += OPAL_DC_FIELD(dc, nibble) != 0;
  return n;
}

bool dc_ports_valid(uint32_t dc) {
  for (uint32_t nibble = PRIMARY_MASTER; nibble <= SECONDARY_TWIN2; ++nibble)
    if (OPAL_DC_FIELD(dc, nibble) > OPAL_MAX_PORT) return false;
  return true;
}

DcEntry make_dc_entry(uint32_t dc, const DisplayState& state, bool swapped) {
  DcEntry e;
  e.dc = dc;
  std::vector<std::string> names[2];
  for (int d = 0; d < 2; ++d)
    for (uint32_t p : dc_ports(dc, d)) names[d].push_back(state.ports[p].name);
  e.primary = join(names[0]);
  e.secondary = join(names[1]);
  switch (OPAL_DC_TYPE(dc)) {
    case MULTI_TYPE_SINGLE:
      e.label = e.primary + " ( single )";
      break;
    case MULTI_TYPE_TWIN:
      e.label = e.primary + " ( twin )";
      break;
    case MULTI_TYPE_CLONE:
      e.label = e.primary + " ( clone ) " + e.secondary;
      break;
    case MULTI_TYPE_EXTENDED:
      if (swapped) std::swap(e.primary, e.secondary);
      e.label = e.primary + " ( extend ) " + e.secondary;
      break;
    default:
      e.label = e.primary;
      break;
  }
  return e;
}

std::vector<uint32_t> offered_dcs(const std::vector<uint32_t>& driver_list) {
  std::vector<uint32_t> out;
  for (uint32_t type : {MULTI_TYPE_SINGLE, MULTI_TYPE_TWIN, MULTI_TYPE_CLONE, MULTI_TYPE_EXTENDED})
    for (uint32_t dc : driver_list)
      if (OPAL_DC_TYPE(dc) == type && dc_port_count(dc) <= 2 && dc_ports_valid(dc)) out.push_back(dc);
  return out;
}

std::wstring CConverter::to_wide(const std::string& text) {
  if (text.size() >= 256) return L"NA";
  return widen_fn(text);
}

std::string CConverter::to_narrow(const std::wstring& text) {
  std::string out = narrow_fn(text);
  if (out.empty() || out.size() > 255) return "NA";
  return out;
}

void CConverter::use_code_page(Widen widen, Narrow narrow) {
  widen_fn = widen ? widen : latin1_widen;
  narrow_fn = narrow ? narrow : latin1_narrow;
}

}  // namespace gui
