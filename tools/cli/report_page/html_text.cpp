#include "html_text.h"

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of `s`, 0 when
// it is not one (overlong forms, surrogates and values past U+10FFFF too).
size_t utf8_sequence(std::string_view s) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char c = byte(0);
  size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
  if (c >= 0xF5 || n == 0 || s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  if (n == 3 && c == 0xE0 && byte(1) < 0xA0) return 0;  // overlong
  if (n == 3 && c == 0xED && byte(1) >= 0xA0) return 0;  // surrogate
  if (n == 4 && c == 0xF0 && byte(1) < 0x90) return 0;  // overlong
  if (n == 4 && c == 0xF4 && byte(1) >= 0x90) return 0;  // past U+10FFFF
  return n;
}

}  // namespace

void append_escaped(std::string& out, std::string_view text) {
  size_t plain = 0;  // start of the run of bytes copied as they are
  auto flush = [&](size_t at) {
    out.append(text.data() + plain, at - plain);
  };
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    const char* ref = nullptr;
    size_t skip = 1;
    if (c >= 0x80) {
      size_t n = utf8_sequence(text.substr(i));
      if (n) {
        i += n;
        continue;
      }
      ref = kReplacement;
    } else if (c >= 0x20 && c != 0x7F) {
      switch (c) {
        case '&': ref = "&amp;"; break;
        case '<': ref = "&lt;"; break;
        case '>': ref = "&gt;"; break;
        case '"': ref = "&quot;"; break;
        case '\'': ref = "&#39;"; break;
        default: ++i; continue;
      }
    } else if (c == '\t' || c == '\n') {
      ++i;
      continue;
    } else {
      ref = kReplacement;
    }
    flush(i);
    out += ref;
    i += skip;
    plain = i;
  }
  flush(text.size());
}

std::string html_escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped(out, text);
  return out;
}

void append_hex(std::string& out, uint32_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value || n < digits);
  out += "0x";
  while (n) out += buf[--n];
}

std::string base64_of_hex(std::string_view hex) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (hex.size() % 2) return {};
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) return {};
    bytes += static_cast<char>(hi << 4 | lo);
  }
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    size_t left = bytes.size() - i;
    if (left > 1) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (left > 2) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += left > 1 ? kAlphabet[v >> 6 & 63] : '=';
    out += left > 2 ? kAlphabet[v & 63] : '=';
  }
  return out;
}
