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
  }
  CHECK(opal_close() != 0);
  /* The driver is gone with the session. */
  CHECK(opal_read_mmio_reg(0x70184, 32) == 0);
  CHECK(opal_write_mmio_reg(0x70184, 1, 32) == EXIT_OS_CALL_ERROR);
  return CHECK_RESULT;
}
