// The chipset register maps as data: every table checks itself, and the
// decoder prints any row in the system's field format.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "core/msglog.h"
#include "devices/device_ids.h"
#include "hw/hw_regs.h"
#include "commands/register_commands.h"
#include "hw/register_dump.h"
#include "support/sim_fixture.h"

namespace {

const int kFamilyIds[] = {1, 2, 4, 5, 6, 7};

std::unique_ptr<cmn_hw_regs_t> family(int id) { return std::unique_ptr<cmn_hw_regs_t>(create_hw_regs_for(id)); }

// The registers that are 16 bits wide; every other field list spans 31..0.
bool sixteen_bits(decode_op op) { return op == DECODE_INT_STATUS || op == DECODE_ERROR_STATUS; }

void check_fields(const std::string& where, const bit_field_t* fields, size_t count, unsigned top) {
  ASSERT_GT(count, 0u) << where;
  unsigned expect = top;
  std::set<std::string> names;
  for (size_t i = 0; i < count; ++i) {
    const bit_field_t& f = fields[i];
    SCOPED_TRACE(where + " " + f.name);
    EXPECT_LE(f.high, 31);
    EXPECT_GE(f.high, f.low);
    // From the most significant bit down, each field starts where the last ended.
    EXPECT_EQ(f.high, expect);
    expect = f.low - 1u;
    EXPECT_TRUE(names.insert(f.name).second) << "name used twice in one register";
    EXPECT_FALSE(std::string(f.name).empty());
  }
  EXPECT_EQ(fields[count - 1].low, 0) << where;
}

TEST(RegisterMaps, EveryFieldListCoversItsRegister) {
  size_t rows = 0;
  for (int id : kFamilyIds) {
    auto fam = family(id);
    for (int op = DECODE_PLANE_A_CTRL; op < DECODE_OP_COUNT; ++op) {
      const decode_row_t* row = fam->decode_row(static_cast<decode_op>(op));
      if (!row) continue;
      std::string where = std::to_string(id) + ":" + decode_op_name(static_cast<decode_op>(op));
      EXPECT_EQ(row->op, op) << where;
      // A row either prints fields or forwards to a row that does.
      if (row->as != DECODE_NONE) {
        EXPECT_EQ(row->count, 0) << where;
        const decode_row_t* target = fam->decode_row(row->as);
        ASSERT_NE(target, nullptr) << where;
        EXPECT_EQ(target->as, DECODE_NONE) << where << " forwards twice";
        EXPECT_GT(target->count, 0) << where;
        EXPECT_EQ(target->reread_device, 0) << where << " forwards to a row that reads again";
        continue;
      }
      if (row->count == 0) continue;  // prints nothing
      check_fields(where, row->fields, row->count, sixteen_bits(row->op) ? 15 : 31);
      rows += row->count;
    }
  }
  // The rows every family prints, those it inherits counted again.
  EXPECT_GT(rows, 1000u);
  size_t n = 0;
  const bit_field_t* f = vgacntrl_fields(&n);
  check_fields("vgacntrl", f, n, 31);
  EXPECT_EQ(n, 16u);
  f = lvds_fields(&n);
  check_fields("lvds", f, n, 31);
  EXPECT_EQ(n, 19u);
}

TEST(RegisterMaps, RereadRowsNameTheirDeviceAndOnlyTheTwoFamiliesHaveThem) {
  for (int id : kFamilyIds) {
    auto fam = family(id);
    for (int op = DECODE_PLANE_A_CTRL; op < DECODE_OP_COUNT; ++op) {
      const decode_row_t* row = fam->decode_row(static_cast<decode_op>(op));
      if (!row || !row->reread_device) continue;
      EXPECT_TRUE(id == 6 || id == 7) << id;
      EXPECT_EQ(row->reread_device, id == 6 ? 3 : 2) << decode_op_name(static_cast<decode_op>(op));
    }
  }
}

TEST(RegisterMaps, RangeTablesAreInOrderAndTitled) {
  const uint32_t kCounts[] = {9, 9, 13, 12, 12, 15};
  for (size_t k = 0; k < 6; ++k) {
    auto fam = family(kFamilyIds[k]);
    uint32_t n = 0;
    const mmio_range_t* r = fam->mmio_ranges(&n);
    ASSERT_EQ(n, kCounts[k]) << kFamilyIds[k];
    for (uint32_t i = 0; i < n; ++i) {
      SCOPED_TRACE(std::to_string(kFamilyIds[k]) + " " + r[i].title);
      EXPECT_LE(r[i].first, r[i].last);
      EXPECT_LT(r[i].last, 0x100000u) << "inside the register window";
      if (i) {
        EXPECT_GT(r[i].first, r[i - 1].last) << "after the range before it";
      }
      EXPECT_GT(std::strlen(r[i].title), 0u);
    }
  }
}

TEST(RegisterMaps, TablesPerFamily) {
  struct Expect {
    int id;
    uint32_t plane, port, error;
  };
  const Expect kExpect[] = {{1, 12, 4, 7}, {2, 12, 4, 7}, {4, 12, 4, 7}, {5, 10, 1, 3}, {6, 9, 3, 3}, {7, 9, 7, 3}};
  for (const Expect& e : kExpect) {
    auto fam = family(e.id);
    reg_desc_t* t = nullptr;
    uint32_t n = 0;
    fam->get_plane_regs(&t, &n);
    EXPECT_EQ(n, e.plane) << e.id;
    for (uint32_t i = 1; i < n; ++i) EXPECT_NE(t[i].offset, t[i - 1].offset);
    free_reg_table(t);
    t = nullptr;
    fam->get_port_regs(&t, &n);
    EXPECT_EQ(n, e.port) << e.id;
    free_reg_table(t);
    t = nullptr;
    fam->get_error_regs(&t, &n);
    EXPECT_EQ(n, e.error) << e.id;
    // Every error register at its family's offset, never the placeholder.
    for (uint32_t i = 0; i < n; ++i) EXPECT_GE(t[i].offset, 0x2024u);
    free_reg_table(t);
  }
  // cyr's own error registers, in the table order.
  auto cyr = family(4);
  reg_desc_t* t = nullptr;
  uint32_t n = 0;
  cyr->get_error_regs(&t, &n);
  const uint32_t kCyr[] = {0x2024, 0x2064, 0x2068, 0x2074, 0x20AC, 0x20B8, 0x2078};
  ASSERT_EQ(n, 7u);
  for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(t[i].offset, kCyr[i]);
  free_reg_table(t);
}

TEST(RegisterMaps, SurfaceRegistersAndRings) {
  struct Expect {
    int id;
    uint32_t surface_a, surface_b, rings;
  };
  const Expect kExpect[] = {{1, 0x70184, 0x71184, 7}, {2, 0x70184, 0x71184, 7}, {4, 0x7019C, 0x7119C, 1},
                            {5, 0x70184, 0x71184, 0}, {6, 0x70184, 0x71184, 0}, {7, 0x70184, 0x71184, 0}};
  for (const Expect& e : kExpect) {
    auto fam = family(e.id);
    EXPECT_EQ(fam->surface_addr_offset(0), e.surface_a) << e.id;
    EXPECT_EQ(fam->surface_addr_offset(1), e.surface_b) << e.id;
    EXPECT_EQ(fam->supported_rings(), e.rings) << e.id;
  }
  uint32_t dpll[3];
  for (int id : kFamilyIds) {
    dpll_a_offsets(id, dpll);
    EXPECT_EQ(dpll[0], id == 6 ? 0xF014u : 0x6014u) << id;
    EXPECT_EQ(dpll[2] - dpll[1], 4u);
  }
}

TEST(RegisterMaps, ASetOutPointerIsReportedAndReplaced) {
  auto fam = family(2);
  reg_desc_t* first = nullptr;
  uint32_t n = 0;
  fam->get_port_regs(&first, &n);
  reg_desc_t* table = first;
  StdoutCapture out;
  fam->get_port_regs(&table, &n);
  EXPECT_EQ(out.stop(), "Port regs is not NULL. Possible memory leak!\n");
  EXPECT_NE(table, nullptr);
  free_reg_table(first);
  free_reg_table(table);
}

TEST(RegisterMaps, FamilyByDeviceId) {
  const std::pair<uint16_t, int> kIds[] = {
      {BEX_DID_0, 7}, {BEX_DID_6, 7}, {DOV_DID_1, 2}, {DOV_DID_8, 2}, {CYR_DID_1, 4}, {CYR_DID_13, 4},
      {FYN_DID, 6},   {EFT_DID, 5},   {AVA_DID_1, 1}, {AVA_DID_5, 1}, {0x1234, 1},    {CYR_DID_5B, 1},
      {DEV3_DID, 1},
  };
  for (auto [id, family_id] : kIds) EXPECT_EQ(family_id_of_device(id), family_id) << std::hex << id;
  // Every device the choice names is of that family in the device table.
  const int kIdOf[] = {1, 2, 4, 5, 6, 7};  // by ChipFamily
  for (const DeviceInfo& d : kDeviceTable) {
    int chosen = family_id_of_device(d.id);
    if (chosen != 1) {
      EXPECT_EQ(chosen, kIdOf[static_cast<int>(d.family)]) << std::hex << d.id;
    }
  }
  for (int id : kFamilyIds) EXPECT_EQ(family(id)->family_id(), id);
}

TEST(RegisterMaps, StolenMemoryRules) {
  constexpr uint32_t K = 1024, M = 1024 * 1024;
  struct Case {
    uint16_t id, word;
    uint32_t bytes;
  };
  const Case kCases[] = {
      {AVA_DID_2, 0x20, 512 * K}, {AVA_DID_3, 0x30, 1 * M},   {AVA_DID_4, 0x40, 8 * M},  {AVA_DID_4, 0x10, 0},
      {AVA_DID_4, 0x70, 0},       {AVA_DID_1, 0x30, 0},       {DOV_DID_2, 0x10, 1 * M},  {DOV_DID_2, 0x20, 4 * M},
      {FYN_DID, 0x70, 64 * M},    {EFT_DID, 0xF0, 64 * M},    {CYR_DID_5, 0x50, 32 * M}, {AVA_DID_5, 0x60, 48 * M},
      {DOV_DID_7, 0x80, 128 * M}, {CYR_DID_13, 0x90, 256 * M}, {CYR_DID_9, 0xA0, 0},     {DOV_DID_6, 0x30, 0},
      {CYR_DID_6, 0x30, 0},       {BEX_DID_0, 0x30, 0},       {DOV_DID_1, 0x0F, 0},
  };
  for (const Case& c : kCases) EXPECT_EQ(stolen_memory_size(c.id, c.word), c.bytes) << std::hex << c.id << " " << c.word;
}

// ---- the decoder ------------------------------------------------------------

class Decoder : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = debug_volume; }
  void TearDown() override { debug_volume = saved_; }
  std::string decode(int family_id, decode_op op, uint32_t offset, uint32_t value, RegisterSource& regs) {
    auto fam = family(family_id);
    StdoutCapture out;
    fam->decode(op, offset, value, regs);
    return out.stop();
  }
  uint32_t saved_ = 0;
};

