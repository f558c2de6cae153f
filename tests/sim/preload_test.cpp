// Memory a profile preloads into the simulated hardware, the dump fault,
// and the profile checks that refuse what cannot be loaded.
#include <gtest/gtest.h>

#include "hw/driver_client.h"
#include "lumainfo.h"
#include "support/sim_fixture.h"

namespace {

class PreloadTest : public SimTest {
 protected:
  PreloadTest() {
    dir_ = make_temp_dir("preload");
    write_file(dir_ + "/blob.bin", std::string("\x01\x02\x03\x04\x05\x06", 6));
    write_file(dir_ + "/m.profile",
               "base = dov\n[machine]\nwait_scale = 0\n"
               "[aperture fill]\n0x0 = 0x20 counter\n0x1000 = 0x6 0xA1B2C3D4\n"
               "[aperture file]\n0x2002 = blob.bin\n"
               "[mmio 2 fill]\n0x70100 = 0x100 counter\n"
               "[faults]\ndump_fail = 0x3000\n");
  }
  ~PreloadTest() override { remove_tree(dir_); }
  std::string profile() const override { return dir_ + "/m.profile"; }
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    SimTest::TearDown();
  }
  std::string dir_;
};

TEST_F(PreloadTest, ApertureAndMmioHoldWhatTheProfileSays) {
  StdoutCapture capture;
  ASSERT_EQ(opal_open(1), EXIT_OK);
  uint32_t words[8] = {};
  ASSERT_TRUE(os_dump_regs(DRV_TARGET_GMADR, 0x10, 4, words, 2));
  EXPECT_EQ(words[0], 0x10u);
  EXPECT_EQ(words[3], 0x1Cu);
  // A pattern fill of 6 bytes: the dword, then half of it.
  ASSERT_TRUE(os_dump_regs(DRV_TARGET_GMADR, 0x1000, 2, words, 2));
  EXPECT_EQ(words[0], 0xA1B2C3D4u);
  EXPECT_EQ(words[1], 0x0000C3D4u);
  // File bytes from the folder of the profile, at an unaligned offset.
  ASSERT_TRUE(os_dump_regs(DRV_TARGET_GMADR, 0x2000, 3, words, 2));
  EXPECT_EQ(words[0], 0x02010000u);
  EXPECT_EQ(words[1], 0x06050403u);
  EXPECT_EQ(words[2], 0u);
  // MMIO counters, under the profile's single registers.
  uint32_t value = 0;
  ASSERT_TRUE(drv_read_mmio(32, 0x70104, &value, 2));
  EXPECT_EQ(value, 0x70104u);
  ASSERT_TRUE(drv_read_mmio(32, 0x70180, &value, 2));
  EXPECT_EQ(value, 0x98000000u);
  // The dump that starts at the fault's offset fails; its neighbours do not.
  EXPECT_FALSE(os_dump_regs(DRV_TARGET_MMIO, 0x3000, 4, words, 2));
  EXPECT_TRUE(os_dump_regs(DRV_TARGET_MMIO, 0x3004, 4, words, 2));
  EXPECT_TRUE(drv_read_mmio(32, 0x3000, &value, 2));
  EXPECT_NE(capture.stop().find("A device attached to the system is not functioning."), std::string::npos);
}

TEST(PreloadProfile, WhatCannotBeLoadedFailsTheBoot) {
  std::string dir = make_temp_dir("preload-check");
  const struct {
    const char* sections;
    const char* fault;
  } cases[] = {
      {"[aperture fill]\n0x0 = 0x100\n", "[aperture fill] 0x0 = 0x100: expected offset = bytes pattern"},
      {"[aperture fill]\n0x0 = 0x100 stripes\n", "expected offset = bytes pattern (a number or counter)"},
      {"[mmio 2 fill]\n0xFFF00 = 0x200 counter\n", "[mmio 2 fill] 0xFFF00: the range leaves the window"},
      {"[aperture fill]\n0x0 = 0x1000001 0\n", "exceeds 16 MiB"},
      {"[aperture file]\n0x0 = missing.bin\n", "[aperture file] 0x0: cannot read " },
      {"[faults]\ndump_fail = soon\n", "[faults] dump_fail: expected the offset"},
  };
  for (auto& c : cases) {
    write_file(dir + "/bad.profile", std::string("base = dov\n") + c.sections);
    auto& m = sim::Machine::boot(dir + "/bad.profile", dir + "/state");
    ASSERT_NE(m.fault(), nullptr) << c.sections;
    EXPECT_NE(std::string(m.fault()).find(c.fault), std::string::npos) << m.fault();
  }
  remove_tree(dir);
}

}  // namespace
