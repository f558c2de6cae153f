// Pieces of the inventory commands that are tested on their own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "lumainfo.h"

// The DirectX version named by a DirectXSetupGetVersion revision, or "Unknown".
const char* directx_version_name(uint32_t revision);

// The largest INF file read; a larger one is refused, not allocated.
constexpr uint32_t kInfFileMax = 4u << 20;

// Reads "<Windows folder>\inf\<name>" whole into `text`, terminated after
// the bytes read. 4 when the path does not fit, the file cannot be opened,
// sized or read, or is larger than kInfFileMax.
opal_exit_t read_inf_file(const char* name, std::vector<char>& text);

// Calls `line` for every non-empty line of `size` bytes of text split at
// line feeds; a carriage return before a line feed stays with its line.
void for_each_inf_line(const char* text, size_t size, const std::function<void(const char*)>& line);
