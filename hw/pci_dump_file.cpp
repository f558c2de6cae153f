#include "hw/pci_dump_file.h"

#include <cctype>
#include <cstring>

bool PciDumpParser::line(const char* text, size_t length) {
  ++line_number_;
  if (length && text[length - 1] == '\r') --length;
  if (length > kMaxLine) {
    error_ = "line " + std::to_string(line_number_) + " is longer than " + std::to_string(kMaxLine) + " characters";
    return false;
  }
  const char* colon = static_cast<const char*>(std::memchr(text, ':', length));
  if (!colon) return true;
  const char* p = colon + 1;
  const char* end = text + length;
  bool first = true;
  for (; p < end; first = false) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    const char* piece = p;
    while (p < end && *p != ' ' && *p != '\t') ++p;
    if (piece == p) break;
    // One byte: one or two hex digits, optionally after "0x".
    const char* digits = piece;
    if (p - digits > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits += 2;
    bool ok = p - digits >= 1 && p - digits <= 2;
    for (const char* d = digits; ok && d < p; ++d) ok = std::isxdigit(static_cast<unsigned char>(*d)) != 0;
    // A line that does not start with a byte value is a title
    // ("00:02.0 VGA compatible controller"); a data line is bytes only.
    if (!ok && first) return true;
    if (!ok) {
      error_ = "line " + std::to_string(line_number_) + ": not a byte value: " + std::string(piece, p);
      return false;
    }
    unsigned value = 0;
    for (const char* d = digits; d < p; ++d)
      value = value * 16 + (std::isdigit(static_cast<unsigned char>(*d)) ? *d - '0' : (std::tolower(*d) - 'a' + 10));
    if (values_ < kSpaceSize)
      space_[values_++] = static_cast<uint8_t>(value);
    else
      overflow_ = true;
  }
  return true;
}
