// libFuzzer entry: a report log's text read back into captured registers.
// Whatever the text, nothing lands outside the nine range buffers and a
// byte is placed at most once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "commands/report_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReportLog log;
  parse_report_log(reinterpret_cast<const char*>(data), size, log);
  size_t capacity = 0;
  for (size_t i = 0; i < kCapturedRanges; ++i) {
    if (log.bytes[i].size() != kCapturedRangeTable[i].last - kCapturedRangeTable[i].first + 1) std::abort();
    capacity += log.bytes[i].size();
  }
  if (log.bytes_placed > capacity) std::abort();
  CapturedMmio mmio;
  log.fill(mmio);
  uint32_t value = 0;
  mmio.read32(0x71400, &value);
  return 0;
}
