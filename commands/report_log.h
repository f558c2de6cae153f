// A report log read back: the registers luma_qrt's automatic report
// captured (its read_mmio_regs byte dump over the nine default ranges) and
// the graphics device its chipset line names.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hw/hw_regs.h"
#include "hw/register_source.h"

// The nine ranges the automatic report dumps, in its order (inclusive).
struct CapturedRange {
  uint32_t first;
  uint32_t last;
};
constexpr size_t kCapturedRanges = 9;
extern const CapturedRange kCapturedRangeTable[kCapturedRanges];

// The longest line a report log may hold; a longer one ends the reading.
constexpr size_t kReportLineMax = 511;

struct ReportLog {
  // One zero-filled buffer per range; a byte the log holds is placed by
  // its line's address, so a missing chunk leaves zeros and shifts nothing.
  std::vector<uint8_t> bytes[kCapturedRanges];
  // Which bytes a data line has set: the first dump of a log wins.
  std::vector<uint8_t> placed[kCapturedRanges];
  size_t bytes_placed = 0;
  unsigned sections = 0;         // lines that toggled the dump section
  bool has_device_id = false;    // the log has a chipset line
  uint16_t device_id = 0;
  size_t long_line = 0;          // the over-long line that ended the reading, 0 for none

  ReportLog();
  // The capture as a register source of device 2.
  void fill(CapturedMmio& mmio) const;
};

// Parses the text of a log (LF or CR LF line ends).
void parse_report_log(const char* text, size_t size, ReportLog& log);
// Reads and parses the file; false when it cannot be read.
bool read_report_log(const char* path, ReportLog& log);
