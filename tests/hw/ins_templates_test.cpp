// The template file parser, the instruction decoder and the ring window,
// without a machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/ins_templates.h"
#include "hw/ring_commands.h"

namespace {

struct ParseCase {
  const char* what;
  std::string text;
  int error_line;  // 0: parses
  size_t templates;
};

TEST(InsTemplates, ParsesOrNamesTheFirstBadLine) {
  const std::string ok = "NOOP cp_all 0 0xFF800000 0 1\n";
  const std::vector<ParseCase> cases = {
      {"a comment and a template", "// names\n" + ok, 0, 1},
      {"CR LF line ends", "// x\r\nNOOP cp_all 0 0xFF800000 0 1\r\n", 0, 1},
      {"no line end at the end", "NOOP cp_all 0 0xFF800000 0 1", 0, 1},
      {"fields after the sixth are ignored", "NOOP cp_all 0 1 0 1 extra words\n", 0, 1},
      {"tabs separate fields", "NOOP\tdov\t0\t1\t0\t1\n", 0, 1},
      {"an empty line", ok + "\n" + ok, 2, 0},
      {"five fields", ok + "NOOP cp_all 0 1 0\n", 2, 0},
      {"mask 0", "// a\n// b\nX cp_all 0 0 0 1\n", 3, 0},
      {"length bias 0", "X cp_all 0 1 0 0\n", 1, 0},
      {"a number that does not parse", ok + ok + "X cp_all 0x1G 1 0 1\n", 3, 0},
      {"a negative number", "X cp_all -1 1 0 1\n", 1, 0},
      {"a number beyond 32 bits", "X cp_all 0x100000000 1 0 1\n", 1, 0},
      {"no known family", "X foo 0 1 0 1\n", 1, 0},
      {"families joined with blanks around the bar", "X ava | dov 0 1 0 1\n", 1, 0},
      {"a line of 256 characters", "// " + std::string(253, 'c') + "\n" + ok, 1, 0},
      {"a line of 255 characters", "// " + std::string(252, 'c') + "\n" + ok, 0, 1},
      {"a NUL inside a line", std::string("X cp_all 0 1 0 1\0 junk\n", 24), 1, 0},
  };
  for (const ParseCase& c : cases) {
    ins_parse_t r = parse_ins_templates(c.text);
    EXPECT_EQ(r.ok, c.error_line == 0) << c.what;
    EXPECT_EQ(r.error_line, c.error_line) << c.what;
    if (r.ok) {
      EXPECT_EQ(r.templates.size(), c.templates) << c.what;
    }
  }
}

TEST(InsTemplates, ReadsEveryFieldAndFamilySpelling) {
  ins_parse_t r = parse_ins_templates(
      "BLT CP_ALL 0x54000000 0xFFC00000 0xFF 2\n"
      "A ava|Cyr 010 0x10 0 1\n"
      "B foo|DOV 16 0x10 0 1\n");
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.templates.size(), 3u);
  EXPECT_STREQ(r.templates[0].name, "BLT");
  EXPECT_EQ(r.templates[0].families, 7u);
  EXPECT_EQ(r.templates[0].value, 0x54000000u);
  EXPECT_EQ(r.templates[0].mask, 0xFFC00000u);
  EXPECT_EQ(r.templates[0].length_mask, 0xFFu);
  EXPECT_EQ(r.templates[0].length_bias, 2u);
  EXPECT_EQ(r.templates[1].families, 5u);
  EXPECT_EQ(r.templates[1].value, 8u) << "a leading 0 is octal";
  EXPECT_EQ(r.templates[2].families, 2u) << "unknown names add nothing";
  EXPECT_EQ(r.templates[2].value, 16u);
}

TEST(InsTemplates, TheTableGrowsPastTwoHundred) {
  std::string text;
  for (int i = 0; i < 250; ++i) text += "T" + std::to_string(i) + " cp_all " + std::to_string(i) + " 0xFF 0 1\n";
  ins_parse_t r = parse_ins_templates(text);
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.templates.size(), 250u);
  EXPECT_STREQ(r.templates[249].name, "T249");
}

std::vector<std::string> decode(const std::string& file, uint32_t family, uint32_t address,
                                const std::vector<uint32_t>& dwords) {
  ins_parse_t r = parse_ins_templates(file);
  EXPECT_TRUE(r.ok);
  std::vector<std::string> lines;
  decode_instructions(r.templates, family, address, dwords.data(), dwords.size(),
                      [&](const char* line) { lines.emplace_back(line); });
  return lines;
}

const char kFile[] =
    "NOOP cp_all 0x00000000 0xFF800000 0 1\n"
    "STORE cp_all 0x10000000 0xFF800000 0x3F 2\n"
    "FLIP_DOV dov 0x0A000000 0xFF800000 0x3F 2\n"
    "FLIP_AVA ava 0x0A000000 0xFF800000 0x3F 2\n"
    "BLT cp_all 0x54000000 0xFFC00000 0xFF 2\n";