// A source with one value per device, counting its reads.
class FixedRegisters : public RegisterSource {
 public:
  bool read32(uint32_t offset, uint32_t* value, uint32_t device) override {
    ++reads;
    last_offset = offset;
    if (fail) return false;
    *value = device == 3 ? 0x33333333 : 0x22222222;
    return true;
  }
  bool is_capture() const override { return false; }
  bool fail = false;
  int reads = 0;
  uint32_t last_offset = 0;
};

TEST_F(Decoder, FieldsGoFourToAMessage) {
  FixedRegisters regs;
  EXPECT_EQ(decode(1, DECODE_SPRITE_SIZE, 0x70190, 0x07FF07FF, regs),
            "[31:27] reserved2                               : 0x0\n"
            "[26:16] sprite_height                           : 0x7FF\n"
            "[15:11] reserved1                               : 0x0\n"
            "[10:0]  sprite_width                            : 0x7FF\n");
  // Five fields: four, then one.
  EXPECT_EQ(decode(2, DECODE_TV_CC_CTRL, 0x68090, 0x88030015, regs),
            "[31]    cc_ena                                  : 0x1\n"
            "[30:28] reserved3                               : 0x0\n"
            "[27]    cc_fid                                  : 0x1\n"
            "[26]    reserved2                               : 0x0\n"
            "[25:16] cc_hoff                                 : 0x3\n"
            "[15:6]  reserved1                               : 0x0\n"
            "[5:0]   cc_line                                 : 0x15\n");
  EXPECT_EQ(regs.reads, 0);
}

