#include <cstring>
#include <string>
#include <vector>

#include "core/msglog.h"
#include "hw/raw_access.h"

void print_hex_units(const void* buffer, const hex_marker_t* markers, uint32_t start, uint32_t words,
                     uint32_t unit, uint32_t per_line, uint32_t marker_count) {
  if (!buffer || !unit || !per_line || !vol_above(0)) return;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  const uint64_t total = uint64_t(words) * 4;
  if (!markers) marker_count = 0;
  std::string line;
  std::vector<uint32_t> noted;
  uint32_t in_line = 0;
  char piece[32];
  for (uint64_t pos = 0; pos < total; pos += unit) {
    uint32_t address = static_cast<uint32_t>(start + pos);
    if (in_line == 0) {
      std::snprintf(piece, sizeof piece, "%08lX    ", static_cast<unsigned long>(address));
      line = piece;
      noted.clear();
    }
    // The unit's bytes, little-endian; a unit cut by the buffer's end reads what is there.
    uint32_t value = 0;
    uint32_t width = unit == 2 || unit == 4 ? unit : 1;
    for (uint32_t i = 0; i < width && pos + i < total; ++i) value |= uint32_t(bytes[pos + i]) << (8 * i);
    if (width == 4)
      std::snprintf(piece, sizeof piece, " %08lX", static_cast<unsigned long>(value));
    else if (width == 2)
      std::snprintf(piece, sizeof piece, " %04X", value);
    else
      std::snprintf(piece, sizeof piece, " %02X", value);
    line += piece;
    for (uint32_t m = 0; m < marker_count; ++m)
      if (markers[m].address - address < unit) noted.push_back(m);
    if (++in_line == per_line) {
      if (!noted.empty()) {
        line += " <--- ";
        for (size_t i = 0; i < noted.size(); ++i) {
          if (i) line += ",";
          line += " ";
          line += std::string(markers[noted[i]].name, strnlen(markers[noted[i]].name, sizeof markers[0].name));
        }
      }
      writeMsg(MSG_PLAIN, "%s", line.c_str());
      in_line = 0;
    }
  }
  if (in_line) writeMsg(MSG_PLAIN, "%s", line.c_str());
}
