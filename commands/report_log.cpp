#include "commands/report_log.h"

#include <cstdio>
#include <cstring>

#include "oal/files.h"

const CapturedRange kCapturedRangeTable[kCapturedRanges] = {
    {0x1000, 0xAFFF},   {0x10000, 0x13FFF}, {0x30000, 0x3FFFF}, {0x60000, 0x68FFF}, {0x70000, 0x7000F},
    {0x70180, 0x7019F}, {0x71000, 0x7100F}, {0x71180, 0x7119F}, {0x71400, 0x7140F},
};

namespace {

constexpr char kSectionMark[] = "Function: READ_MMIO_REGS";
constexpr char kChipsetMark[] = "Chipset: 0x";

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A hexadecimal token of [p, end); false when it is empty, holds anything
// else or does not fit 32 bits.
bool parse_hex(const char* p, const char* end, uint32_t* value) {
  if (p == end || end - p > 8) return false;
  uint32_t v = 0;
  for (; p != end; ++p) {
    int d = hex_digit(*p);
    if (d < 0) return false;
    v = v << 4 | static_cast<uint32_t>(d);
  }
  *value = v;
  return true;
}

bool contains(const char* p, const char* end, const char* mark, size_t n) {
  if (static_cast<size_t>(end - p) < n) return false;
  for (const char* q = p; q + n <= end; ++q)
    if (*q == *mark && std::memcmp(q, mark, n) == 0) return true;
  return false;
}

// The range holding `offset`; the table is ordered, so the last one whose
// first offset is not above it is the only candidate.
int range_of(uint32_t offset) {
  for (int i = static_cast<int>(kCapturedRanges) - 1; i >= 0; --i)
    if (offset >= kCapturedRangeTable[i].first) return offset <= kCapturedRangeTable[i].last ? i : -1;
  return -1;
}

void place(ReportLog& log, uint64_t address, uint8_t byte, int& range) {
  if (address > 0xFFFFFFFFu) return;
  uint32_t offset = static_cast<uint32_t>(address);
  if (range < 0 || offset < kCapturedRangeTable[range].first || offset > kCapturedRangeTable[range].last)
    range = range_of(offset);
  if (range < 0) return;
  size_t at = offset - kCapturedRangeTable[range].first;
  if (log.placed[range][at]) return;
  log.placed[range][at] = 1;
  log.bytes[range][at] = byte;
  ++log.bytes_placed;
}

// "<address> <byte> <byte> ...": each byte goes to the address plus its
// position on the line. A line whose first token begins with a letter is a
// heading; a token that is no hexadecimal number ends the line.
void data_line(ReportLog& log, const char* p, const char* end) {
  while (p != end && is_blank(*p)) ++p;
  if (p == end || is_letter(*p)) return;
  const char* t = p;
  while (p != end && !is_blank(*p)) ++p;
  uint32_t address = 0;
  if (!parse_hex(t, p, &address)) return;
  uint64_t at = address;
  int range = -1;
  for (;;) {
    while (p != end && is_blank(*p)) ++p;
    if (p == end) return;
    t = p;
    while (p != end && !is_blank(*p)) ++p;
    uint32_t value = 0;
    if (!parse_hex(t, p, &value)) return;
    place(log, at++, static_cast<uint8_t>(value & 0xFF), range);
  }
}

// "Chipset: 0x<id>, ..." as get_chipset_name writes it.
void chipset_line(ReportLog& log, const char* p, const char* end) {
  size_t n = sizeof kChipsetMark - 1;
  for (const char* q = p; q + n <= end; ++q) {
    if (std::memcmp(q, kChipsetMark, n) != 0) continue;
    const char* d = q + n;
    const char* e = d;
    while (e != end && hex_digit(*e) >= 0) ++e;
    uint32_t id = 0;
    if (e - d <= 4 && parse_hex(d, e, &id)) {
      log.has_device_id = true;
      log.device_id = static_cast<uint16_t>(id);
    }
    return;
  }
}

}  // namespace

ReportLog::ReportLog() {
  for (size_t i = 0; i < kCapturedRanges; ++i) {
    size_t n = kCapturedRangeTable[i].last - kCapturedRangeTable[i].first + 1;
    bytes[i].assign(n, 0);
    placed[i].assign(n, 0);
  }
}

void ReportLog::fill(CapturedMmio& mmio) const {
  for (size_t i = 0; i < kCapturedRanges; ++i) mmio.add_range(kCapturedRangeTable[i].first, bytes[i]);
}

void parse_report_log(const char* text, size_t size, ReportLog& log) {
  const char* p = text;
  const char* end = text + size;
  bool in_section = false;
  size_t number = 0;
  while (p != end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* line_end = eol ? eol : end;
    const char* next = eol ? eol + 1 : end;
    ++number;
    if (line_end != p && line_end[-1] == '\r') --line_end;
    if (static_cast<size_t>(line_end - p) > kReportLineMax) {
      log.long_line = number;
      return;
    }
    if (contains(p, line_end, kSectionMark, sizeof kSectionMark - 1)) {
      in_section = !in_section;
      ++log.sections;
    } else if (in_section) {
      data_line(log, p, line_end);
    } else if (!log.has_device_id) {
      chipset_line(log, p, line_end);
    }
    p = next;
  }
}

bool read_report_log(const char* path, ReportLog& log) {
  FILE* f = path ? oal::fopen(path, "rb") : nullptr;
  if (!f) return false;
  std::string text;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (ok) parse_report_log(text.data(), text.size(), log);
  return ok;
}

