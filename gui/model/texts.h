// The texts the pages show: mode and depth texts, configuration labels,
// port display names, and the conversion between the library's narrow
// texts and the window's wide ones.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "display_state.h"

namespace gui {

// "%dx%d@%d", or "%dx%di@%d" with the refresh doubled for an interlaced mode.
std::string mode_text(const opal_mode_t& mode);
// The current mode of the display a port shows, by the same rule.
std::string current_mode_text(const opal_port_info_t& info);
// "8", "16" or "32"; any other depth shows as "32".
std::string depth_text(uint32_t depth);
// Bits per pixel of a depth text ("8", "16", "24", "32"); 0 for any other.
uint16_t depth_of_text(const std::string& text);
// The display name of a port: the first 12 characters of its user alias.
std::string port_display_name(const opal_port_info_t& info);

// Ports of a dc's display (0 primary, 1 secondary), in field order,
// leaving out unused fields and port numbers the per-port arrays lack.
std::vector<uint32_t> dc_ports(uint32_t dc, int display);
// Every port of a dc, primary display first.
std::vector<uint32_t> dc_all_ports(uint32_t dc);
// The number of port fields a dc uses (any port number).
int dc_port_count(uint32_t dc);
// True when every used field names a port 1..8.
bool dc_ports_valid(uint32_t dc);

// A dc with its ports text per display and its label; `swapped`
// exchanges the texts of an extended dc.
DcEntry make_dc_entry(uint32_t dc, const DisplayState& state, bool swapped);
// The configurations offered, in display order: single, twin, clone,
// extended, each in driver order, two ports at most, known ports only.
std::vector<uint32_t> offered_dcs(const std::vector<uint32_t>& driver_list);

// Narrow library text to window text: 256 characters or more become "NA".
// Window text to narrow: a result outside 1..255 characters becomes "NA".
class CConverter {
 public:
  using Widen = std::wstring (*)(const std::string&);
  using Narrow = std::string (*)(const std::wstring&);
  static std::wstring to_wide(const std::string& text);
  static std::string to_narrow(const std::wstring& text);
  // The code page conversion; the portable default maps ISO 8859-1, the
  // Windows view installs the ANSI code page.
  static void use_code_page(Widen widen, Narrow narrow);
};

}  // namespace gui
