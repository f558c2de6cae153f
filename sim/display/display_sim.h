// The simulated Windows display: display devices (screens), their
// settings, device contexts with driver escapes, and the Lumagraph driver
// behind the screens it drives.
//
// Profile sections read here:
//   [screen N]   name, string, driver (lumagraph|foreign), head (0|1),
//                primary, attached, shown (always|extended), width, height,
//                depth, refresh
//   [lumagraph]  the driver's ports, dcs, dc, no_enable, signature, crc_frames
//   [faults]     no_screens; escape_zero = screen index (or "all") whose driver answers
//                every escape with 0; create_dc = screen index whose device
//                context cannot be created; driver_reply = a hostile reply
//                of the driver (see lumagraph_driver.h)
// Without [screen N] sections the machine has one Lumagraph screen plus the
// driver's second head, shown while an extended dc is set.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine.h"
#include "oal/win_types.h"

namespace sim {

// Every display-settings change the screens saw, oldest first, as
// "<device> <w>x<h>x<bpp>@<hz> 0x<flags>", "<device> detach 0x<flags>",
// "commit", "set_dc 0x<dc>" for each configuration switch the driver was
// sent, or "sim <w>x<h>x<bpp>@<hz> 0x<flags>" for the simulation
// library's calls (tests).
SIM_API std::vector<std::string> display_changes();
SIM_API void clear_display_changes();

// The simulation library's entries, over the same driver model.
SIM_API int lumagraph_sim_escape(int32_t code, int32_t in_size, const void* in, int32_t out_size,
                                 void* out);
SIM_API int lumagraph_sim_change_settings(DEVMODEA* mode, uint32_t flags);
// True when the machine boots and its driver is configured.
SIM_API bool lumagraph_sim_ready();

// What the display hardware shows: the mode of each of the driver's two
// heads (pipe A and pipe B) and the state of each port of the driver.
struct PipeState {
  bool active = false;
  uint32_t width = 0, height = 0, depth = 0, refresh = 0;
  uint32_t rotation = 0;  // of the port that drives the head
  bool operator==(const PipeState&) const = default;
};
struct PortState {
  bool connected = false, enabled = false;
  int pipe = 0;
  bool operator==(const PortState&) const = default;
};
struct DisplayHardwareState {
  PipeState pipe[2];
  PortState port[9];  // by port number 1..8
  bool operator==(const DisplayHardwareState&) const = default;
};
SIM_API DisplayHardwareState display_hardware_state();

}  // namespace sim
