// Text into HTML: everything that comes from the machine passes through
// these, so no byte of it is ever read as markup.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Appends `text` escaped for an element's content or a quoted attribute
// value: & < > " ' become references, control bytes other than tab and
// line feed become U+FFFD, and bytes that are not UTF-8 become U+FFFD.
void append_escaped(std::string& out, std::string_view text);
std::string html_escaped(std::string_view text);

// Appends "0x" and `value` in upper-case hexadecimal, at least `digits` digits.
void append_hex(std::string& out, uint32_t value, int digits = 1);

// The standard base64 form of bytes given as hexadecimal text (a digest
// as CMake prints it); empty when the text is not whole bytes of hex.
std::string base64_of_hex(std::string_view hex);
