// The simulation library's driver as the Windows build carries it: the
// driver model over its own store, without a simulated machine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "test_mini_dll/standalone.h"

namespace fs = std::filesystem;
using lumagraph::StandaloneDriver;

namespace {

constexpr int32_t kGetDriverInfo = 0x20012, kGetPortInfo = 0x20014, kGetCurrentDc = 0x20015,
                  kSetDc = 0x20017, kSetRotation = 0x2000E;

class StateDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("luma-simlib-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string state_path() { return lumagraph::standalone_state_path(dir_.string().c_str()); }

  static uint32_t current_dc(StandaloneDriver& d) {
    uint32_t dc = 0;
    EXPECT_EQ(d.escape(kGetCurrentDc, 0, nullptr, 4, &dc), 1);
    return dc;
  }
  static int set_dc(StandaloneDriver& d, uint32_t dc) {
    uint8_t in[40] = {};
    std::memcpy(in, &dc, 4);
    return d.escape(kSetDc, sizeof in, in, 0, nullptr);
  }
  static DEVMODEA mode(uint32_t w, uint32_t h, uint32_t bpp, uint32_t hz) {
    DEVMODEA m;
    std::memset(&m, 0, sizeof m);
    m.dmSize = sizeof m;
    m.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
    m.dmPelsWidth = w;
    m.dmPelsHeight = h;
    m.dmBitsPerPel = bpp;
    m.dmDisplayFrequency = hz;
    return m;
  }

  fs::path dir_;
};

TEST_F(StateDir, AnswersAsTheLumagraphDriver) {
  StandaloneDriver d("");
  uint8_t info[796];
  ASSERT_EQ(d.escape(kGetDriverInfo, 0, nullptr, sizeof info, info), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(info), "Lumagraph Graphics Driver");
  uint32_t signature;
  std::memcpy(&signature, info + 792, 4);
  EXPECT_EQ(signature, 0xE1D0u);
  // Short or negative buffers are refused, never written past.
  EXPECT_LT(d.escape(kGetDriverInfo, 0, nullptr, 795, info), 0);
  EXPECT_LT(d.escape(kGetDriverInfo, -1, nullptr, sizeof info, info), 0);
  EXPECT_LT(d.escape(kGetDriverInfo, 0, nullptr, -1, info), 0);
}

TEST_F(StateDir, StatePersistsInTheFolderAcrossLoads) {
  {
    StandaloneDriver d(state_path());
    ASSERT_EQ(current_dc(d), 0x41u);
    ASSERT_EQ(set_dc(d, 0x51), 1);
    EXPECT_EQ(set_dc(d, 0x12345678), -1);  // not offered
  }
  ASSERT_TRUE(fs::exists(state_path()));
  EXPECT_FALSE(fs::exists(state_path() + ".new"));
  StandaloneDriver again(state_path());
  EXPECT_EQ(current_dc(again), 0x51u);
}

TEST_F(StateDir, WithoutAFolderTheStateLivesInMemoryOnly) {
  EXPECT_EQ(lumagraph::standalone_state_path(nullptr), "");
  EXPECT_EQ(lumagraph::standalone_state_path(""), "");
  {
    StandaloneDriver d("");
    ASSERT_EQ(set_dc(d, 0x51), 1);
    EXPECT_EQ(current_dc(d), 0x51u);
  }
  StandaloneDriver again("");
  EXPECT_EQ(current_dc(again), 0x41u);
}

TEST_F(StateDir, AGarbledStateFileFallsBackToDefaults) {
  fs::create_directories(dir_);
  std::ofstream(state_path()) << "no equals sign\n=orphan\ndc=\nhead.0=wide\n";
  StandaloneDriver d(state_path());
  EXPECT_EQ(current_dc(d), 0x41u);
  lumagraph::HeadMode m;
  ASSERT_TRUE(d.head_mode(0, m));
  EXPECT_EQ(m.width, 1024u);
  EXPECT_EQ(m.height, 768u);
}

// The primary port of the initial configuration 0x41 is LVDS (4).
TEST_F(StateDir, DisplaySettingsChangesFollowThePortsModes) {
  struct Case {
    uint32_t w, h, bpp, hz;
    int result;
  } cases[] = {
      {800, 600, 16, 60, 1},   {1280, 800, 32, 60, 1},  {1280, 800, 32, 0, 1},
      {1280, 1024, 32, 60, 0},  // an analog mode, not a panel one
      {800, 600, 24, 60, 0},    {800, 600, 32, 75, 0},
  };
  for (const auto& c : cases) {
    StandaloneDriver d("");
    DEVMODEA m = mode(c.w, c.h, c.bpp, c.hz);
    EXPECT_EQ(d.change_settings(&m, 0), c.result) << c.w << "x" << c.h << "x" << c.bpp << "@" << c.hz;
    lumagraph::HeadMode now;
    ASSERT_TRUE(d.head_mode(0, now));
    EXPECT_EQ(now.width, c.result ? c.w : 1024u);
  }
  StandaloneDriver d("");
  EXPECT_EQ(d.change_settings(nullptr, 0), 0);
}

TEST_F(StateDir, OnlyTheNamedFieldsChangeAndPortInfoReportsThem) {
  StandaloneDriver d("");
  DEVMODEA m = mode(800, 600, 16, 60);
  m.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  ASSERT_EQ(d.change_settings(&m, 0), 1);
  uint8_t info[556];
  uint32_t port = 4;
  ASSERT_EQ(d.escape(kGetPortInfo, 4, &port, sizeof info, info), 1);
  uint32_t f[4];
  std::memcpy(f, info, sizeof f);
  EXPECT_EQ(f[0], 800u);
  EXPECT_EQ(f[1], 600u);
  EXPECT_EQ(f[2], 32u);  // depth kept
  EXPECT_EQ(f[3], 60u);
}

TEST_F(StateDir, ARotatedPanelTakesSwappedSizes) {
  StandaloneDriver d("");
  uint32_t rot[3] = {4, 90, 0};
  ASSERT_EQ(d.escape(kSetRotation, sizeof rot, rot, 0, nullptr), 1);
  DEVMODEA upright = mode(1024, 768, 32, 60), turned = mode(768, 1024, 32, 60);
  EXPECT_EQ(d.change_settings(&upright, 0), 0);
  EXPECT_EQ(d.change_settings(&turned, 0), 1);
}

}  // namespace
