// The report page writer on its own: escaping, the policy's digests, and
// a page of a made-up log whose every text tries to become markup.
#include <gtest/gtest.h>

#include <string>

#include "compare_logs.h"
#include "hw/hw_regs.h"
#include "html_text.h"
#include "report_page.h"

namespace {

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(HtmlText, EscapesMarkupQuotesControlBytesAndBrokenUtf8) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"plain text 0x70180", "plain text 0x70180"},
      {"<script>alert(\"x\")</script>", "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"},
      {"a='1' & b", "a=&#39;1&#39; &amp; b"},
      {"&amp;", "&amp;amp;"},
      {"tab\tand\nline", "tab\tand\nline"},
      {std::string("nul\0bell\a\r\x7F", 11), "nul\xEF\xBF\xBD" "bell\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"Varnel\xC2\xAE \xE2\x86\x92 \xF0\x9F\x96\xA5", "Varnel\xC2\xAE \xE2\x86\x92 \xF0\x9F\x96\xA5"},  // kept
      {"Varnel\xAE", "Varnel\xEF\xBF\xBD"},            // a Latin-1 byte
      {"\xC0\xBC" "b", "\xEF\xBF\xBD\xEF\xBF\xBD" "b"},  // an overlong '<'
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"cut \xE2\x86", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},  // a sequence cut short at the end
  };
  for (const Case& c : cases) EXPECT_EQ(html_escaped(c.in), c.out) << c.in;
}

TEST(HtmlText, Base64OfADigest) {
  // SHA-256 of nothing, as a content security policy names it.
  EXPECT_EQ(base64_of_hex("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"),
            "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=");
  EXPECT_EQ(base64_of_hex("66"), "Zg==");
  EXPECT_EQ(base64_of_hex("666f"), "Zm8=");
  EXPECT_EQ(base64_of_hex("666f6f"), "Zm9v");
  EXPECT_EQ(base64_of_hex("6"), "");
  EXPECT_EQ(base64_of_hex("zz"), "");
}

PageLog hostile_log() {
  const std::string evil = "</code></pre><script>document.title='x'</script><img src=x onerror=\"y()\">'\"&";
  PageLog log;
  log.path = "C:\\logs\\" + evil + ".log";
  log.tool = evil;
  log.version = evil;
  log.family = evil;
  PageCommand c;
  c.name = "GET_EDID_INFO";
  c.args = evil;
  c.exit_code = 5;
  c.exit_name = evil;
  c.add_line(4, "\tMonitor Name = " + evil);
  c.add_line(1, "ERROR: " + evil);
  log.commands.push_back(c);
  c = PageCommand();
  c.name = "GET_REG_INFO";
  for (const std::string& l : {"HKLM\\" + evil, std::string("VALUE NAME                  DATA"),
                               "Name                        " + evil, evil + "           : " + evil})
    c.add_line(4, l);
  log.commands.push_back(c);
  c = PageCommand();
  c.name = "GET_ALL_SOFTWARE";
  c.add_line(4, evil);
  log.commands.push_back(c);
  c = PageCommand();
  c.name = "GET_CHIPSET_NAME";
  c.add_line(4, "Chipset: 0x2B02, Revision: 0x2, Name: " + evil);
  log.commands.push_back(c);
  PageTable t;
  t.command = evil;
  PageRegister r;
  r.title = evil;
  r.name = evil;
  r.offset = 0x70180;
  r.value = 0x98000000;
  r.fields = {{evil, 31, 31, 1}, {"reserved1", 30, 0, 0x18000000}};
  t.registers.push_back(r);
  log.tables.push_back(t);
  return log;
}

TEST(ReportPage, EveryTextOfTheLogStaysText) {
  PageLog log = hostile_log();
  PageLog other = hostile_log();
  LogComparison cmp;
  cmp.family_ids[0] = cmp.family_ids[1] = 2;
  static const bit_field_t field{31, 31, "disp_plane_a_enable"};
  cmp.changes.push_back({0x70180, log.tables[0].registers[0].title, "plane_a_ctrl", 0x98000000, 0x18000000, {{&field, 1, 0}}});
  for (const std::string& page : {render_report_page(log), render_report_page(log, &other, &cmp)}) {
    // Only the page's own script and style: none from the log.
    EXPECT_EQ(count(page, "<script"), 1u);
    EXPECT_EQ(count(page, "</script>"), 1u);
    EXPECT_EQ(count(page, "<img"), 0u);
    EXPECT_EQ(count(page, "onerror=\""), 0u);
    EXPECT_EQ(count(page, "document.title='x'"), 0u);
    EXPECT_NE(page.find("&lt;script&gt;document.title=&#39;x&#39;&lt;/script&gt;"), std::string::npos);
  }
}

TEST(ReportPage, PolicyForbidsEverythingButItsOwnStyleAndScript) {
  std::string policy = report_page_policy();
  EXPECT_EQ(policy.find("default-src 'none'; style-src 'sha256-"), 0u) << policy;
  EXPECT_NE(policy.find("script-src 'sha256-"), std::string::npos) << policy;
  EXPECT_EQ(policy.find("unsafe"), std::string::npos) << policy;
  std::string page = render_report_page(hostile_log());
  EXPECT_NE(page.find("<meta http-equiv=\"Content-Security-Policy\" content=\"" + policy + "\">"), std::string::npos);
}

// The bit strip spans the register's 32 bits whatever the fields leave out.
TEST(ReportPage, BitStripCoversThirtyTwoBits) {
  PageLog log;
  log.path = "a.log";
  PageTable t;
  t.command = "GET_PLANE_REGS";
  PageRegister r;
  r.title = "Display A Plane Control Register";
  r.offset = 0x70180;
  r.value = 0x98000000;
  r.fields = {{"disp_plane_a_enable", 31, 31, 1}, {"disp_a_src_pxl_fmt", 29, 26, 6}, {"low", 3, 0, 0}};
  t.registers.push_back(r);
  log.tables.push_back(t);
  std::string page = render_report_page(log);
  size_t strip = page.find("<div class=\"strip\">");
  ASSERT_NE(strip, std::string::npos);
  std::string cells = page.substr(strip, page.find("</div>", strip) - strip);
  // [31] field, [30] gap, [29:26] field, [25:4] gap, [3:0] field.
  for (const char* cell : {"class=\"s1\"", "class=\"rsv s1\"", "class=\"s4\"", "class=\"rsv s22\"", "class=\"s4 z\""})
    EXPECT_NE(cells.find(cell), std::string::npos) << cell << "\n" << cells;
}

}  // namespace
