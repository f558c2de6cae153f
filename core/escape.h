// The transport of driver escapes to the Lumagraph screens, and the
// Windows display-settings changes that follow configuration changes.
#pragma once
#include <cstdint>

#include "escape_codes.h"
#include "lumainfo.h"

// At most this many display devices are looked at.
constexpr uint32_t kMaxScreens = 5;
constexpr uint32_t kAllScreens = 255;

// A Lumagraph screen as list_screens reports it.
struct ScreenEntry {
  uint32_t absolute;  // Windows display device index
  uint32_t relative;  // screen number among Lumagraph screens
  bool primary;       // Windows marks it as the primary display device
};

// 0 when a driver answered, 1 when none did.
int send_escape(const void* in, void* out, int32_t code, int32_t in_size, int32_t out_size);
// send_escape with the sender's failure message: 0 or EXIT_OS_CALL_ERROR.
opal_exit_t send_escape_checked(const void* in, void* out, int32_t code, int32_t in_size,
                                int32_t out_size);
// Writes "ERROR while sending <name> escape key" when the volume allows.
void report_escape_failure(int32_t code);

// 0 when the named device's driver carries the Lumagraph signature.
int check_driver_signature(const char* device_name);
bool read_primary_settings(uint32_t* depth, uint32_t* rotation, uint32_t* width, uint32_t* height,
                           uint32_t* refresh);
bool apply_screen_mode(uint32_t screen, uint16_t width, uint16_t height, uint16_t refresh,
                       uint32_t depth, uint32_t rotation_delta, bool flip_changed);
bool attach_screen_right(uint32_t width, uint32_t height, uint32_t refresh, uint32_t depth,
                         uint32_t screen);
bool detach_screen(uint32_t screen);
// Fills up to kMaxScreens entries.
void list_screens(ScreenEntry* table, uint32_t* count);
