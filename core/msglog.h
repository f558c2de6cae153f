// The message log: one writer for every message, the debug volume that
// gates them, and the small text helpers that go with it.
#pragma once
#include <cstdint>

#include "lumainfo.h"
#include "oal/win_types.h"

// Process-wide verbosity: messages are written above 0, command traces
// above 1, display traces above 2.
extern uint32_t debug_volume;

// Set by a deliverable that writes its messages whatever the volume (the
// GUI's library, which has no way to change the volume).
extern const bool kMessagesUngated;

inline bool vol_above(uint32_t level) { return kMessagesUngated || debug_volume > level; }

// Cut point of a formatted message.
constexpr int kMessageMax = 260;
// Console text attributes by message type.
constexpr uint16_t kAttrNormal = 7;
uint16_t attribute_for_type(int type);

// A second destination for every message: the console an interactive
// session runs at, in the message's colour, while the log stays plain.
// nullptr detaches it.
void set_message_terminal(HANDLE console);
// A line of a console's own listing (help): the log and the terminal, not
// the debugger.
void write_listing_line(const char* text);

// Writes the system's text for the calling thread's last error.
void print_last_error();
// Writes the system's text for `code` (type 4, when the volume is above 0).
void print_error_text(uint32_t code);
