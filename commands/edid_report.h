// The EDID report: a monitor's 128-byte identification block printed as a
// raw dump and translated field by field, from a port or from a text file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "core/command_table.h"

constexpr size_t kEdidBlockSize = 128;

// Receives each line of a report (without its line break).
using EdidLineSink = std::function<void(const char* line)>;

// Decodes one block into `sink`: the raw dump, then the translation, which
// stops after the checksum message when the bytes do not sum to 0.
void decode_edid(const uint8_t (&block)[kEdidBlockSize], const EdidLineSink& sink);
// The same through the message writer (type 4, when the debug volume is
// above 0).
void write_edid_report(const uint8_t (&block)[kEdidBlockSize]);

opal_exit_t cmd_get_edid_info(cmd_args_t* args);
