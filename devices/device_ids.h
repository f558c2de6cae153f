// PCI ids of the supported graphics devices, shared by the register access
// driver's BAR table, the chipset name table and the choice of the chipset
// family. Each name is one device; the families group them.
#pragma once
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
