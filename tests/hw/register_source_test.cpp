// The register sources: a captured MMIO image and the live driver.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "hw/driver_client.h"
#include "core/msglog.h"
#include "hw/register_dump.h"
#include "hw/register_source.h"
#include "lumainfo.h"
#include "support/sim_fixture.h"

namespace {

CapturedMmio sample() {
  CapturedMmio m;
  m.add_range(0x100, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
  // Two adjacent ranges: a read across their seam was never captured whole.
  m.add_range(0x300, {1, 2, 3, 4});
  m.add_range(0x304, {5, 6, 7, 8});
  m.add_range(0xFFFFFFFE, {0xAA, 0xBB});  // the very top of the window
  m.add_range(0x500, {});
  return m;
}

TEST(CapturedMmio, ReadsOnlyWhereFourBytesLieInOneRange) {
  struct Case {
    uint32_t offset;
    bool ok;
    uint32_t value;
  } cases[] = {
      {0x100, true, 0x44332211}, {0x104, true, 0x88776655}, {0x102, true, 0x66554433},
      {0x105, false, 0},         {0xFE, false, 0},          {0x108, false, 0},
      {0x300, true, 0x04030201}, {0x304, true, 0x08070605}, {0x302, false, 0},
      {0xFFFFFFFE, false, 0},    {0xFFFFFFFC, false, 0},    {0x500, false, 0},
  };
  CapturedMmio m = sample();
  for (const Case& c : cases) {
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(m.read32(c.offset, &value), c.ok) << std::hex << c.offset;
    EXPECT_EQ(value, c.ok ? c.value : 0xDEADBEEF) << std::hex << c.offset;
  }
  EXPECT_FALSE(m.read32(0x100, nullptr));
  EXPECT_TRUE(m.is_capture());
}

TEST(CapturedMmio, CoversWholeSpansOfOneRange) {
  CapturedMmio m = sample();
  EXPECT_TRUE(m.covers(0x100, 8));
  EXPECT_TRUE(m.covers(0x107, 1));
  EXPECT_FALSE(m.covers(0x100, 9));
  EXPECT_FALSE(m.covers(0x300, 8));  // two ranges, not one
  EXPECT_TRUE(m.covers(0xFFFFFFFE, 2));
  EXPECT_FALSE(m.covers(0xFFFFFFFE, 4));  // would wrap to 0
  EXPECT_FALSE(m.covers(0x100, 0));
  EXPECT_FALSE(m.covers(0x500, 1));
}

TEST(CapturedMmio, IsOutsideOnlyWhereNoReportLogHoldsAByteOfTheRegister) {
  CapturedMmio m = sample();
  struct Case {
    uint32_t offset;
    bool outside;
  } cases[] = {{0xF014, true},   {0x6014, false}, {0xFFC, true},   {0xFFE, false}, {0xAFFC, false},
               {0xB000, true},   {0x70010, true}, {0x7000C, false}, {0x71180, false}, {0x100, true},
               {0xFFFFFFFE, true}};
  for (const Case& c : cases) EXPECT_EQ(m.outside_capture(c.offset), c.outside) << std::hex << c.offset;
  EXPECT_FALSE(live_registers().outside_capture(0xF014));
}

TEST(CapturedMmio, ADumpFailsOnlyForARegisterAReportLogWouldHold) {
  std::unique_ptr<cmn_hw_regs_t> family(create_hw_regs_for(2));
  ASSERT_TRUE(family);
  uint32_t saved_volume = debug_volume;
  debug_volume = 1;
  CapturedMmio m;  // a capture that lost everything
  auto dump = [&](uint32_t offset) {
    reg_desc_t row{};
    row.offset = offset;
    std::snprintf(row.title, sizeof row.title, "Probe");
    row.decode = DECODE_NONE;
    StdoutCapture quiet;
    bool ok = dump_registers(*family, &row, 1, m);
    std::string text = quiet.stop();
    EXPECT_NE(text.find(": not captured"), std::string::npos) << std::hex << offset << ": " << text;
    return ok;
  };
  EXPECT_TRUE(dump(0xF014));    // fyn's DPLL A: beyond every range a report dumps
  EXPECT_FALSE(dump(0x70180));  // a report holds it: this capture lost it
  debug_volume = saved_volume;
}

TEST(CapturedMmio, ALaterRangeAnswersForTheBytesItRecapturedAndOtherDevicesAreNotCaptured) {
  CapturedMmio m;
  m.add_range(0x100, {1, 0, 0, 0, 2, 0, 0, 0});
  m.add_range(0x104, {9, 0, 0, 0});
  uint32_t v = 0;
  ASSERT_TRUE(m.read32(0x104, &v));
  EXPECT_EQ(v, 9u);
  ASSERT_TRUE(m.read32(0x100, &v));
  EXPECT_EQ(v, 1u);
  EXPECT_FALSE(m.read32(0x100, &v, 3));

  CapturedMmio second(3);
  second.add_range(0x100, {7, 0, 0, 0});
  EXPECT_FALSE(second.read32(0x100, &v));
  ASSERT_TRUE(second.read32(0x100, &v, 3));
  EXPECT_EQ(v, 7u);
}

class LiveRegistersTest : public SimTest {
 protected:
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    SimTest::TearDown();
  }
};

TEST_F(LiveRegistersTest, ReadsTheDriversRegistersAndFailsWhereItFails) {
  RegisterSource& live = live_registers();
  EXPECT_FALSE(live.is_capture());
  uint32_t value = 5;
  StdoutCapture quiet;
  EXPECT_FALSE(live.read32(0x70180, &value));  // no driver yet
  EXPECT_EQ(value, 5u);

  ASSERT_EQ(opal_open(1), EXIT_OK);
  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x2100, 0xA1B2C3D4, 2));
  ASSERT_TRUE(live.read32(0x2100, &value));
  EXPECT_EQ(value, 0xA1B2C3D4u);
  ASSERT_TRUE(live.read32(0x70180, &value, 2));
  EXPECT_EQ(value, 0x98000000u);
  value = 77;
  EXPECT_FALSE(live.read32(0x80000, &value));  // past the register window
  EXPECT_EQ(value, 77u);
  EXPECT_FALSE(live.read32(0x2100, &value, 3));  // no second function here
  EXPECT_FALSE(live.read32(0x2100, nullptr));
  quiet.stop();
}

}  // namespace
