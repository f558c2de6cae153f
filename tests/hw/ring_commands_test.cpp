// read_ring_ins and decode_ins on the simulated machines.
#include <gtest/gtest.h>

#include <cstdio>

#include "hw/ring_commands.h"
#include "hw_session.h"

namespace {

class RingTest : public HwSessionTest {
 protected:
  using HwSessionTest::HwSessionTest;
};

TEST_F(RingTest, DumpsTheWindowAroundTheHeadWithItsMarkers) {
  // The dov machine's primary ring: 128 KiB at 0x10000, head 0x200, tail 0x1000.
  Run r = run("read_ring_ins");
  ASSERT_EQ(r.result, EXIT_OK) << r.out;
  EXPECT_EQ(r.args.count, 0);
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 11u) << r.out;
  EXPECT_EQ(lines[0], "START                                           : 0x10000");
  EXPECT_EQ(lines[1], "HEAD                                            : 0x10200");
  EXPECT_EQ(lines[2], "TAIL                                            : 0x11000");
  EXPECT_EQ(lines[3], "CTL                                             : 0x30000");
  // Ten dwords either side of the head, four to a line.
  std::vector<std::string> dump(lines.end() - 5, lines.end());
  const char* addresses[] = {"000101D8", "000101E8", "000101F8", "00010208", "00010218"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dump[i].substr(0, 12), std::string(addresses[i]) + "    ") << dump[i];
  EXPECT_NE(dump[2].find(" <---  HEAD"), std::string::npos) << dump[2];
  EXPECT_EQ(dump[1].find("<---"), std::string::npos);
  // The dumped words are the ring's.
  uint32_t word = 0;
  ASSERT_TRUE(os_dump_regs(DRV_TARGET_GMADR, 0x10200, 1, &word, 2));
  char text[16];
  std::snprintf(text, sizeof text, " %08X", word);
  EXPECT_EQ(dump[2].substr(12 + 2 * 9, 9), text);
}

TEST_F(RingTest, NameInAnyCaseAndCountZeroMeanTheDefaults) {
  Run plain = run("read_ring_ins");
  Run spelled = run("read_ring_ins PRI 0");
  EXPECT_EQ(spelled.result, EXIT_OK);
  EXPECT_EQ(spelled.out, plain.out);
  Run three = run("read_ring_ins pri 2");
  EXPECT_EQ(lines_of(three.out).size(), lines_of(plain.out).size() - 4) << "two dwords each side: one line";
}

TEST_F(RingTest, BadRingNamesAndCountsAreRefused) {
  for (const char* line : {"read_ring_ins tertiary", "read_ring_ins pri ten", "read_ring_ins pri -1"}) {
    Run r = run(line);
    EXPECT_EQ(r.result, EXIT_INVALID_PARAM_ERROR) << line;
    EXPECT_NE(r.out.find("ERROR: "), std::string::npos) << line;
  }
  EXPECT_NE(run("read_ring_ins tertiary").out.find("ERROR: Invalid ring specified"), std::string::npos);
}

TEST_F(RingTest, WithTheHeadAtTheStartTheWindowWrapsToTheRingsEnd) {
  // Head register 0x100000 is offset 0 once masked.
  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x2034, 0x100000, 2));
  Run r = run("read_ring_ins pri 4");
  ASSERT_EQ(r.result, EXIT_OK) << r.out;
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 2u);
  // The last four dwords of the ring, then the first four.
  EXPECT_EQ(lines[lines.size() - 2].substr(0, 8), "0002FFF0");
  EXPECT_EQ(lines[lines.size() - 1].substr(0, 8), "00010000");
  EXPECT_NE(lines.back().find("START"), std::string::npos);
  EXPECT_NE(lines.back().find("HEAD"), std::string::npos);
}

TEST_F(RingTest, AGarbageControlWordIsRefusedInsteadOfReadingPastTheAperture) {
  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x203C, 0xFFFFFFFF, 2));
  Run r = run("read_ring_ins");
  EXPECT_EQ(r.result, EXIT_INVALID_PARAM_ERROR);
  EXPECT_NE(r.out.find("does not fit"), std::string::npos) << r.out;
}

