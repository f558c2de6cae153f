// The hex listings, the chunked MMIO dump and the PCI header report.
#include "hw/raw_access.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/msglog.h"
#include "core/records.h"
#include "hw/driver_client.h"

namespace {

// One request moves at most 8 KiB.
constexpr uint32_t kChunkBytes = 8192;

// A line under construction, never longer than one message.
class Line {
 public:
  bool fits(size_t more) const { return used_ + more < sizeof text_; }
  void add(const char* format, ...) LUMA_PRINTF(2, 3) {
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(text_ + used_, sizeof text_ - used_, format, ap);
    va_end(ap);
    if (n > 0) used_ = std::min(sizeof text_ - 1, used_ + static_cast<size_t>(n));
  }
  // `digits` upper-case hex digits of `value` after `prefix`: the
  // listing's own formats without a formatter pass per unit.
  void add_hex(const char* prefix, uint32_t value, int digits) {
    size_t n = std::strlen(prefix);
    if (!fits(n + digits)) return;
    std::memcpy(text_ + used_, prefix, n);
    used_ += n;
    for (int i = digits - 1; i >= 0; --i) text_[used_++] = "0123456789ABCDEF"[(value >> (4 * i)) & 0xF];
    text_[used_] = '\0';
  }
  void write() {
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%s", text_);
    used_ = 0;
    text_[0] = '\0';
  }
  bool empty() const { return used_ == 0; }

 private:
  char text_[kMessageMax] = "";
  size_t used_ = 0;
};

const mmio_range_t kDefaultRanges[] = {
    {0x1000, 0xAFFF, ""},    {0x10000, 0x13FFF, ""}, {0x30000, 0x3FFFF, ""},
    {0x60000, 0x68FFF, ""},  {0x70000, 0x7000F, ""}, {0x70180, 0x7019F, ""},
    {0x71000, 0x7100F, ""},  {0x71180, 0x7119F, ""}, {0x71400, 0x7140F, ""},
};

struct PciField {
  const char* name;
  uint32_t offset;
  uint32_t size;
};
const PciField kPciFields[] = {
    {"vendor_id", 0, 2},        {"device_id", 2, 2},       {"command_reg", 4, 2},     {"status_reg", 6, 2},
    {"rev_id", 8, 1},           {"class_code[0]", 9, 1},   {"class_code[1]", 10, 1},  {"class_code[2]", 11, 1},
    {"cache_line_size", 12, 1}, {"latency_timer", 13, 1},  {"header_type", 14, 1},    {"bist", 15, 1},
    {"BAR[0]", 16, 4},          {"BAR[1]", 20, 4},         {"BAR[2]", 24, 4},         {"BAR[3]", 28, 4},
    {"BAR[4]", 32, 4},          {"BAR[5]", 36, 4},         {"cis_pointer", 40, 4},    {"subsys_vendor_id", 44, 2},
    {"subsys_id", 46, 2},       {"rom_base_addr", 48, 4},  {"cap_pointer", 52, 1},    {"reserved[0]", 53, 1},
    {"reserved[1]", 54, 1},     {"reserved[2]", 55, 1},    {"reserved2", 56, 4},      {"int_line", 60, 1},
    {"int_pin", 61, 1},         {"min_gnt", 62, 1},        {"max_lat", 63, 1},
};

uint32_t little_endian(const uint8_t* p, uint32_t size) {
  uint32_t v = 0;
  for (uint32_t i = 0; i < size; ++i) v |= uint32_t(p[i]) << (8 * i);
  return v;
}

}  // namespace

