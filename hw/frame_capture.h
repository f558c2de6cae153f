// What the display shows: the pipe CRC unit, a byte-exact copy of a
// rectangle of a plane's surface, and that copy as hex/text lines or as a
// BMP image.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/command_table.h"

// Bytes per pixel of a plane's pixel format (control AND 0x3C000000); 0
// for a format that cannot be captured.
uint32_t plane_bytes_per_pixel(uint32_t control);

// The bytes of the graphics aperture that reads must stay inside: the
// family's aperture size, or the largest any device has when the family
// reports none it can size (a host bridge word that is no byte count).
uint64_t aperture_bound();

// Lines of 16 bytes: offset, hex and text, starting at `offset`.
void print_hex_ascii(const uint8_t* bytes, uint32_t offset, size_t count);

// The captured pixels (each pixel's bytes most significant first, rows top
// down) of a plane whose control word is `control`, as a 24-bit BMP file.
// Empty when the format cannot be shown or the size is not the picture's.
std::vector<uint8_t> frame_to_bmp(const uint8_t* pixels, size_t size, uint32_t columns, uint32_t rows,
                                  uint32_t control);

// Handler bodies: the hardware table's head answers null records and help.
opal_exit_t cmd_get_crc_values(cmd_args_t* args);
opal_exit_t cmd_get_frame_buffer(cmd_args_t* args);

// The driver's video CRC collection and the surface-data request.
opal_exit_t cmd_video_crc_start(cmd_args_t* args);
opal_exit_t cmd_video_crc_stop(cmd_args_t* args);
opal_exit_t cmd_get_crc(cmd_args_t* args);
opal_exit_t cmd_get_crc_debug_info(cmd_args_t* args);
opal_exit_t cmd_get_surface_data(cmd_args_t* args);