TEST_F(Decoder, AddressFieldsEndWithAnEmptyLineAndStatusFieldsDoNot) {
  FixedRegisters regs;
  EXPECT_EQ(decode(2, DECODE_STRIDE, 0x70188, 0x1000, regs),
            "[31:0]  disp_stride                             : 0x1000\n\n");
  EXPECT_EQ(decode(2, DECODE_INT_STATUS, 0x20AC, 0xFFFF1234, regs),
            "[15:0]  int_status_bits                         : 0x1234\n");
}

TEST_F(Decoder, ForwardedAndEmptyOperations) {
  FixedRegisters regs;
  // Pipe B decodes as pipe A of the same family; dov's pipe A is its own.
  EXPECT_EQ(decode(2, DECODE_PIPE_B_SRC_SIZE, 0x6101C, 0x03FF02FF, regs), decode(2, DECODE_PIPE_A_SRC_SIZE, 0x6001C, 0x03FF02FF, regs));
  EXPECT_NE(decode(1, DECODE_PIPE_A_SRC_SIZE, 0x6001C, 0x03FF02FF, regs), decode(2, DECODE_PIPE_A_SRC_SIZE, 0x6001C, 0x03FF02FF, regs));
  // dov's DPLL B control is its DPLL A control; cyr inherits that and
  // brings its own DPLL A fields.
  EXPECT_EQ(decode(4, DECODE_DPLL_B_CTRL, 0x6018, 0x80000000, regs), decode(4, DECODE_DPLL_A_CTRL, 0x6014, 0x80000000, regs));
  EXPECT_NE(decode(4, DECODE_DPLL_B_CTRL, 0x6018, 0x80000000, regs), decode(2, DECODE_DPLL_B_CTRL, 0x6018, 0x80000000, regs));
  EXPECT_EQ(decode(2, DECODE_PGTBL_ER, 0x2024, 0x12345678, regs), "");
  EXPECT_EQ(decode(1, DECODE_TV_CTRL, 0x68000, 0x12345678, regs), "");
  EXPECT_EQ(decode(2, DECODE_TV_CC_DATA, 0x68098, 0x12345678, regs), "");
  EXPECT_NE(decode(4, DECODE_TV_CC_DATA, 0x68098, 0x12345678, regs), "");
}

