// read_mmio_regs: the MMIO ranges, byte by byte in the automatic report.
// An object of its own: the console tools carry it and no other hardware
// command.
#include "core/msglog.h"
#include "core/session.h"
#include "hw/command_params.h"
#include "hw/raw_access.h"

opal_exit_t cmd_read_mmio_regs(cmd_args_t* args) {
  uint32_t per_line, width, unit;
  if (!number(args, 1, "number per line", per_line) || !number(args, 2, "width", width)) return invalid(args);
  if (!per_line) per_line = 4;
  if (!width) width = 8;
  if (!unit_of(width, unit)) return invalid(args);
  clear_output(args);
  uint32_t count = 0;
  if (auto_report_mode) {
    // The report's section that the report-log parser reads back: the
    // default ranges in order, untitled.
    const mmio_range_t* ranges = default_mmio_ranges(&count);
    for (uint32_t i = 0; i < count; ++i) dump_mmio_range(ranges[i].first, ranges[i].last, unit, per_line, 2);
    return EXIT_OK;
  }
  const mmio_range_t* ranges = family_mmio_ranges(&count);
  if (!ranges) ranges = default_mmio_ranges(&count);
  for (uint32_t i = 0; i < count; ++i) {
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%s [0x%X : 0x%X]\n", ranges[i].title, ranges[i].last, ranges[i].first);
    dump_mmio_range(ranges[i].first, ranges[i].last, unit, per_line, 2);
  }
  // Dump failures show in their messages only.
  return EXIT_OK;
}
