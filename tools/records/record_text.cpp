#include "record_text.h"

#include <cstdio>

namespace records {

size_t utf8_sequence(const unsigned char* p, size_t left) {
  if (!left) return 0;
  unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (c >= 0xC2 && c <= 0xDF) n = 2;
  else if (c == 0xE0) n = 3, lo = 0xA0;
  else if (c == 0xED) n = 3, hi = 0x9F;  // no surrogates
  else if (c >= 0xE1 && c <= 0xEF) n = 3;
  else if (c == 0xF0) n = 4, lo = 0x90;
  else if (c >= 0xF1 && c <= 0xF3) n = 4;
  else if (c == 0xF4) n = 4, hi = 0x8F;
  else return 0;
  if (left < n || p[1] < lo || p[1] > hi) return 0;
  for (size_t i = 2; i < n; ++i)
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  return n;
}

bool is_utf8(const std::string& text) {
  auto p = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0, n; i < text.size(); i += n)
    if (!(n = utf8_sequence(p + i, text.size() - i))) return false;
  return true;
}

std::string xml_escaped(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size() + 16);
  auto p = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = p[i];
    size_t n = utf8_sequence(p + i, text.size() - i);
    // U+FFFE and U+FFFF are no XML characters either.
    bool noncharacter = n == 3 && c == 0xEF && p[i + 1] == 0xBF && (p[i + 2] == 0xBE || p[i + 2] == 0xBF);
    if (!n || noncharacter || (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", c);
      out += code;
      ++i;
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        // In an attribute value a reader would turn them into blanks.
        if (attribute && (c == '\t' || c == '\n' || c == '\r')) {
          out += c == '\t' ? "&#9;" : c == '\n' ? "&#10;" : "&#13;";
          break;
        }
        // A carriage return in character data would be read as a line feed.
        if (c == '\r') {
          out += "&#13;";
          break;
        }
        out.append(text, i, n);
    }
    i += n;
  }
  return out;
}

std::string hex_bytes(const void* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out(2 * size, '0');
  auto p = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < size; ++i) {
    out[2 * i] = kDigits[p[i] >> 4];
    out[2 * i + 1] = kDigits[p[i] & 0xF];
  }
  return out;
}

}  // namespace records