void print_hex_bytes(const void* buffer, const hex_marker_t* markers, uint32_t start, size_t bytes, uint32_t unit,
                     uint32_t per_line, uint32_t marker_count) {
  if (!buffer || unit == 0) return;
  if (per_line == 0) per_line = 1;
  if (!markers) marker_count = 0;
  const uint8_t* b = static_cast<const uint8_t*>(buffer);
  // What one unit adds to a line: a blank and its digits.
  const size_t unit_text = unit == 2 ? 5 : unit == 4 ? 9 : 3;
  Line line;
  uint32_t in_line = 0;
  const hex_marker_t* noted[8];
  uint32_t noted_count = 0;
  auto finish = [&](bool with_markers) {
    if (with_markers && noted_count) {
      line.add("%s", " <--- ");
      for (uint32_t i = 0; i < noted_count; ++i) line.add(i ? ", %.255s" : " %.255s", noted[i]->name);
    }
    line.write();
    in_line = 0;
    noted_count = 0;
  };
  for (size_t pos = 0; pos < bytes; pos += unit) {
    // A 1, 2 or 4-byte unit is printed whole or not at all; other unit
    // sizes print their first byte.
    size_t width = unit == 2 || unit == 4 ? unit : 1;
    if (pos + width > bytes) break;
    uint32_t address = start + static_cast<uint32_t>(pos);
    if (in_line && !line.fits(unit_text)) finish(true);
    // "%08lX    " for the address, then " %02X", " %04X" or " %08lX".
    if (in_line == 0) {
      line.add_hex("", address, 8);
      line.add("%s", "    ");
    }
    line.add_hex(" ", little_endian(b + pos, static_cast<uint32_t>(width)), static_cast<int>(2 * width));
    for (uint32_t m = 0; m < marker_count; ++m)
      if (markers[m].address - address < unit && noted_count < sizeof noted / sizeof *noted)
        noted[noted_count++] = &markers[m];
    if (++in_line == per_line) finish(true);
  }
  // The last, unfinished line goes out without marker names.
  if (in_line) finish(false);
}

void print_hex_units(const void* buffer, const hex_marker_t* markers, uint32_t start, uint32_t words, uint32_t unit,
                     uint32_t per_line, uint32_t marker_count) {
  print_hex_bytes(buffer, markers, start, size_t(words) * 4, unit, per_line, marker_count);
}

opal_exit_t dump_mmio_range(uint32_t first, uint32_t last, uint32_t unit, uint32_t per_line, uint32_t device) {
  if (first >= last) return EXIT_OK;
  opal_exit_t rc = EXIT_OK;
  uint8_t buffer[kChunkBytes];
  // 64-bit steps: a range that ends near 4 GiB must not wrap around.
  for (uint64_t chunk = first; chunk <= last; chunk += kChunkBytes) {
    std::memset(buffer, 0, sizeof buffer);
    uint64_t bytes = std::min<uint64_t>(uint64_t(last) - chunk + 1, kChunkBytes);
    // A range that ends inside a dword reads that whole dword.
    uint32_t words = static_cast<uint32_t>((bytes + 3) / 4);
    if (!os_dump_regs(DRV_TARGET_MMIO, static_cast<uint32_t>(chunk), words, buffer, device)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR while sending os_dump_regs");
      rc = EXIT_OS_CALL_ERROR;
      continue;
    }
    print_hex_bytes(buffer, nullptr, static_cast<uint32_t>(chunk), static_cast<size_t>(bytes), unit, per_line, 0);
    report_dump("mmio", device, static_cast<uint32_t>(chunk), unit, buffer, static_cast<size_t>(bytes));
    if (vol_above(0)) writeMsg(MSG_PLAIN, "\n");
  }
  return rc;
}

void report_dump(const char* space, uint32_t device, uint32_t address, uint32_t unit, const void* bytes, size_t size) {
  if (!records::wanted()) return;
  records::Dump d{space, device, address, unit, static_cast<const uint8_t*>(bytes), size};
  records::dump(d);
}

void print_pci_config(const uint8_t* header) {
  if (!header || !vol_above(0)) return;
  report_dump("pci", 0, 0, 1, header, kPciHeaderSize);
  writeMsg(MSG_PLAIN, "\nRAW INFO\n");
  for (uint32_t row = 0; row < kPciHeaderSize; row += 8) {
    char text[kMessageMax];
    int n = std::snprintf(text, sizeof text, "%08X    ", row);
    for (uint32_t i = 0; i < 8; ++i) n += std::snprintf(text + n, sizeof text - n, " %02X", header[row + i]);
    writeMsg(MSG_PLAIN, "%s", text);
  }
  writeMsg(MSG_PLAIN, "\nTRANSLATED INFO\n");
  for (const PciField& f : kPciFields)
    writeMsg(MSG_PLAIN, "%-48s: 0x%X", f.name, little_endian(header + f.offset, f.size));
}

const mmio_range_t* default_mmio_ranges(uint32_t* count) {
  if (count) *count = sizeof kDefaultRanges / sizeof *kDefaultRanges;
  return kDefaultRanges;
}