TEST_F(Decoder, SecondDeviceFormsReadTheirOwnRegisterAgain) {
  FixedRegisters regs;
  std::string fyn = decode(6, DECODE_DPLL_B_DIVISOR0, 0x6048, 0x1, regs);
  EXPECT_EQ(regs.last_offset, 0x6048u);
  EXPECT_EQ(fyn,
            "DPLL B Divisor Register 0           [0x6048  ]  : 0x33333333\n"
            "Device 3\n"
            "[31:14] reserved2                               : 0xCCCC\n"
            "[13:8]  fp_m1_divisor                           : 0x33\n"
            "[7:0]   reserved1                               : 0x33\n");
  // bex reads device 2 and says so.
  std::string bex = decode(7, DECODE_PIPE_B_HTOTAL, 0x61000, 0x1, regs);
  EXPECT_EQ(bex.substr(0, 9), "Device 2\n");
  EXPECT_NE(bex.find(": 0x222\n"), std::string::npos) << bex;
  // The device line first, then the header, for the DVO port; the C entry
  // reads its own register, not the B one.
  std::string c = decode(7, DECODE_DVO_PORT, 0x61160, 0x1, regs);
  EXPECT_EQ(regs.last_offset, 0x61160u);
  EXPECT_EQ(c.substr(0, c.find('\n', 9) + 1),
            "Device 2\nDVO HDMI B/C Port                   [0x61160 ]  : 0x22222222\n");
  // A failed read decodes the value given.
  regs.fail = true;
  EXPECT_NE(decode(6, DECODE_PIPE_B_CONF, 0x71008, 0x80000000, regs).find("[31]    pipeb_enable                            : 0x1"),
            std::string::npos);
}

