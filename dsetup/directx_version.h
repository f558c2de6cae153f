// The installed DirectX version as the registry keeps it, "4.09.00.0904"
// (the Version value of HKLM\SOFTWARE\Microsoft\DirectX), turned into the
// two numbers DirectXSetupGetVersion reports: the version (major and minor
// in the high and low word, 0x00040009) and the revision (the third and
// fourth fields, 0x00000388).
#pragma once
#include <cstddef>
#include <cstdint>

namespace dsetup {

// `text` holds `size` bytes of registry data, with or without terminating
// zeros. False, leaving the outputs alone, unless it is exactly four
// decimal fields separated by dots, each 0 to 65535.
inline bool version_from_text(const char* text, size_t size, uint32_t* version, uint32_t* revision) {
  if (!text || !version || !revision) return false;
  while (size && text[size - 1] == '\0') --size;
  uint32_t field[4] = {};
  int count = 0;
  size_t digits = 0;
  for (size_t i = 0; i <= size; ++i) {
    char c = i < size ? text[i] : '.';
    if (c >= '0' && c <= '9') {
      if (++digits > 5) return false;
      field[count] = field[count] * 10 + static_cast<uint32_t>(c - '0');
      if (field[count] > 0xFFFF) return false;
    } else if (c == '.' && digits) {
      // The end of the text closes the fourth field; a dot after it is one too many.
      ++count;
      digits = 0;
      if (count == 4 && i < size) return false;
    } else {
      return false;
    }
  }
  if (count != 4) return false;
  *version = field[0] << 16 | field[1];
  *revision = field[2] << 16 | field[3];
  return true;
}

}  // namespace dsetup
