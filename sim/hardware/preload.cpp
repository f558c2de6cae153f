// Memory a profile preloads: patterns over ranges of the aperture or of a
// device's MMIO window, and file contents placed in the aperture.
//
//   [aperture fill]        offset = bytes pattern
//   [mmio 2 fill]          offset = bytes pattern      (also [mmio 3 fill])
//   [aperture file]        offset = file name          (beside the profile file)
//
// Offsets are from the start of the window. A pattern is a 32-bit value
// repeated in every dword, or "counter": each dword holds its own offset,
// so a dump shows at once whether its addresses and values agree. Fills
// come first, then the files, then the single registers of [mmio N].
#include <cstring>
#include <fstream>
#include <iterator>

#include "hardware.h"
#include "hwpeek/hwpeek.h"

namespace sim {
namespace {

constexpr long long kLargestMmioWindow = 0x100000;
constexpr long long kLargestAperture = 0x20000000;
// Bytes one entry may preload: the memory model keeps every page it touches.
constexpr long long kMaxPreload = 16ll << 20;

const char* const kFillSections[] = {"aperture fill", "mmio 2 fill", "mmio 3 fill"};

struct Fill {
  long long offset = 0, bytes = 0, value = 0;
  bool counter = false;
};

bool parse_fill(const std::string& key, const std::string& value, Fill& f) {
  if (!parse_number(key, f.offset) || f.offset < 0) return false;
  size_t space = value.find_first_of(" \t");
  if (space == std::string::npos) return false;
  std::string pattern = value.substr(value.find_first_not_of(" \t", space));
  if (!parse_number(value.substr(0, space), f.bytes) || f.bytes <= 0) return false;
  f.counter = pattern == "counter";
  return f.counter || (parse_number(pattern, f.value) && f.value >= 0 && f.value <= 0xFFFFFFFFLL);
}

std::string file_path(const Profile& p, const std::string& name) {
  if (name.empty() || name[0] == '/' || p.folder().empty()) return name;
  return p.folder() + "/" + name;
}

bool check_preload(const Profile& p, std::string& error) {
  for (const char* sec : kFillSections)
    if (const Profile::Section* s = p.section(sec))
      for (auto& [key, value] : *s) {
        Fill f;
        long long window = std::string(sec) == "aperture fill" ? kLargestAperture : kLargestMmioWindow;
        if (!parse_fill(key, value, f)) {
          error = "[" + std::string(sec) + "] " + key + " = " + value + ": expected offset = bytes pattern (a number or counter)";
          return false;
        }
        if (f.bytes > kMaxPreload || f.offset + f.bytes > window) {
          error = "[" + std::string(sec) + "] " + key + ": the range leaves the window or exceeds 16 MiB";
          return false;
        }
      }
  if (const Profile::Section* s = p.section("aperture file"))
    for (auto& [key, value] : *s) {
      long long offset;
      std::ifstream f(file_path(p, value), std::ios::binary | std::ios::ate);
      if (!parse_number(key, offset) || offset < 0) {
        error = "[aperture file] " + key + ": expected an offset";
        return false;
      }
      if (!f) {
        error = "[aperture file] " + key + ": cannot read " + file_path(p, value);
        return false;
      }
      long long size = static_cast<long long>(f.tellg());
      if (size > kMaxPreload || offset + size > kLargestAperture) {
        error = "[aperture file] " + key + ": " + value + " leaves the aperture or exceeds 16 MiB";
        return false;
      }
    }
  if (p.has("faults", "dump_fail")) {
    long long v;
    if (!parse_number(p.get("faults", "dump_fail"), v) || v < 0 || v > 0xFFFFFFFFLL) {
      error = "[faults] dump_fail: expected the offset of the dump request that fails";
      return false;
    }
  }
  return true;
}

const bool kRegistered = [] {
  register_profile_check("memory preload", check_preload);
  return true;
}();

}  // namespace

void Hardware::preload_memory() {
  (void)kRegistered;
  const Profile& p = machine_.profile();
  // Where each window starts: the aperture as the driver maps it (the BAR's
  // top byte), the MMIO windows at their register BARs.
  auto base_of = [&](const std::string& sec, uint64_t& base) {
    uint32_t device = sec == "mmio 3 fill" ? 3 : 2;
    Function* fn = function(0, device);
    if (!fn) return false;
    if (sec != "aperture fill" && sec != "aperture file") {
      base = mmio_bar(*fn, device) & ~0xFull;
      return true;
    }
    uint16_t id;
    std::memcpy(&id, &fn->config[2], 2);
    uint32_t bar;
    std::memcpy(&bar, &fn->config[0x10 + 4 * (hwpeek::gmch_bar_row(id).aperture_bar % 6)], 4);
    base = bar & 0xFF000000u;
    return true;
  };
  for (const char* sec : kFillSections) {
    const Profile::Section* s = p.section(sec);
    uint64_t base;
    if (!s || !base_of(sec, base)) continue;
    for (auto& [key, value] : *s) {
      Fill f;
      if (!parse_fill(key, value, f)) continue;
      if (std::string(sec) == "aperture fill")
        memory_.keep(base + static_cast<uint64_t>(f.offset), base + static_cast<uint64_t>(f.offset + f.bytes));
      for (long long i = 0; i < f.bytes; ++i) {
        uint64_t at = static_cast<uint64_t>(f.offset + i);
        uint32_t dword = f.counter ? static_cast<uint32_t>(at & ~3ull) : static_cast<uint32_t>(f.value);
        byte(base + at) = static_cast<uint8_t>(dword >> (8 * (at & 3)));
      }
    }
  }
  uint64_t base;
  if (const Profile::Section* s = p.section("aperture file"); s && base_of("aperture file", base))
    for (auto& [key, value] : *s) {
      long long offset = 0;
      parse_number(key, offset);
      std::ifstream f(file_path(p, value), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      memory_.keep(base + static_cast<uint64_t>(offset), base + static_cast<uint64_t>(offset) + bytes.size());
      for (size_t i = 0; i < bytes.size(); ++i) byte(base + static_cast<uint64_t>(offset) + i) = static_cast<uint8_t>(bytes[i]);
    }
}

}  // namespace sim
