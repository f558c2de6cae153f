// Shared pieces of the display functions.
#pragma once
#include <cstdint>

#include "core/escape.h"
#include "lumainfo.h"

// Payload of VARNEL_ESCAPE_SET_DC.
struct SetDcPayload {
  uint32_t dc;
  uint16_t primary_width, primary_height, primary_refresh;
  uint8_t zero1[6];
  uint16_t secondary_width, secondary_height, secondary_refresh;
  uint8_t zero2[6];
  uint16_t primary_width2, primary_height2, primary_depth;
  uint16_t secondary_width2, secondary_height2, secondary_depth;
};
static_assert(sizeof(SetDcPayload) == 40);

// Builds the payload opal_set_dc sends (second copies of the sizes left 0).
SetDcPayload make_set_dc_payload(uint32_t dc, const opal_mode_t* primary, const opal_mode_t* secondary,
                                 uint16_t primary_depth, uint16_t secondary_depth);
// opal_set_dc with a prepared payload (the console fills the second copies).
opal_exit_t set_dc_payload(const SetDcPayload& payload, uint32_t flags);

// Which screens show the primary and the secondary display of a dc.
struct ScreenAssignment {
  uint32_t primary_screen = 0;
  uint32_t secondary_screen = 1;
  bool primary_is_windows_primary = true;
  bool secondary_is_windows_primary = false;
  uint32_t flags = 0;  // OPAL_APPLY_PRIMARY, OPAL_APPLY_SECONDARY
};
ScreenAssignment assign_screens(uint32_t dc, uint32_t flags);
// Brings the Windows screens in line with a configuration; detach_first
// removes the screen that is not the Windows primary one.
bool apply_to_screens(const SetDcPayload& p, const ScreenAssignment& a, bool detach_first);

// Reads the current dc: 0 and its value, or the escape's failure status.
opal_exit_t read_current_dc(uint32_t* dc);

// The name of a dc into `name` (OPAL_DC_NAME_SIZE bytes).
void dc_name(uint32_t dc, char* name);

// Largest table the library allocates for a driver-supplied count.
constexpr uint32_t kMaxTableBytes = 64u * 1024u * 1024u;
