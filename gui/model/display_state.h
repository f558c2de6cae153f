// The display state the GUI's pages show and edit: the driver's identity,
// the offered configurations, per port its name, state, attributes and
// colour values, the modes of the two screens and the overlay colours.
// Plain values, so the working, last-applied and confirmed copies are
// ordinary copies.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "lumaui.h"

namespace gui {

// Per-port arrays are indexed by port number 1..8; slot 0 stays unused.
constexpr uint32_t kPortSlots = OPAL_MAX_PORT + 1;
// Rows of the attributes page.
constexpr size_t kRangeRows = 15, kListRows = 5, kBoolRows = 5;
// Depth texts of the depth boxes.
inline const char* const kDepthTexts[] = {"8", "16", "32"};

struct ListAttribute {
  opal_port_attribute_t attribute{};
  std::vector<opal_port_attribute_t> entries;
};

// The attributes of a port that the attributes page offers, in table order.
struct SortedAttributes {
  std::vector<opal_port_attribute_t> ranges;  // at most kRangeRows
  std::vector<ListAttribute> lists;           // at most kListRows
  std::vector<opal_port_attribute_t> bools;   // at most kBoolRows
};

enum Channel { kRed = 0, kGreen = 1, kBlue = 2 };

// Frame-buffer colour values of one port, with the attribute records they
// are sent back in.
struct PortColour {
  std::array<float, 3> gamma{1.0f, 1.0f, 1.0f};
  std::array<int, 3> brightness{0, 0, 0};
  std::array<int, 3> contrast{0, 0, 0};
  bool has_gamma = false, has_brightness = false, has_contrast = false;
  opal_port_attribute_t gamma_record{}, brightness_record{}, contrast_record{};
};

// Overlay colour values on the GUI's scales: gamma per channel, the rest 0..200.
struct OverlayColour {
  std::array<float, 3> gamma{1.0f, 1.0f, 1.0f};
  int brightness = 100, contrast = 100, saturation = 100;
  bool gamma_supported = false, levels_supported = false;
};

struct PortState {
  bool present = false;  // the driver answered for the port
  std::string name = "NA";
  opal_port_info_t info{};
  bool enabled = false;
  uint32_t rotation = 0, flip = 0;
  SortedAttributes attributes;
  PortColour colour;
};

// One screen's modes: the driver's records, their texts, and the choice.
struct ScreenModes {
  std::vector<opal_mode_t> modes;
  std::vector<std::string> texts;
  std::string mode;
  std::string depth;
};

// An offered configuration with its texts.
struct DcEntry {
  uint32_t dc = 0;
  std::string primary, secondary, label;
};

struct DisplayState {
  std::string product, second_text, version, build, date;
  std::vector<DcEntry> dcs;  // offered: single, twin, clone, extended
  DcEntry current;           // what the driver runs
  uint32_t selected_dc = 0;  // the working choice
  std::array<PortState, kPortSlots> ports;
  // Screen 0 is the Windows primary screen, screen 1 the other one.
  std::array<ScreenModes, 2> screens;
  OverlayColour overlay;
  bool secondary_mode_editable = false;
  bool secondary_depth_editable = false;
  // The current dc is extended and its primary display is not on the
  // Windows primary screen: the screens are kept exchanged.
  bool swapped = false;
  // A twin configuration was newly chosen: its ports get their rotation
  // and flip sent again after the switch.
  bool pending_rotation = false;
};

}  // namespace gui
