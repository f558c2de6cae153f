// The exports that find, read and write registers by name, on simulated
// machines: what they return, what they change, and what they refuse.
#include <gtest/gtest.h>

#include <string>

#include "hw/register_access.h"
#include "hw_session.h"

namespace {

class NameExports : public HwSessionTest {};

TEST_F(NameExports, FindListsRegistersAndFieldsInDumpOrder) {
  opal_reg_match_t* list = nullptr;
  uint32_t n = 0;
  ASSERT_EQ(opal_find_regs("pipe_a_conf", &list, &n), EXIT_OK);
  ASSERT_EQ(n, 1u);
  EXPECT_STREQ(list[0].name, "pipe_a_conf");
  EXPECT_STREQ(list[0].field, "");
  EXPECT_STREQ(list[0].title, "Pipe A Configuration Register");
  EXPECT_EQ(list[0].offset, 0x70008u);
  EXPECT_EQ(list[0].device, 2u);
  EXPECT_EQ(list[0].high, 31);
  EXPECT_EQ(list[0].low, 0);
  opal_free_regs(list);
  ASSERT_EQ(opal_find_regs("0x70180.*", &list, &n), EXIT_OK);
  ASSERT_EQ(n, 12u);  // dov's plane A control fields
  EXPECT_STREQ(list[2].field, "disp_a_src_pxl_fmt");
  EXPECT_EQ(list[2].high, 29);
  EXPECT_EQ(list[2].low, 26);
  opal_free_regs(list);
  // Refusals leave the list empty.
  list = reinterpret_cast<opal_reg_match_t*>(1);
  EXPECT_EQ(opal_find_regs("no_such_register", &list, &n), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(opal_find_regs("pipe_enable", &list, &n), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_find_regs(nullptr, &list, &n), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_find_regs("*", nullptr, &n), EXIT_INVALID_PARAM_ERROR);
  opal_free_regs(nullptr);
}

TEST_F(NameExports, ReadGivesTheRegisterOrTheFieldShiftedDown) {
  ASSERT_EQ(opal_write_mmio_reg(0x70180, 0x98000000u, 32), EXIT_OK);
  uint32_t v = 0;
  ASSERT_EQ(opal_read_reg("plane_a_ctrl", &v), EXIT_OK);
  EXPECT_EQ(v, 0x98000000u);
  ASSERT_EQ(opal_read_reg("disp_a_src_pxl_fmt", &v), EXIT_OK);
  EXPECT_EQ(v, 0x6u);
  ASSERT_EQ(opal_read_reg("DISPLAY A PLANE CONTROL REGISTER.disp_plane_a_enable", &v), EXIT_OK);
  EXPECT_EQ(v, 1u);
  v = 77;
  EXPECT_EQ(opal_read_reg("pipe_?_conf", &v), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_read_reg("plane_a_ctrl", nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(v, 77u);
}

TEST_F(NameExports, FieldWriteChangesOnlyItsBitsAndReservedBitsStay) {
  ASSERT_EQ(opal_write_mmio_reg(0x70180, 0x98000000u, 32), EXIT_OK);
  uint32_t before = 0, after = 0;
  ASSERT_EQ(opal_write_reg("plane_a_ctrl.disp_a_src_pxl_fmt", 0x2, &before, &after), EXIT_OK);
  EXPECT_EQ(before, 0x98000000u);
  EXPECT_EQ(after, 0x88000000u);
  EXPECT_EQ(opal_read_mmio_reg(0x70180, 32), 0x88000000u);
  // A whole register: the reserved fields' bits (dov: 19:15, 10:0) stay.
  ASSERT_EQ(opal_write_mmio_reg(0x70180, 0x00000123u, 32), EXIT_OK);
  ASSERT_EQ(opal_write_reg("plane_a_ctrl", 0xFFFFFFFFu, &before, &after), EXIT_OK);
  EXPECT_EQ(after, (0xFFFFFFFFu & ~0x000F87FFu) | 0x123u);
  EXPECT_EQ(opal_read_mmio_reg(0x70180, 32), after);
}

TEST_F(NameExports, RefusalsTouchNothing) {
  ASSERT_EQ(opal_write_mmio_reg(0x70180, 0x98000000u, 32), EXIT_OK);
  // Four bits hold at most 0xF; a reserved field is never written; a name
  // must be one register or field.
  EXPECT_EQ(opal_write_reg("disp_a_src_pxl_fmt", 0x10, nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_write_reg("plane_a_ctrl.reserved1", 0, nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_write_reg("pipe_enable", 0, nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_write_reg("plane_a_ctl", 0, nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_write_reg(nullptr, 0, nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_read_mmio_reg(0x70180, 32), 0x98000000u);
}

class ReadOnlyBits : public HwSessionTest {
 protected:
  ReadOnlyBits()
      : HwSessionTest("base = dov\n[machine]\nwait_scale = 0\n[mmio 2 read_only]\n0x70180 = 0x40000000\n") {}
};

TEST_F(ReadOnlyBits, AWriteWhoseBitsDoNotTakeIsReported) {
  ASSERT_EQ(opal_write_mmio_reg(0x70180, 0x98000000u, 32), EXIT_OK);
  uint32_t before = 0, after = 0;
  // The gamma bit (30) keeps its 0: the read-back differs.
  EXPECT_EQ(opal_write_reg("disp_a_gamma_enable", 1, &before, &after), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(before, 0x98000000u);
  EXPECT_EQ(after, 0x98000000u);
  // Bits beside the read-only one take.
  EXPECT_EQ(opal_write_reg("disp_plane_a_enable", 0, &before, &after), EXIT_OK);
  EXPECT_EQ(after, 0x18000000u);
}

TEST_F(NameExports, CapturedRegistersAreReadNotWritten) {
  auto capture = std::make_unique<CapturedMmio>(2);
  capture->add_range(0x70000, std::vector<uint8_t>(0x200, 0));
  capture->add_range(0x70180, {0x00, 0x00, 0x00, 0x81});
  use_captured_registers(std::move(capture), 6, "fyn.log");
  uint32_t v = 0;
  EXPECT_EQ(opal_read_reg("plane_a_ctrl", &v), EXIT_OK);
  EXPECT_EQ(v, 0x81000000u);
  // fyn's map: its plane A pipe select is two bits wide.
  EXPECT_EQ(opal_read_reg("plane_a_pipe_select", &v), EXIT_OK);
  EXPECT_EQ(v, 1u);
  EXPECT_EQ(opal_read_reg("pipe_a_htotal", &v), EXIT_OS_CALL_ERROR);  // not captured
  EXPECT_EQ(opal_write_reg("plane_a_ctrl", 0, nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  use_live_registers();
  EXPECT_EQ(opal_read_reg("plane_a_pipe_select", &v), EXIT_INVALID_PARAM_ERROR);  // dov has no such field
}

}  // namespace