TEST_F(RingTest, ARingWithoutHeadPrintsNothing) {
  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x2034, 0, 2));
  Run r = run("read_ring_ins");
  EXPECT_EQ(r.result, EXIT_OK);
  EXPECT_EQ(r.out, "");
}

TEST_F(RingTest, WithoutTheDriverTheRegistersCannotBeRead) {
  opal_close();
  driver_loaded = false;
  Run r = run("read_ring_ins");
  EXPECT_EQ(r.result, EXIT_OS_CALL_ERROR);
}

// Each family's rings: the commands that work and those refused.
struct FamilyRings {
  const char* profile;
  bool pri, sec, hw;
};
class FamilyRingTest : public HwSessionTest, public ::testing::WithParamInterface<FamilyRings> {
 protected:
  FamilyRingTest()
      : HwSessionTest(std::string("base = ") + GetParam().profile + "\n[machine]\nwait_scale = 0\n") {}
};

TEST_P(FamilyRingTest, SupportedRingsDumpAndOthersAreRefused) {
  const FamilyRings& f = GetParam();
  const std::pair<const char*, bool> rings[] = {{"pri", f.pri}, {"sec", f.sec}, {"hw", f.hw}};
  for (auto [name, supported] : rings) {
    Run r = run(std::string("read_ring_ins ") + name);
    if (supported) {
      EXPECT_EQ(r.result, EXIT_OK) << name << r.out;
      EXPECT_NE(r.out.find("<---  HEAD"), std::string::npos) << name << r.out;
    } else {
      EXPECT_EQ(r.result, EXIT_INVALID_PARAM_ERROR) << name;
      EXPECT_NE(r.out.find("ERROR: Ring not supported by HW"), std::string::npos) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Families, FamilyRingTest,
                         ::testing::Values(FamilyRings{"ava", true, true, true}, FamilyRings{"dov", true, true, true},
                                           FamilyRings{"cyr", true, false, false},
                                           FamilyRings{"eft", false, false, false},
                                           FamilyRings{"fyn", false, false, false},
                                           FamilyRings{"bex", false, false, false}),
                         [](const auto& p) { return std::string(p.param.profile); });

// ---- decode_ins

class DecodeTest : public HwSessionTest {
 protected:
  using HwSessionTest::HwSessionTest;
  void put(uint32_t address, std::initializer_list<uint32_t> words) {
    for (uint32_t w : words) {
      ASSERT_TRUE(drv_write_reg(DRV_TARGET_GMADR, 32, address, w, 2));
      address += 4;
    }
  }
};

TEST_F(DecodeTest, TheShippedTemplatesNameEveryInstructionOfTheRing) {
  // No ins.txt here: the one beside the program is used. One chunk: each
  // chunk starts as an instruction, wherever the stream is.
  Run r = run("decode_ins 0x10000 0x2000");
  ASSERT_EQ(r.result, EXIT_OK) << r.out.substr(0, 500);
  EXPECT_NE(r.out.find("Program path is "), std::string::npos);
  EXPECT_NE(r.out.find("File path is "), std::string::npos);
  EXPECT_EQ(r.out.find("Unknown Instruction"), std::string::npos);
  std::vector<std::string> lines = lines_of(r.out);
  size_t decoded = 0, named = 0;
  for (const std::string& l : lines) {
    if (l.size() > 21 && l[8] == ' ' && l.compare(17, 4, "    ") == 0) {
      ++decoded;
      named += l.compare(21, 4, "Data") != 0;
    }
  }
  EXPECT_EQ(decoded, 0x2000u / 4);
  EXPECT_GT(named, 200u);
  EXPECT_NE(r.out.find("MI_FLUSH"), std::string::npos);
}

TEST_F(DecodeTest, TemplateFileErrorsGiveTheLineAndDecodeNothing) {
  struct Case {
    std::string file;
    int line;
  };
  const Case cases[] = {
      {"// ok\nNOOP cp_all 0 0xFF800000 0 1\n\n", 3},
      {"NOOP cp_all 0 0 0 1\n", 1},
      {"// a\n// b\n// c\nX dov 0 1 0 0\n", 4},
      {"X dov 0 1 0 1\nY dov 0x 1 0 1\n", 2},
      {"X dov 0 1 0 1\n" + std::string(300, 'y') + "\n", 2},
  };
  for (const Case& c : cases) {
    write_file("ins.txt", c.file);
    Run r = run("decode_ins 0x10000 16");
    EXPECT_EQ(r.result, EXIT_CFGFILE_ERROR) << c.file;
    EXPECT_EQ(r.out, "ERROR: while parsing ins.txt. This file has an error on line " + std::to_string(c.line) + ".\n")
        << c.file;
  }
}

TEST_F(DecodeTest, LengthCountsBytesAndDefaultsToTen) {
  write_file("ins.txt", "NOOP cp_all 0 0xFF800000 0 1\n");
  put(0x4000, {0, 0, 0, 0});
  struct Case {
    const char* line;
    size_t dwords;
  };
  for (Case c : {Case{"decode_ins 0x4000 5", 2}, Case{"decode_ins 0x4000", 3}, Case{"decode_ins 0x4000 0", 3},
                 Case{"decode_ins 0x4000 4", 1}}) {
    Run r = run(c.line);
    EXPECT_EQ(r.result, EXIT_OK) << c.line;
    EXPECT_EQ(lines_of(r.out).size(), c.dwords) << c.line << "\n" << r.out;
  }
}

TEST_F(DecodeTest, ChunksOf2048DwordsStartAfreshAndAFailedChunkGoesOn) {
  write_file("ins.txt", "LONG cp_all 0x7B000000 0xFFFF0000 0xFF 2\n");
  // An instruction that claims 0x12 dwords straddles the chunk border at
  // 0x2000: the second chunk starts as an instruction again.
  put(0x1FF8, {0x7B000010, 0x7B000000});
  Run r = run("decode_ins 0x0 0x2004");
  ASSERT_EQ(r.result, EXIT_OK);
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 2049u);
  EXPECT_EQ(lines[2046], "00001FF8 7B000010    LONG");
  EXPECT_EQ(lines[2047], "00001FFC 7B000000    Data");
  EXPECT_EQ(lines[2048], "00002000 00000000    Unknown Instruction");
  // Past the aperture the reads fail, one message each, and the result is 6.
  Run past = run("decode_ins 0x0FFFFFF0 0x40");
  EXPECT_EQ(past.result, EXIT_OS_CALL_ERROR);
  EXPECT_NE(past.out.find("ERROR while sending os_dump_regs"), std::string::npos);
}

TEST_F(DecodeTest, BadArgumentsAreRefused) {
  Run r = run("decode_ins 0xZZ");
  EXPECT_EQ(r.result, EXIT_INVALID_PARAM_ERROR);
}

class EftDecodeTest : public DecodeTest {
 protected:
  EftDecodeTest() { profile_ = "base = eft\n[machine]\nwait_scale = 0\n"; }
};

TEST_F(EftDecodeTest, AvaAndCyrTemplatesApplyOnTheEftFamily) {
  write_file("ins.txt",
             "ON_DOV dov 0x0A000000 0xFF000000 0 1\n"
             "ON_AVA ava 0x0A000000 0xFF000000 0 1\n"
             "ON_CYR cyr 0x0B000000 0xFF000000 0 1\n");
  put(0x8000, {0x0A000000, 0x0B000000});
  Run r = run("decode_ins 0x8000 8");
  ASSERT_EQ(r.result, EXIT_OK) << r.out;
  EXPECT_EQ(r.out, "00008000 0A000000    ON_AVA\n00008004 0B000000    ON_CYR\n");
}

}  // namespace