TEST_F(Decoder, NothingAtVolumeZero) {
  FixedRegisters regs;
  debug_volume = 0;
  EXPECT_EQ(decode(6, DECODE_DPLL_B_CTRL, 0x6018, 0x1, regs), "");
  EXPECT_EQ(decode(2, DECODE_PLANE_A_CTRL, 0x70180, 0x1, regs), "");
}

TEST(Snapshot, HighestPairHoldingAllFourBytesWins) {
  FixedRegisters live;
  SnapshotSource snap(live);
  uint8_t low[16], high[8];
  for (int i = 0; i < 16; ++i) low[i] = uint8_t(0x10 + i);
  for (int i = 0; i < 8; ++i) high[i] = uint8_t(0x80 + i);
  snap.set_pair(0, low, sizeof low, 0x1000);
  snap.set_pair(2, high, sizeof high, 0x1008);
  uint32_t v = 0;
  ASSERT_TRUE(snap.read32(0x1000, &v));
  EXPECT_EQ(v, 0x13121110u);
  ASSERT_TRUE(snap.read32(0x1008, &v));  // both hold it: pair 2
  EXPECT_EQ(v, 0x83828180u);
  ASSERT_TRUE(snap.read32(0x100C, &v));
  EXPECT_EQ(v, 0x87868584u);
  // Past pair 2's end but inside pair 0.
  ASSERT_TRUE(snap.read32(0x1002, &v));
  EXPECT_EQ(v, 0x15141312u);
  EXPECT_EQ(live.reads, 0);
  // Below every base, straddling an end, past every end, or another
  // device: the source behind answers.
  for (uint32_t offset : {0xFFCu, 0x100Du, 0x1010u}) {
    ASSERT_TRUE(snap.read32(offset, &v));
    EXPECT_EQ(v, 0x22222222u) << std::hex << offset;
  }
  ASSERT_TRUE(snap.read32(0x1000, &v, 3));
  EXPECT_EQ(v, 0x33333333u);
}

TEST(Snapshot, CapturedImageReadsOnlyWholeRegisters) {
  CapturedMmio image;
  image.add_range(0x70000, {1, 2, 3, 4, 5, 6});
  uint32_t v = 0;
  EXPECT_TRUE(image.read32(0x70000, &v));
  EXPECT_EQ(v, 0x04030201u);
  EXPECT_TRUE(image.read32(0x70002, &v));
  EXPECT_FALSE(image.read32(0x70004, &v));
  EXPECT_FALSE(image.read32(0x6FFFE, &v));
  EXPECT_FALSE(image.read32(0x70000, &v, 3));
  EXPECT_FALSE(image.read32(0xFFFFFFFE, &v));
  EXPECT_TRUE(image.is_capture());
}

TEST(Snapshot, OnlyRegisteredBuffersCanBeNamed) {
  uint8_t buffer[64] = {};
  EXPECT_EQ(snapshot_bytes_at(reinterpret_cast<uintptr_t>(buffer)), 0u);
  register_snapshot_buffer(buffer, sizeof buffer);
  EXPECT_EQ(snapshot_bytes_at(reinterpret_cast<uintptr_t>(buffer)), 64u);
  EXPECT_EQ(snapshot_bytes_at(reinterpret_cast<uintptr_t>(buffer + 60)), 4u);
  EXPECT_EQ(snapshot_bytes_at(reinterpret_cast<uintptr_t>(buffer + 64)), 0u);
  unregister_snapshot_buffer(buffer);
  EXPECT_EQ(snapshot_bytes_at(reinterpret_cast<uintptr_t>(buffer)), 0u);
}

}  // namespace
