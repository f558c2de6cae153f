// The device table and the tables read from it: the driver's BAR rows, the
// chipset names and the devices the built-in machines carry.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/session.h"
#include "devices/device_ids.h"
#include "hwpeek/hwpeek.h"
#include "sim/builtin_profiles.h"

namespace {

constexpr uint32_t K512 = 0x80000, M1 = 0x100000;
constexpr uint32_t M128 = 0x8000000, M256 = 0x10000000, M512 = 0x20000000;

TEST(DeviceTable, EachDeviceMapsItsOwnWindowsAndUnlistedOnesTheDefaultRow) {
  struct Case {
    uint16_t id;
    uint32_t mmio_bar, mmio_size, aperture_bar, aperture_size;
    uint16_t row_id;  // the row the driver uses
  } cases[] = {
      {AVA_DID_1, 1, K512, 0, M128, AVA_DID_1}, {AVA_DID_5, 1, K512, 0, M128, AVA_DID_5},
      {DOV_DID_1, 1, K512, 0, M128, DOV_DID_1}, {DOV_DID_2, 0, K512, 2, M256, DOV_DID_2},
      {DOV_DID_6, 0, K512, 2, M256, DOV_DID_6}, {DOV_DID_7, 0, K512, 2, M512, DOV_DID_7},
      {DOV_DID_8, 0, K512, 2, M512, DOV_DID_8}, {CYR_DID_2, 0, K512, 2, M512, CYR_DID_2},
      {CYR_DID_5B, 0, K512, 2, M512, CYR_DID_5B}, {CYR_DID_13, 0, K512, 2, M512, CYR_DID_13},
      {EFT_DID, 0, K512, 2, M256, EFT_DID},     {FYN_DID, 0, M1, 2, M256, FYN_DID},
      {BEX_DID_3, 0, M1, 2, M256, BEX_DID_3},
      // Devices without a row of their own, and a foreign id, get the first.
      {CYR_DID_1, 1, K512, 0, M128, AVA_DID_1}, {BEX_DID_4, 1, K512, 0, M128, AVA_DID_1},
      {DEV3_DID, 1, K512, 0, M128, AVA_DID_1},  {0x1234, 1, K512, 0, M128, AVA_DID_1},
  };
  for (const Case& c : cases) {
    const hwpeek::BarRow& row = hwpeek::gmch_bar_row(c.id);
    EXPECT_EQ(row.device_id, c.row_id) << std::hex << c.id;
    EXPECT_EQ(row.mmio_bar, c.mmio_bar) << std::hex << c.id;
    EXPECT_EQ(row.mmio_size, c.mmio_size) << std::hex << c.id;
    EXPECT_EQ(row.aperture_bar, c.aperture_bar) << std::hex << c.id;
    EXPECT_EQ(row.aperture_size, c.aperture_size) << std::hex << c.id;
  }
  const hwpeek::BarRow& dev3 = hwpeek::gmch_bar_row_dev3();
  EXPECT_EQ(dev3.device_id, DEV3_DID);
  EXPECT_EQ(dev3.mmio_size, M1);
  EXPECT_EQ(dev3.aperture_size, M256);
  uint32_t rows = 0;
  hwpeek::gmch_bar_table(&rows);
  EXPECT_EQ(rows, 33u);
}

// The driver's table as its documentation writes it, typed out here rather
// than derived from the device table, so that a wrong row in either shows.
TEST(DeviceTable, EveryIdOfTheBarTableHasTheDocumentedRow) {
  struct Group {
    std::vector<uint16_t> ids;
    uint32_t mmio_bar, mmio_size, aperture_bar, aperture_size;
  };
  const Group groups[] = {
      {{AVA_DID_1, AVA_DID_2, AVA_DID_3, AVA_DID_4, AVA_DID_5, DOV_DID_1}, 1, K512, 0, M128},
      {{DOV_DID_2, DOV_DID_3, DOV_DID_4, DOV_DID_5, DOV_DID_6}, 0, K512, 2, M256},
      {{DOV_DID_8, DOV_DID_7}, 0, K512, 2, M512},
      {{EFT_DID}, 0, K512, 2, M256},
      {{FYN_DID}, 0, M1, 2, M256},
      {{CYR_DID_2, CYR_DID_3, CYR_DID_4, CYR_DID_5, CYR_DID_5B, CYR_DID_6, CYR_DID_6B, CYR_DID_7, CYR_DID_8,
        CYR_DID_9, CYR_DID_10, CYR_DID_11, CYR_DID_12, CYR_DID_13},
       0, K512, 2, M512},
      {{BEX_DID_0, BEX_DID_1, BEX_DID_2, BEX_DID_3}, 0, M1, 2, M256},
  };
  uint32_t count = 0;
  const hwpeek::BarRow* table = hwpeek::gmch_bar_table(&count);
  ASSERT_EQ(count, 33u);
  std::set<uint16_t> documented;
  for (const Group& g : groups)
    for (uint16_t id : g.ids) {
      documented.insert(id);
      const hwpeek::BarRow& row = hwpeek::gmch_bar_row(id);
      EXPECT_EQ(row.device_id, id) << std::hex << id;
      EXPECT_EQ(row.mmio_bar, g.mmio_bar) << std::hex << id;
      EXPECT_EQ(row.mmio_size, g.mmio_size) << std::hex << id;
      EXPECT_EQ(row.aperture_bar, g.aperture_bar) << std::hex << id;
      EXPECT_EQ(row.aperture_size, g.aperture_size) << std::hex << id;
    }
  // The table holds these ids and no other, each once, the default first.
  std::set<uint16_t> in_table;
  for (uint32_t i = 0; i < count; ++i) EXPECT_TRUE(in_table.insert(table[i].device_id).second) << i;
  EXPECT_EQ(in_table, documented);
  EXPECT_EQ(table[0].device_id, AVA_DID_1);
  const hwpeek::BarRow& dev3 = hwpeek::gmch_bar_row_dev3();
  EXPECT_EQ(dev3.device_id, DEV3_DID);
  EXPECT_EQ(dev3.mmio_bar, 0u);
  EXPECT_EQ(dev3.mmio_size, M1);
  EXPECT_EQ(dev3.aperture_bar, 2u);
  EXPECT_EQ(dev3.aperture_size, M256);
}

TEST(DeviceTable, IdsAreDistinctAndNamesFollowTheFamily) {
  const char* family_tag[] = {"AVA", "DOV", "CYR", "EFT", "FYN", "BEX"};
  for (size_t i = 0; i < kDeviceCount; ++i) {
    const DeviceInfo& d = kDeviceTable[i];
    for (size_t j = i + 1; j < kDeviceCount; ++j) EXPECT_NE(d.id, kDeviceTable[j].id);
    if (d.name) {
      EXPECT_NE(std::string(d.name).find(family_tag[static_cast<int>(d.family)]), std::string::npos) << d.name;
    }
  }
  unsigned n = 0;
  const ChipsetName* names = chipset_names(&n);
  ASSERT_EQ(n, 32u);
  EXPECT_EQ(names[0].device_id, AVA_DID_1);
  EXPECT_STREQ(names[13].name, "Varnel Lumagraph CYR-1 Graphics Controller");
  EXPECT_STREQ(names[n - 1].name, "Varnel Lumagraph BEX-3 Graphics Controller");
}

// A built-in machine whose graphics device the table does not know would
// run the driver on the default row and report an unknown chipset.
TEST(DeviceTable, EveryBuiltInMachineCarriesANamedDeviceWithItsOwnWindows) {
  for (const std::string& name : sim::builtin_profile_names()) {
    std::string error;
    auto profile = sim::load_builtin(name, error);
    ASSERT_TRUE(profile) << name << ": " << error;
    const DeviceInfo* d = find_device(static_cast<uint16_t>(profile->number("pci 0:2.0", "device", 0)));
    ASSERT_NE(d, nullptr) << name;
    EXPECT_NE(d->name, nullptr) << name;
    EXPECT_TRUE(d->has_bars) << name;
    if (profile->section("pci 0:3.0")) {
      const DeviceInfo* d3 = find_device(static_cast<uint16_t>(profile->number("pci 0:3.0", "device", 0)));
      ASSERT_NE(d3, nullptr) << name;
      EXPECT_EQ(d3->pci_device, 3) << name;
    }
  }
}

}  // namespace
