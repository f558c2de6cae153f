// The display commands: modes, display configurations, ports, rotation,
// flip, attributes, the display-port mapping and the video frame rate.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/command_table.h"

// Modes and display configurations
opal_exit_t cmd_get_current_disp_mode(cmd_args_t* args);
opal_exit_t cmd_set_display_mode(cmd_args_t* args);
opal_exit_t cmd_get_cur_dc(cmd_args_t* args);
opal_exit_t cmd_set_scrn_res(cmd_args_t* args);
opal_exit_t cmd_get_dc_list(cmd_args_t* args);
opal_exit_t cmd_get_drv_mode_list(cmd_args_t* args);
opal_exit_t cmd_get_disp_port_map(cmd_args_t* args);
opal_exit_t cmd_get_video_fps(cmd_args_t* args);

// Ports, rotation, flip and attributes
opal_exit_t cmd_get_rot_status(cmd_args_t* args);
opal_exit_t cmd_get_port_attrib(cmd_args_t* args);
opal_exit_t cmd_enable_port(cmd_args_t* args);
opal_exit_t cmd_disable_port(cmd_args_t* args);
opal_exit_t cmd_rotate(cmd_args_t* args);
opal_exit_t cmd_flip(cmd_args_t* args);

// The words the display commands take.

// True when `text` is `word` in any letter case.
bool word_is(const char* text, const char* word);

// Port number of a port-type word ("LVDS", "tv"), 0 for any other text.
uint32_t port_type_number(const char* word);
// Every port-type word, as the help texts write them.
std::vector<std::string> port_type_words();
// Configuration type of a keyword ("single", "Clone"), 0 for any other text.
uint32_t config_keyword_type(const char* word);
// "MULTI_TYPE_CLONE" and its siblings, "Unknown" for other values.
const char* config_type_name(uint32_t type);
// Name of the port role held by dc nibble 1..7 ("PRIMARY_MASTER").
const char* port_role_name(uint32_t nibble);

// A decimal number of up to 32 bits and nothing else: "1a", "-1" and ""
// do not read.
bool parse_decimal(const char* text, uint32_t& value);

// A mode text: width, height and refresh joined by X.
struct ModeText {
  uint16_t width = 0, height = 0, refresh = 0;
};
enum class ModeTextResult { Ok, TooFewPieces, OutOfRange };
// Reads "1024x768x60" in any letter case. A piece without leading digits
// reads as 0; fewer than three pieces, or a number above 65535, do not read.
ModeTextResult parse_mode_text(const char* text, ModeText& mode);
