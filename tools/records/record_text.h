// Text from the machine on its way into JSON and XML: it may hold any byte
// (a profile, a registry value or an EDID string can plant quotes, markup,
// control bytes or bytes that are not UTF-8).
#pragma once
#include <cstddef>
#include <string>

namespace records {

// Length of the well-formed UTF-8 sequence at `p` (at most `left` bytes);
// 0 for a byte that starts none (overlong forms and surrogates included).
size_t utf8_sequence(const unsigned char* p, size_t left);
bool is_utf8(const std::string& text);

// The text as XML 1.0 character data or attribute value: markup escaped,
// and every byte XML cannot carry (control bytes other than tab, line feed
// and carriage return, bytes that are not UTF-8, U+FFFE and U+FFFF) written
// as the four characters "\xNN". In an attribute value tabs and line ends
// are kept as character references.
std::string xml_escaped(const std::string& text, bool attribute = false);

// Lower-case hex of the bytes.
std::string hex_bytes(const void* bytes, size_t size);

}  // namespace records
