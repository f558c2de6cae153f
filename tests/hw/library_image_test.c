/* A program that carries no driver image of its own: lumainfo installs the
 * image it carries, and the MMIO exports work through it. */
#include <stdio.h>
#include <string.h>

#include "lumainfo.h"
#include "support/c_check.h"

int main(int argc, char** argv) {
  /* A machine without a graphics device (Windows under wine): the driver
   * installs and answers, but refuses every register. */
  int no_device = argc > 1 && strcmp(argv[1], "--no-graphics-device") == 0;
  CHECK(opal_open(1) == EXIT_OK);
  /* Only 8, 16 and 32 bits exist. */
  CHECK(opal_write_mmio_reg(0x70184, 0, 24) == EXIT_INVALID_PARAM_ERROR);
  CHECK(opal_read_mmio_reg(0x70184, 24) == 0);
  if (no_device) {
    CHECK(opal_write_mmio_reg(0x70184, 0x12345678u, 32) == EXIT_OS_CALL_ERROR);
    CHECK(opal_read_mmio_reg(0x70184, 32) == 0);
  } else {
    CHECK(opal_write_mmio_reg(0x70184, 0x12345678u, 32) == EXIT_OK);
    CHECK(opal_read_mmio_reg(0x70184, 32) == 0x12345678u);
    CHECK(opal_read_mmio_reg(0x70186, 16) == 0x1234u);
    CHECK(opal_write_mmio_reg(0x70187, 0xAB, 8) == EXIT_OK);
    CHECK(opal_read_mmio_reg(0x70184, 32) == 0xAB345678u);
    /* Past the register window the driver refuses. */
    CHECK(opal_write_mmio_reg(0x80000, 1, 32) == EXIT_OS_CALL_ERROR);
    /* The same register by name, and one field of it. */
    uint32_t value = 0, before = 0, after = 0;
    CHECK(opal_read_reg("plane_a_start_addr", &value) == EXIT_OK && value == 0xAB345678u);
    CHECK(opal_write_reg("plane_a_start_addr.disp_start_addr", 0x1000, &before, &after) == EXIT_OK);
    CHECK(before == 0xAB345678u && after == 0x1000u);
  }
  {
    /* Names resolve in the session's family on any machine. */
    opal_reg_match_t* found = NULL;
    uint32_t count = 0;
    CHECK(opal_find_regs("pipe_a_*", &found, &count) == EXIT_OK && count == 8);
    CHECK(found && strcmp(found[0].name, "pipe_a_conf") == 0 && found[0].offset == 0x70008u);
    opal_free_regs(found);
    CHECK(opal_find_regs("pipe_a_confx", &found, &count) == EXIT_INVALID_PARAM_ERROR && found == NULL);
  }
  CHECK(opal_close() != 0);
  /* The driver is gone with the session. */
  CHECK(opal_read_mmio_reg(0x70184, 32) == 0);
  CHECK(opal_write_mmio_reg(0x70184, 1, 32) == EXIT_OS_CALL_ERROR);
  return CHECK_RESULT;
}