TEST(InsDecoder, FollowsInstructionLengths) {
  std::vector<uint32_t> stream = {0x10000001, 0xAAAA0000, 0xBBBB0000, 0x00000000, 0xDEADBEEF, 0x00000000,
                                  0x54000000, 0x11111111};
  std::vector<std::string> expected = {
      "00001000 10000001    STORE",  // (1 & 0x3F) + 2 = 3 dwords
      "00001004 AAAA0000    Data",
      "00001008 BBBB0000    Data",
      "0000100C 00000000    NOOP",
      "00001010 DEADBEEF    Unknown Instruction",  // one dword; the next starts again
      "00001014 00000000    NOOP",
      "00001018 54000000    BLT",  // 2 dwords
      "0000101C 11111111    Data",
  };
  EXPECT_EQ(decode(kFile, 2, 0x1000, stream), expected);
}

TEST(InsDecoder, FamiliesChooseTheTemplate) {
  struct Case {
    uint32_t family;
    const char* name;
  };
  // The first template in file order whose families include the device's.
  for (Case c : {Case{2, "FLIP_DOV"}, Case{1, "FLIP_AVA"}, Case{5, "FLIP_AVA"}, Case{4, "Unknown Instruction"}}) {
    std::vector<std::string> lines = decode(kFile, c.family, 0, {0x0A000000});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string("00000000 0A000000    ") + c.name) << "family " << c.family;
  }
}

TEST(InsDecoder, AHugeLengthFieldDoesNotWrapToAShortInstruction) {
  // (0xFFFFFFFF & mask) + 1 is 2^32 in 64 bits: every later dword is data.
  std::vector<std::string> lines = decode("BIG cp_all 0xFFFFFFFF 0xFFFFFFFF 0xFFFFFFFF 1\nNOOP cp_all 0 0xFF 0 1\n",
                                          2, 0, {0xFFFFFFFF, 0, 0});
  EXPECT_EQ(lines[1], "00000004 00000000    Data");
  EXPECT_EQ(lines[2], "00000008 00000000    Data");
}

TEST(RingView, SizeHeadTailAndWindowStayInsideTheRing) {
  struct Case {
    const char* what;
    uint32_t start, control, head, tail, n;
    uint64_t size;
    uint32_t head_off, tail_off, kept_n;
    std::vector<std::pair<uint32_t, uint32_t>> parts;
  };
  const std::vector<Case> cases = {
      {"the documented ring", 0x10000, 0x1F001, 0x200, 0x1000, 10, 0x20000, 0x200, 0x1000, 10, {{0x1D8, 20}}},
      {"length field with flag bits", 0, 0x1FFF, 0x10, 0x20, 2, 0x2000, 0x10, 0x20, 2, {{0x8, 4}}},
      {"head at the start", 0x10000, 0x1001, 0x100000, 0x40, 2, 0x2000, 0, 0x40, 2, {{0x1FF8, 2}, {0, 2}}},
      {"head near the end", 0, 0x1001, 0x1FF0, 0x40, 8, 0x2000, 0x1FF0, 0x40, 8, {{0x1FD0, 12}, {0, 4}}},
      {"head beyond the ring", 0, 0x0001, 0xFFFF0, 0x12345, 1, 0x1000, 0xFF0, 0x340, 1, {{0xFEC, 2}}},
      {"more dwords than half the ring", 0, 0x0001, 0x800, 0x10, 100000, 0x1000, 0x800, 0x10, 0x200,
       {{0x0, 0x400}}},
  };
  for (const Case& c : cases) {
    ring_view_t v;
    ASSERT_TRUE(ring_view(c.start, c.control, c.head, c.tail, c.n, 512u << 20, v)) << c.what;
    EXPECT_EQ(v.size, c.size) << c.what;
    EXPECT_EQ(v.head, c.head_off) << c.what;
    EXPECT_EQ(v.tail, c.tail_off) << c.what;
    EXPECT_EQ(v.n, c.kept_n) << c.what;
    ASSERT_EQ(v.part_count, static_cast<int>(c.parts.size())) << c.what;
    uint64_t words = 0;
    for (int i = 0; i < v.part_count; ++i) {
      EXPECT_EQ(v.parts[i].offset, c.parts[i].first) << c.what << " part " << i;
      EXPECT_EQ(v.parts[i].words, c.parts[i].second) << c.what << " part " << i;
      EXPECT_LE(v.parts[i].offset + uint64_t(v.parts[i].words) * 4, v.size) << c.what;
      words += v.parts[i].words;
    }
    EXPECT_EQ(words, 2ull * v.n) << c.what;
  }
}

TEST(RingView, ARingOutsideTheApertureIsRefused) {
  ring_view_t v;
  EXPECT_FALSE(ring_view(0, 0xFFFFFFFF, 0x10, 0x10, 10, 512u << 20, v)) << "a 4 GiB ring";
  EXPECT_FALSE(ring_view(0x07FFF000, 0x1001, 0x10, 0x10, 10, 0x08000000, v)) << "past the end";
  EXPECT_TRUE(ring_view(0x07FFE000, 0x1001, 0x10, 0x10, 10, 0x08000000, v)) << "up to the end";
}

TEST(RingNames, AnyLetterCase) {
  EXPECT_EQ(ring_id_of("pri"), 1u);
  EXPECT_EQ(ring_id_of("SEC"), 2u);
  EXPECT_EQ(ring_id_of("Hw"), 4u);
  EXPECT_EQ(ring_id_of("tertiary"), 0u);
  EXPECT_EQ(ring_id_of(""), 0u);
}

}  // namespace
