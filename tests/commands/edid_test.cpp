// The EDID decoder and the EDID text file reader.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands/edid_file.h"
#include "commands/edid_report.h"
#include "support/sim_fixture.h"

namespace {

const std::string kData = std::string(LUMA_TEST_DATA_DIR) + "/edid/";

std::string report(const uint8_t (&block)[kEdidBlockSize]) {
  std::string out;
  decode_edid(block, [&](const char* line) { out += std::string(line) + "\n"; });
  return out;
}

bool load(const std::string& path, uint8_t (&block)[kEdidBlockSize]) {
  uint8_t data[kEdidFileMaxWords * 4];
  EdidFileResult r = read_edid_file(path.c_str(), data);
  std::memcpy(block, data, kEdidBlockSize);
  return r.status == EdidFileStatus::Ok;
}

// A valid block: header, checksum, everything else zero unless set.
struct Block {
  uint8_t b[kEdidBlockSize] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  Block() {
    for (int i = 38; i < 54; ++i) b[i] = 0x01;  // no standard timings
  }
  Block& set(int offset, std::initializer_list<uint8_t> bytes) {
    for (uint8_t v : bytes) b[offset++] = v;
    return *this;
  }
  const uint8_t (&sealed())[kEdidBlockSize] {
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) sum += b[i];
    b[127] = static_cast<uint8_t>(256 - sum % 256);
    return b;
  }
};

// The fixtures against their expected reports, line for line.
class EdidGolden : public ::testing::TestWithParam<const char*> {};

TEST_P(EdidGolden, MatchesExpectedReport) {
  uint8_t block[kEdidBlockSize];
  ASSERT_TRUE(load(kData + GetParam() + ".edid", block));
  std::string expected = read_file(kData + GetParam() + ".expected");
  ASSERT_FALSE(expected.empty());
  std::string got = report(block);
  if (std::getenv("LUMA_WRITE_GOLDEN")) write_file(kData + GetParam() + ".expected", got);
  EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EdidGolden,
                         ::testing::Values("flat_panel", "flat_panel_gtf", "analog_crt", "bad_checksum"));

struct EdgeCase {
  const char* what;
  int offset;
  std::vector<uint8_t> bytes;
  const char* expected_line;  // must appear as a whole line
  const char* absent_line;    // must not appear (null: no check)
};

const EdgeCase kEdgeCases[] = {
    {"manufacturer letters", 8, {0x10, 0xAC, 0x1F, 0xA0}, "Manufacture ID='DEL', Product=0xa01f", nullptr},
    {"year byte 0", 16, {5, 0}, "Manufacture Week=5, Year=1990", nullptr},
    {"gamma 120", 23, {120}, "Display Gamma=2.20\n", nullptr},
    {"gamma 255", 23, {255}, "Display Gamma=3.55\n", nullptr},
    {"16:10 pair", 38, {0xD1, 0x00}, "\t1920 x 1200 @ 60", nullptr},
    {"4:3 pair", 38, {0x81, 0x40}, "\t1280 x 960 @ 60", nullptr},
    {"5:4 pair keeps width and refresh", 38, {0x81, 0x80}, "\t1280 x 0 @ 60", nullptr},
    {"unused pair", 38, {0x01, 0x01}, "\nStandard Timing Identification:", "\t256 x 160 @ 61"},
    {"analog input levels", 20, {0x7F}, "\t0.700, 0.000 (0.700 V p-p)", "Digital"},
    {"digital input", 20, {0x80}, "Digital", "Analog :"},
    {"name without terminator", 108, {0, 0, 0, 0xFC, 0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M'},
     "\tMonitor Name = ABCDEFGHIJKLM", nullptr},
    {"short serial right-aligned", 72, {0, 0, 0, 0xFF, 0, '4', '2', 0},
     "\tMonitor Serial Number =            42", nullptr},
    {"range limits without GTF", 90, {0, 0, 0, 0xFD, 0, 50, 75, 30, 80, 15, 0},
     "\t\tSecondary GTF - Not Supported", "\t\tSecondary GTF:"},
    {"interlaced stereo digital", 54, {0x10, 0x27, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xBE},
     "\tInterlaced", "\tNormal Display, No Stereo"},
    {"pixel clock", 54, {0x10, 0x27}, "\tPixel Clock = 100.00 Mhz", nullptr},
    {"manufacturer's timing", 37, {0x80}, "\t1152 x 870 @ 75Hz (Apple, Mac II)", nullptr},
};

class EdidEdge : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EdidEdge, PrintsTheField) {
  const EdgeCase& c = GetParam();
  Block blk;
  for (size_t i = 0; i < c.bytes.size(); ++i) blk.b[c.offset + i] = c.bytes[i];
  std::string out = "\n" + report(blk.sealed());
  EXPECT_NE(out.find("\n" + std::string(c.expected_line) + "\n"), std::string::npos) << out;
  if (c.absent_line) {
    EXPECT_EQ(out.find("\n" + std::string(c.absent_line) + "\n"), std::string::npos) << out;
  }
  EXPECT_EQ(out.find("Invalid"), std::string::npos) << out;
}

