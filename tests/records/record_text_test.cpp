#include "records/record_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct XmlCase {
  std::string in;
  std::string text;       // as character data
  std::string attribute;  // as an attribute value
};

TEST(RecordText, XmlEscapesMarkupAndWritesWhatXmlCannotCarryAsHex) {
  const XmlCase cases[] = {
      {"plain", "plain", "plain"},
      {"a<b>&\"'", "a&lt;b&gt;&amp;&quot;&apos;", "a&lt;b&gt;&amp;&quot;&apos;"},
      {"]]>", "]]&gt;", "]]&gt;"},
      {"tab\tline\nend\r", "tab\tline\nend&#13;", "tab&#9;line&#10;end&#13;"},
      {std::string("nul\0x", 5), "nul\\x00x", "nul\\x00x"},
      {"\x01\x1b\x7f", "\\x01\\x1B\\x7F", "\\x01\\x1B\\x7F"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
       "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
      // A lone continuation, a cut sequence, an overlong form, a surrogate,
      // a byte no sequence starts with, and U+FFFF.
      {"\x80 \xC3( \xC0\xAF \xED\xA0\x80 \xFF \xEF\xBF\xBF", "\\x80 \\xC3( \\xC0\\xAF \\xED\\xA0\\x80 \\xFF \\xEF\\xBF\\xBF",
       "\\x80 \\xC3( \\xC0\\xAF \\xED\\xA0\\x80 \\xFF \\xEF\\xBF\\xBF"},
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80", "\\xF4\\x90\\x80\\x80"},
  };
  for (const XmlCase& c : cases) {
    EXPECT_EQ(records::xml_escaped(c.in), c.text) << c.in;
    EXPECT_EQ(records::xml_escaped(c.in, true), c.attribute) << c.in;
  }
}

TEST(RecordText, Utf8CheckAcceptsWellFormedTextOnly) {
  EXPECT_TRUE(records::is_utf8(""));
  EXPECT_TRUE(records::is_utf8("ascii \x01 control"));
  EXPECT_TRUE(records::is_utf8("\xF4\x8F\xBF\xBF"));  // U+10FFFF, the last code point
  for (const char* bad : {"\xC3", "\xE2\x82", "\xC1\xBF", "\xE0\x80\xAF", "\xED\xBF\xBF", "\xF8\x88\x80\x80\x80", "\xFE"})
    EXPECT_FALSE(records::is_utf8(bad)) << bad;
}

TEST(RecordText, HexBytesAreLowerCaseTwoDigitsEach) {
  const unsigned char bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(records::hex_bytes(bytes, sizeof bytes), "000fa5ff");
  EXPECT_EQ(records::hex_bytes(bytes, 0), "");
}

}  // namespace
