// PCI ids of the supported graphics devices and the one table of what the
// layers know about each: its chipset family, its display name and where
// the register access driver finds its windows. The chipset name table, the
// driver's BAR table, the choice of the chipset family and the simulated
// machine's profiles all read this table. Header-only and freestanding:
// the kernel build includes it.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint16_t GFX_VENDOR_ID = 0x1E1D;

constexpr uint16_t AVA_DID_1 = 0x1A01;
constexpr uint16_t AVA_DID_2 = 0x1A02;
constexpr uint16_t AVA_DID_3 = 0x1A03;
constexpr uint16_t AVA_DID_4 = 0x1A04;
constexpr uint16_t AVA_DID_5 = 0x1A05;

constexpr uint16_t DOV_DID_1 = 0x2B01;
constexpr uint16_t DOV_DID_2 = 0x2B02;
constexpr uint16_t DOV_DID_3 = 0x2B03;
constexpr uint16_t DOV_DID_4 = 0x2B04;
constexpr uint16_t DOV_DID_5 = 0x2B05;
constexpr uint16_t DOV_DID_6 = 0x2B06;
constexpr uint16_t DOV_DID_7 = 0x2B07;
constexpr uint16_t DOV_DID_8 = 0x2B08;

constexpr uint16_t CYR_DID_1 = 0x3C01;
constexpr uint16_t CYR_DID_2 = 0x3C02;
constexpr uint16_t CYR_DID_3 = 0x3C03;
constexpr uint16_t CYR_DID_4 = 0x3C04;
constexpr uint16_t CYR_DID_5 = 0x3C05;
constexpr uint16_t CYR_DID_6 = 0x3C06;
constexpr uint16_t CYR_DID_7 = 0x3C07;
constexpr uint16_t CYR_DID_8 = 0x3C08;
constexpr uint16_t CYR_DID_9 = 0x3C09;
constexpr uint16_t CYR_DID_10 = 0x3C0A;
constexpr uint16_t CYR_DID_11 = 0x3C0B;
constexpr uint16_t CYR_DID_12 = 0x3C0C;
constexpr uint16_t CYR_DID_13 = 0x3C0D;
// Second PCI functions of CYR_DID_5 and CYR_DID_6.
constexpr uint16_t CYR_DID_5B = 0x3C85;
constexpr uint16_t CYR_DID_6B = 0x3C86;

constexpr uint16_t EFT_DID = 0x4D01;
constexpr uint16_t FYN_DID = 0x5E01;

constexpr uint16_t BEX_DID_0 = 0x6F00;
constexpr uint16_t BEX_DID_1 = 0x6F01;
constexpr uint16_t BEX_DID_2 = 0x6F02;
constexpr uint16_t BEX_DID_3 = 0x6F03;
constexpr uint16_t BEX_DID_4 = 0x6F04;
constexpr uint16_t BEX_DID_5 = 0x6F05;
constexpr uint16_t BEX_DID_6 = 0x6F06;

// The second graphics function at PCI device 3.
constexpr uint16_t DEV3_DID = 0x5E03;

// The chipset families.
enum class ChipFamily : uint8_t { Ava, Dov, Cyr, Eft, Fyn, Bex };

// Which BARs of the function hold the register window and the graphics
// aperture, and their sizes.
struct RegisterBars {
  uint32_t mmio_bar;
  uint32_t mmio_size;
  uint32_t aperture_bar;
  uint32_t aperture_size;
};

struct DeviceInfo {
  uint16_t id;
  ChipFamily family;
  uint8_t pci_device;   // 2, or 3 for the second graphics function
  const char* name;     // chipset name; null for a device the names leave out
  bool has_bars;        // false: the driver maps it by the default (first) row
  RegisterBars bars;
};

namespace device_table_detail {
constexpr uint32_t K512 = 0x80000, M1 = 0x100000;
constexpr uint32_t M128 = 0x8000000, M256 = 0x10000000, M512 = 0x20000000;
constexpr RegisterBars kAvaBars = {1, K512, 0, M128};
constexpr RegisterBars kBars256 = {0, K512, 2, M256};
constexpr RegisterBars kBars512 = {0, K512, 2, M512};
constexpr RegisterBars kBars1M = {0, M1, 2, M256};
constexpr RegisterBars kNoBars = {0, 0, 0, 0};
using F = ChipFamily;
}  // namespace device_table_detail