std::string case_name(const char* what) {
  std::string n;
  for (const char* p = what; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return n;
}
std::string edge_name(const ::testing::TestParamInfo<EdgeCase>& param) { return case_name(param.param.what); }

INSTANTIATE_TEST_SUITE_P(Fields, EdidEdge, ::testing::ValuesIn(kEdgeCases), edge_name);

TEST(EdidDecode, BadChecksumStopsAfterTheRawDump) {
  Block blk;
  blk.sealed();
  blk.b[127] += 3;
  std::vector<std::string> lines;
  decode_edid(blk.b, [&](const char* l) { lines.push_back(l); });
  ASSERT_EQ(lines.size(), 1u + 16u + 1u + 1u);
  EXPECT_EQ(lines[0], "\nRAW INFO\n");
  EXPECT_EQ(lines[1], "00000000     00 FF FF FF FF FF FF 00");
  EXPECT_EQ(lines[17], "\nTRANSLATED INFO\n");
  EXPECT_EQ(lines.back(), "Invalid checkSum=0x3\n");
}

TEST(EdidDecode, BadHeaderIsReportedOnceAndDecodingGoesOn) {
  Block blk;
  blk.set(0, {0x00, 0x00});
  std::string out = report(blk.sealed());
  EXPECT_NE(out.find("\nTRANSLATED INFO\n\nInvalid Edid Hdr\n\nManufacture ID="), std::string::npos) << out;
  EXPECT_NE(out.find("\nDetailed Timing Descriptor 4:\n"), std::string::npos);
}

TEST(EdidDecode, ZeroedTimingsDecodeAsZeros) {
  Block blk;
  std::string out = report(blk.sealed());
  EXPECT_NE(out.find("\tPixel Clock = 0.00 Mhz\n\tHorz Active = 0\n"), std::string::npos) << out;
  // A zero tag is no monitor descriptor: the headings stand alone.
  EXPECT_NE(out.find("\nDetailed Timing Descriptor 3:\n\nDetailed Timing Descriptor 4:\n"), std::string::npos);
}

// EDID text files.
class EdidFile : public SimTest {
 protected:
  std::string file(const std::string& content) {
    std::string path = state_dir_ + "/edid.txt";
    write_file(path, content);
    return path;
  }
  EdidFileResult read(const std::string& path) { return read_edid_file(path.c_str(), data_); }
  uint8_t data_[kEdidFileMaxWords * 4];
};

TEST_F(EdidFile, WordsEnterLeastSignificantByteFirst) {
  EdidFileResult r = read(file("FFFFFF00\t00ffffff \r\n\n  0A0B0C0D\n"));
  ASSERT_EQ(r.status, EdidFileStatus::Ok);
  EXPECT_EQ(r.words, 3);
  const uint8_t expected[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x0D, 0x0C, 0x0B, 0x0A, 0x00};
  EXPECT_EQ(std::memcmp(data_, expected, sizeof expected), 0);  // the rest is zero
}

TEST_F(EdidFile, FileDecodesLikeTheSameBlockFromAPort) {
  uint8_t block[kEdidBlockSize];
  ASSERT_TRUE(load(kData + "flat_panel.edid", block));
  std::string words;
  for (size_t i = 0; i < kEdidBlockSize; i += 4) {
    char w[10];
    std::snprintf(w, sizeof w, "%02X%02X%02X%02X ", block[i + 3], block[i + 2], block[i + 1], block[i]);
    words += w;
    if (i % 32 == 28) words += "\n";  // eight words a line
  }
  uint8_t again[kEdidBlockSize];
  ASSERT_TRUE(load(file(words), again));
  EXPECT_EQ(report(again), report(block));
}

struct FileCase {
  const char* what;
  std::string content;
  EdidFileStatus status;
  int words;
  int ignored;
  int line;
};

std::string repeat_words(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i % 4 == 3) ? "01020304\n" : "01020304 ";
  return s;
}

