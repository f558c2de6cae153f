// The driver's video CRC collection and the surface-data request.
#include <gtest/gtest.h>

#include "hw_session.h"

namespace {

class VideoCrcTest : public HwSessionTest {
 protected:
  using HwSessionTest::HwSessionTest;
};

TEST_F(VideoCrcTest, ACollectionListsEveryFrame) {
  EXPECT_EQ(run("get_crc").out, "There are 0 frames decoded.\n") << "nothing collected yet";
  // The record's count is the caller's until the command sets it: these
  // commands write no result lines, so it must come back as 0.
  for (const char* line : {"video_crc_start", "video_crc_stop", "get_crc_debug_info"}) {
    Run r = run(line);
    EXPECT_EQ(r.result, EXIT_OK) << line;
    EXPECT_EQ(r.args.count, 0) << line;
    EXPECT_EQ(r.out, "") << line;
  }
  Run r = run("get_crc");
  ASSERT_EQ(r.result, EXIT_OK);
  EXPECT_EQ(r.args.count, 0);
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 61u);
  EXPECT_EQ(lines[0], "There are 60 frames decoded.");
  EXPECT_EQ(lines[1].substr(0, 19), "CRC for frame 1 is ");
  EXPECT_EQ(lines[1].size(), 27u);
  EXPECT_EQ(lines[60].substr(0, 20), "CRC for frame 60 is ");
}

TEST_F(VideoCrcTest, AHelpRequestSendsNoEscape) {
  int32_t n = 0;
  cmd_entry_t* table = get_command_table(&n);
  for (int32_t i = 0; i < n; ++i) {
    if (table[i].id != CMD_VIDEO_CRC_START && table[i].id != CMD_VIDEO_CRC_STOP) continue;
    cmd_args_t args{};
    ASSERT_TRUE(tokenize_command_line(table[i].name, &args));
    args.help = 1;
    StdoutCapture out;
    EXPECT_EQ(table[i].handler(&args), EXIT_OK) << table[i].name;
    EXPECT_EQ(out.stop(), "") << "stopping what never started would be refused";
    EXPECT_EQ(args.count, 0);
  }
  EXPECT_EQ(run("get_crc").out, "There are 0 frames decoded.\n") << "no collection was started";
}

TEST_F(VideoCrcTest, TheSurfaceRequestCarriesTheArgumentText) {
  Run r = run("get_surface_data overlay.yuv");
  EXPECT_EQ(r.result, EXIT_OK);
  EXPECT_EQ(r.args.count, 0);
  EXPECT_EQ(machine().state("display").get_or("drv.surface.request", ""), "overlay.yuv");
  int32_t n = 0;
  cmd_entry_t* table = get_command_table(&n);
  for (int32_t i = 0; i < n; ++i)
    if (table[i].id == CMD_GET_SURFACE_DATA) {
      EXPECT_EQ(table[i].handler(nullptr), EXIT_INVALID_PARAM_ERROR);
    }
}

struct FrameCount {
  uint32_t frames;
  size_t listed;
  bool warning;
};
class CrcCountTest : public HwSessionTest, public ::testing::WithParamInterface<FrameCount> {
 protected:
  CrcCountTest()
      : HwSessionTest("base = dov\n[machine]\nwait_scale = 0\n[lumagraph]\ncrc_frames = " +
                      std::to_string(GetParam().frames) + "\n") {}
};

TEST_P(CrcCountTest, TheListingStopsAtTheReplysEnd) {
  ASSERT_EQ(run("video_crc_start").result, EXIT_OK);
  ASSERT_EQ(run("video_crc_stop").result, EXIT_OK);
  Run r = run("get_crc");
  ASSERT_EQ(r.result, EXIT_OK);
  std::vector<std::string> lines = lines_of(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "There are " + std::to_string(GetParam().frames) + " frames decoded.");
  size_t listed = 0;
  bool warned = false;
  for (const std::string& l : lines) {
    listed += l.rfind("CRC for frame ", 0) == 0;
    warned |= l.rfind("WARNING: ", 0) == 0;
  }
  EXPECT_EQ(listed, GetParam().listed);
  EXPECT_EQ(warned, GetParam().warning);
  if (listed) {
    EXPECT_EQ(lines.back().rfind("CRC for frame " + std::to_string(listed) + " is ", 0), 0u) << lines.back();
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, CrcCountTest,
                         ::testing::Values(FrameCount{0, 0, false}, FrameCount{999, 999, false},
                                           FrameCount{1000, 999, true}, FrameCount{1000000, 999, true}));

class RefusingDriverTest : public HwSessionTest {
 protected:
  RefusingDriverTest() : HwSessionTest("base = dov\n[machine]\nwait_scale = 0\n[faults]\nescape_zero = all\n") {}
};

TEST_F(RefusingDriverTest, EveryEscapeCommandNamesItsEscape) {
  const std::pair<const char*, const char*> cases[] = {
      {"video_crc_start", "VARNEL_ESCAPE_VIDEO_CRC_START"},
      {"video_crc_stop", "VARNEL_ESCAPE_VIDEO_CRC_STOP"},
      {"get_crc", "VARNEL_ESCAPE_GET_CRC"},
      {"get_crc_debug_info", "VARNEL_ESCAPE_GET_CRC_DEBUG_INFO"},
      {"get_surface_data x", "VARNEL_ESCAPE_GET_SURFACE_DATA"},
  };
  for (auto [line, escape] : cases) {
    Run r = run(line);
    EXPECT_EQ(r.result, EXIT_OS_CALL_ERROR) << line;
    EXPECT_EQ(r.args.count, 0) << line;
    EXPECT_NE(r.out.find(std::string("ERROR while sending ") + escape + " escape key"), std::string::npos)
        << line << r.out;
  }
}

}  // namespace