// In chipset-name order; the first row is also the driver's default row.
inline constexpr DeviceInfo kDeviceTable[] = {
#define LUMA_ROW(id, fam, dev, name, bars) {id, device_table_detail::F::fam, dev, name, true, device_table_detail::bars}
#define LUMA_ROW_NOBARS(id, fam, dev, name) {id, device_table_detail::F::fam, dev, name, false, device_table_detail::kNoBars}
    LUMA_ROW(AVA_DID_1, Ava, 2, "Varnel Lumagraph AVA-1 Graphics Controller", kAvaBars),
    LUMA_ROW(AVA_DID_2, Ava, 2, "Varnel Lumagraph AVA-2 Graphics Controller", kAvaBars),
    LUMA_ROW(AVA_DID_3, Ava, 2, "Varnel Lumagraph AVA-3 Graphics Controller", kAvaBars),
    LUMA_ROW(AVA_DID_4, Ava, 2, "Varnel Lumagraph AVA-4 Graphics Controller", kAvaBars),
    LUMA_ROW(AVA_DID_5, Ava, 2, "Varnel Lumagraph AVA-5 Graphics Controller", kAvaBars),
    LUMA_ROW(DOV_DID_1, Dov, 2, "Varnel Lumagraph DOV-1 Graphics Controller", kAvaBars),
    LUMA_ROW(DOV_DID_2, Dov, 2, "Varnel Lumagraph DOV-2 Graphics Controller", kBars256),
    LUMA_ROW(DOV_DID_3, Dov, 2, "Varnel Lumagraph DOV-3 Graphics Controller", kBars256),
    LUMA_ROW(DOV_DID_4, Dov, 2, "Varnel Lumagraph DOV-4 Graphics Controller", kBars256),
    LUMA_ROW(DOV_DID_5, Dov, 2, "Varnel Lumagraph DOV-5 Graphics Controller", kBars256),
    LUMA_ROW(DOV_DID_6, Dov, 2, "Varnel Lumagraph DOV-6 Graphics Controller", kBars256),
    LUMA_ROW(DOV_DID_7, Dov, 2, "Varnel Lumagraph DOV-7 Graphics Controller", kBars512),
    LUMA_ROW(DOV_DID_8, Dov, 2, "Varnel Lumagraph DOV-8 Graphics Controller", kBars512),
    LUMA_ROW_NOBARS(CYR_DID_1, Cyr, 2, "Varnel Lumagraph CYR-1 Graphics Controller"),
    LUMA_ROW(CYR_DID_2, Cyr, 2, "Varnel Lumagraph CYR-2 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_3, Cyr, 2, "Varnel Lumagraph CYR-3 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_4, Cyr, 2, "Varnel Lumagraph CYR-4 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_5, Cyr, 2, "Varnel Lumagraph CYR-5 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_5B, Cyr, 2, nullptr, kBars512),
    LUMA_ROW(CYR_DID_6, Cyr, 2, "Varnel Lumagraph CYR-6 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_6B, Cyr, 2, nullptr, kBars512),
    LUMA_ROW(CYR_DID_7, Cyr, 2, "Varnel Lumagraph CYR-7 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_8, Cyr, 2, "Varnel Lumagraph CYR-8 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_9, Cyr, 2, "Varnel Lumagraph CYR-9 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_10, Cyr, 2, "Varnel Lumagraph CYR-10 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_11, Cyr, 2, "Varnel Lumagraph CYR-11 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_12, Cyr, 2, "Varnel Lumagraph CYR-12 Graphics Controller", kBars512),
    LUMA_ROW(CYR_DID_13, Cyr, 2, "Varnel Lumagraph CYR-13 Graphics Controller", kBars512),
    LUMA_ROW(EFT_DID, Eft, 2, "Varnel Lumagraph EFT Graphics Controller", kBars256),
    LUMA_ROW(FYN_DID, Fyn, 2, "Varnel Lumagraph FYN Graphics Controller", kBars1M),
    LUMA_ROW(DEV3_DID, Fyn, 3, nullptr, kBars1M),
    LUMA_ROW(BEX_DID_0, Bex, 2, "Varnel Lumagraph BEX-0 Graphics Controller", kBars1M),
    LUMA_ROW(BEX_DID_1, Bex, 2, "Varnel Lumagraph BEX-1 Graphics Controller", kBars1M),
    LUMA_ROW(BEX_DID_2, Bex, 2, "Varnel Lumagraph BEX-2 Graphics Controller", kBars1M),
    LUMA_ROW(BEX_DID_3, Bex, 2, "Varnel Lumagraph BEX-3 Graphics Controller", kBars1M),
    LUMA_ROW_NOBARS(BEX_DID_4, Bex, 2, nullptr),
    LUMA_ROW_NOBARS(BEX_DID_5, Bex, 2, nullptr),
    LUMA_ROW_NOBARS(BEX_DID_6, Bex, 2, nullptr),
#undef LUMA_ROW
#undef LUMA_ROW_NOBARS
};
constexpr size_t kDeviceCount = sizeof kDeviceTable / sizeof *kDeviceTable;

// The row of a device id, or null.
constexpr const DeviceInfo* find_device(uint16_t id) {
  for (const DeviceInfo& d : kDeviceTable)
    if (d.id == id) return &d;
  return nullptr;
}

// How many rows satisfy `keep`; sizes the tables derived from this one.
template <typename Keep>
constexpr size_t count_devices(Keep keep) {
  size_t n = 0;
  for (const DeviceInfo& d : kDeviceTable) n += keep(d) ? 1 : 0;
  return n;
}

// A table derived from this one: `make(row)` for each row `keep` takes, in
// this table's order. N is count_devices(keep).
template <typename Row, size_t N>
struct DerivedTable {
  Row rows[N];
};
template <typename Row, size_t N, typename Keep, typename Make>
constexpr DerivedTable<Row, N> derive_table(Keep keep, Make make) {
  DerivedTable<Row, N> t{};
  size_t n = 0;
  for (const DeviceInfo& d : kDeviceTable)
    if (keep(d)) t.rows[n++] = make(d);
  return t;
}