const FileCase kFileCases[] = {
    {"empty", "", EdidFileStatus::Empty, 0, 0, 0},
    {"blank lines", "\n  \n\t\n", EdidFileStatus::Empty, 0, 0, 0},
    {"short", "01020304\n", EdidFileStatus::Ok, 1, 0, 0},
    {"64 words", repeat_words(64), EdidFileStatus::Ok, 64, 0, 0},
    {"65 words", repeat_words(65), EdidFileStatus::Ok, 64, 1, 0},
    {"seven digits", "01020304\n1234567\n", EdidFileStatus::BadToken, 1, 0, 2},
    {"nine digits", "123456789", EdidFileStatus::BadToken, 0, 0, 1},
    {"not hex", "0102030G", EdidFileStatus::BadToken, 0, 0, 1},
    {"0x prefix", "0x010203", EdidFileStatus::BadToken, 0, 0, 1},
    {"line of 255", std::string(247, ' ') + "01020304\n", EdidFileStatus::Ok, 1, 0, 0},
    {"line of 255 at end of file", std::string(247, ' ') + "01020304", EdidFileStatus::Ok, 1, 0, 0},
    {"line of 255 ended by CR LF", std::string(247, ' ') + "01020304\r\n01020304", EdidFileStatus::Ok, 2, 0, 0},
    {"line of 256", std::string(248, ' ') + "01020304\n", EdidFileStatus::LineTooLong, 0, 0, 1},
    {"line of 256 ended by CR LF", std::string(248, ' ') + "01020304\r\n", EdidFileStatus::LineTooLong, 0, 0, 1},
    {"long line later", "01020304\n" + std::string(600, ' ') + "\n", EdidFileStatus::LineTooLong, 1, 0, 2},
    // A NUL byte would end a C string early: the rest of its line must not
    // vanish unnoticed, nor a too-long line pass, nor later lines shift.
    {"NUL in a word", std::string("0102\0" "0304\n", 10), EdidFileStatus::NulByte, 0, 0, 1},
    {"NUL before junk on a later line", "01020304\n" + std::string("05060708\0zz\n", 12),
     EdidFileStatus::NulByte, 1, 0, 2},
    {"NUL early in a too-long line", "01020304\n" + std::string("05060708\0", 9) + std::string(300, ' ') + "\n",
     EdidFileStatus::NulByte, 1, 0, 2},
};

class EdidFileCases : public EdidFile, public ::testing::WithParamInterface<FileCase> {};

TEST_P(EdidFileCases, Reads) {
  const FileCase& c = GetParam();
  EdidFileResult r = read(file(c.content));
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.words, c.words);
  EXPECT_EQ(r.ignored_words, c.ignored);
  EXPECT_EQ(r.line, c.line);
  for (int i = c.words * 4; i < kEdidFileMaxWords * 4; ++i) ASSERT_EQ(data_[i], 0) << i;
}

std::string file_case_name(const ::testing::TestParamInfo<FileCase>& param) { return case_name(param.param.what); }

INSTANTIATE_TEST_SUITE_P(Files, EdidFileCases, ::testing::ValuesIn(kFileCases), file_case_name);

TEST_F(EdidFile, MissingFile) {
  EXPECT_EQ(read(state_dir_ + "/nowhere.txt").status, EdidFileStatus::NotFound);
}

}  // namespace
