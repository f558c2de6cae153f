// The GUI's model: the display state in its three copies (working,
// last-applied, confirmed), loading it from the library, the edits the
// pages make, the apply engine that turns differences into library calls,
// and the end of a confirmation. Everything but drawing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "display_state.h"

namespace gui {

// Results of apply(): 0, kSetModeFailed, or any other non-zero status (an
// internal error, after which the state is released).
constexpr int kSetModeFailed = 1;

inline const char* const kLoadFailedText = "Error Detected! Aborting. Please verify if LUMA is active.";
inline const char* const kSetModeFailedText = "Set mode failed. Check the resolution!";
inline const char* const kInternalErrorText = "Internal Error detected! Aborting";

// Sorts a port's attribute table into the rows the attributes page has:
// unknown types and read-only records (with their list entries) are
// skipped; a list's entry count never reaches past the table.
SortedAttributes sort_attributes(const opal_port_attribute_t* table, uint32_t count);
// True when the screen that shows port `master` in a display-port mapping
// is not the Windows primary screen (the state is then kept swapped).
bool master_off_primary_screen(const opal_disp_port_map_t* map, uint32_t screens, uint32_t master);
// A slider position for a 32-bit value: values above what a track bar
// holds are clamped.
int32_t track_value(uint32_t value);

enum class Surface { Framebuffer, Overlay };
enum class Level { Gamma, Brightness, Contrast, Saturation };
// -1 chooses all three channels.
constexpr int kAllChannels = -1;

// What one slider of the colour page shows.
struct SliderView {
  bool visible = false, enabled = false;
  int min = 0, max = 0, position = 0;
  std::string text;
};

class DisplayModel {
 public:
  // Loads the state from the library; on success the working,
  // last-applied and confirmed copies are equal. 0 or the failing status.
  int load();
  // opal_close and forget every copy: the pages become inert.
  void release();
  bool loaded() const { return loaded_; }

  const DisplayState& working() const { return working_; }
  const DisplayState& last_applied() const { return last_applied_; }
  const DisplayState& confirmed() const { return confirmed_; }
  bool modified() const { return modified_; }

  // ---- "Display Config" edits (screen 0 is the Windows primary screen)
  // Makes a configuration the working choice with its mode lists; false
  // when the mode lists cannot be read (an internal error).
  bool select_dc(uint32_t dc);
  void set_mode(int screen, const std::string& text);
  void set_depth(int screen, const std::string& text);
  void set_port_enabled(uint32_t port, bool enabled);
  // The "Rotate" box position: 0, 90, 180, 270 degrees.
  void set_rotation(uint32_t port, uint32_t box_position);
  void set_flip(uint32_t port, uint32_t flip);

  // ---- "Display Attributes" edits: rows as in SortedAttributes
  enum class Row { Range, List, Bool };
  // Range: the slider's position; List: the position of the chosen entry
  // (stored plus 1); Bool: checked or not.
  void set_attribute(uint32_t port, Row row, size_t index, int32_t value);
  // The position a list row selects, or -1 when its value is outside the list.
  static int list_selection(const ListAttribute& list);
  // Ports of the current dc for the attributes page, and the one selected
  // after `previous` (kept while it is part of the dc).
  std::vector<uint32_t> attribute_ports(uint32_t previous, uint32_t* selected) const;

  // ---- "Color Correction"
  std::vector<uint32_t> colour_ports(uint32_t previous, uint32_t* selected) const;
  SliderView colour_slider(Surface surface, uint32_t port, int channel, Level level) const;
  void set_colour(Surface surface, uint32_t port, int channel, Level level, int position);
  void restore_defaults(Surface surface, uint32_t port);

  // ---- applying
  // The engine behind every page's Apply and OK.
  int apply();
  // Whether the last apply made a library call.
  bool called() const { return called_; }
  // The user kept the settings: they become the confirmed state.
  void keep();
  // No answer or "No": the confirmed state becomes the working state, its
  // mode lists are read again; then each created page applies (`pages`
  // times). Returns the first non-zero apply result.
  int revert(int pages);

 private:
  int read_state(DisplayState& s);
  bool read_mode_lists(DisplayState& s, uint32_t dc, bool keep_choice);
  bool swapped_for(const DisplayState& s, uint32_t dc) const;
  int switch_configuration(uint32_t flags);
  int apply_ports();
  int apply_attributes();
  int apply_colour();
  int apply_overlay();
  void touch() { modified_ = true; }
  PortState* port_state(uint32_t port);

  DisplayState working_, last_applied_, confirmed_;
  bool loaded_ = false;
  bool modified_ = false;
  bool called_ = false;
};

}  // namespace gui
