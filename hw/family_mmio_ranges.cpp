// Where read_mmio_regs finds the chipset family's range table: the
// session's family object, when the deliverable carries one.
#include "core/session.h"
#include "hw/hw_regs.h"
#include "hw/raw_access.h"

const mmio_range_t* family_mmio_ranges(uint32_t* count) {
  if (count) *count = 0;
  if (!session.family) return nullptr;
  uint32_t n = 0;
  const mmio_range_t* ranges = session.family->mmio_ranges(&n);
  if (!ranges || n == 0) return nullptr;
  if (count) *count = n;
  return ranges;
}
