#include "hw/register_dump.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/msglog.h"
#include "hw/register_names.h"

namespace {

RegisterSource* current_source = nullptr;

struct Registered {
  uintptr_t start;
  size_t length;
};
std::vector<Registered>& registered() {
  static std::vector<Registered> list;
  return list;
}

// The operations whose single field is followed by an empty line.
bool blank_after(decode_op op) {
  return op == DECODE_START_ADDR || op == DECODE_STRIDE || op == DECODE_SECOND_EYE_ADDR;
}

}  // namespace

void format_bits_label(char* out, size_t size, const bit_field_t& f) {
  if (f.high == f.low)
    std::snprintf(out, size, "[%u]", f.high);
  else
    std::snprintf(out, size, "[%u:%u]", f.high, f.low);
}

RegisterSource& dump_source() { return current_source ? *current_source : live_registers(); }

ScopedDumpSource::ScopedDumpSource(RegisterSource& source) : saved_(current_source) { current_source = &source; }
ScopedDumpSource::~ScopedDumpSource() { current_source = saved_; }

void SnapshotSource::set_pair(int k, const uint8_t* buffer, size_t length, uint32_t base) {
  if (k < 0 || k >= kPairs) return;
  pairs_[k] = Pair{buffer, buffer ? length : 0, base};
}

bool SnapshotSource::read32(uint32_t offset, uint32_t* value, uint32_t device) {
  if (!value) return false;
  // The copies are of device 2's registers.
  if (device == 2)
    for (int k = kPairs - 1; k >= 0; --k) {
      const Pair& p = pairs_[k];
      if (!p.buffer || offset < p.base) continue;
      uint64_t at = uint64_t(offset) - p.base;
      if (at + 4 > p.length) continue;
      std::memcpy(value, p.buffer + at, 4);
      return true;
    }
  return behind_.read32(offset, value, device);
}

void register_snapshot_buffer(const void* buffer, size_t length) {
  if (!buffer || !length) return;
  unregister_snapshot_buffer(buffer);
  registered().push_back(Registered{reinterpret_cast<uintptr_t>(buffer), length});
}

void unregister_snapshot_buffer(const void* buffer) {
  auto& list = registered();
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].start == reinterpret_cast<uintptr_t>(buffer)) {
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

size_t snapshot_bytes_at(uintptr_t address) {
  for (const Registered& r : registered())
    if (address >= r.start && address - r.start < r.length) return r.length - (address - r.start);
  return 0;
}

void format_fields(char* out, size_t size, const bit_field_t* fields, size_t count, uint32_t value) {
  if (!out || !size) return;
  out[0] = '\0';
  size_t used = 0;
  for (size_t i = 0; i < count && used < size; ++i) {
    const bit_field_t& f = fields[i];
    char label[16];
    format_bits_label(label, sizeof label, f);
    int n = std::snprintf(out + used, size - used, "%s%-7s %-40s: 0x%lX", i ? "\n" : "", label, f.name,
                          static_cast<unsigned long>(field_value(f, value)));
    if (n < 0) break;
    used += static_cast<size_t>(n);
  }
}

void format_field_change(char* out, size_t size, const bit_field_t& field, uint32_t old_value, uint32_t new_value) {
  char label[16];
  format_bits_label(label, sizeof label, field);
  std::snprintf(out, size, "    %-7s %-40s: 0x%lX -> 0x%lX", label, field.name,
                static_cast<unsigned long>(field_value(field, old_value)),
                static_cast<unsigned long>(field_value(field, new_value)));
}

void print_fields(const bit_field_t* fields, size_t count, uint32_t value, bool blank) {
  if (!vol_above(0)) return;
  for (size_t i = 0; i < count; i += 4) {
    size_t n = count - i < 4 ? count - i : 4;
    char text[kMessageMax + 1];
    format_fields(text, sizeof text, fields + i, n, value);
    bool last = i + n == count;
    writeMsg(MSG_PLAIN, last && blank ? "%s\n" : "%s", text);
  }
}

void print_register_header(const char* title, uint32_t offset, uint32_t value) {
  if (vol_above(0))
    writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : 0x%lX", title, static_cast<unsigned long>(offset), "]",
             static_cast<unsigned long>(value));
}

void cmn_hw_regs_t::decode(decode_op op, uint32_t offset, uint32_t value, RegisterSource& regs) const {
  if (!vol_above(0)) return;
  const decode_row_t* row = decode_row(op);
  if (!row) return;
  if (row->reread_device) {
    // These read their register again from the device that holds it and
    // say which one; a failed read keeps the value given.
    uint32_t again = value;
    if (regs.read32(offset, &again, row->reread_device)) {
      value = again;
    } else if (regs.is_capture()) {
      // A capture holds one device: the other's fields would be the
      // first device's value decoded under the wrong name.
      if (row->header && row->header_first)
        writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : not captured", row->header, static_cast<unsigned long>(offset), "]");
      writeMsg(MSG_PLAIN, "Device %u: not captured", static_cast<unsigned>(row->reread_device));
      if (row->header && !row->header_first)
        writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : not captured", row->header, static_cast<unsigned long>(offset), "]");
      writeMsg(MSG_PLAIN, "\n");
      return;
    }
    if (row->header && row->header_first) print_register_header(row->header, offset, value);
    writeMsg(MSG_PLAIN, "Device %u", static_cast<unsigned>(row->reread_device));
    if (row->header && !row->header_first) print_register_header(row->header, offset, value);
  }
  // Another operation's fields; those never re-read.
  for (int hops = 0; row && row->as != DECODE_NONE && hops < DECODE_OP_COUNT; ++hops) {
    op = row->as;
    row = decode_row(op);
  }
  if (row && row->count) print_fields(row->fields, row->count, value, blank_after(op));
}

bool dump_registers(const cmn_hw_regs_t& family, const reg_desc_t* table, uint32_t count, RegisterSource& regs) {
  bool all = true;
  for (uint32_t i = 0; i < count; ++i) {
    const reg_desc_t& d = table[i];
    uint32_t value = 0;
    if (!regs.read32(d.offset, &value, 2)) {
      if (!regs.is_capture()) return false;
      if (vol_above(0))
        writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : not captured\n", d.title, static_cast<unsigned long>(d.offset), "]");
      all = false;
      continue;
    }
    if (value != 0xFFFFFFFFu) print_register_header(d.title, d.offset, value);
    family.decode(d.decode, d.offset, value, regs);
    if (vol_above(0)) writeMsg(MSG_PLAIN, "\n");
  }
  return all;
}
