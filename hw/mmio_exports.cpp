// The exported MMIO register functions: device 2's window through the
// driver client.
#include "core/msglog.h"
#include "hw/driver_client.h"
#include "lumainfo.h"

namespace {
bool valid_width(uint32_t width) {
  if (width == 8 || width == 16 || width == 32) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid width: %u (8, 16 or 32)", width);
  return false;
}
}  // namespace

extern "C" uint32_t opal_read_mmio_reg(uint32_t offset, uint32_t width) {
  uint32_t value = 0;
  if (!valid_width(width) || !drv_read_mmio(width, offset, &value, 2)) return 0;
  return value;
}

extern "C" opal_exit_t opal_write_mmio_reg(uint32_t offset, uint32_t value, uint32_t width) {
  if (!valid_width(width)) return EXIT_INVALID_PARAM_ERROR;
  return drv_write_reg(DRV_TARGET_MMIO, width, offset, value, 2) ? EXIT_OK : EXIT_OS_CALL_ERROR;
}
