#include "display_registers.h"

#include "devices/device_ids.h"

namespace sim {
namespace {

// Per pipe: timing block, pipe configuration, plane registers.
constexpr uint32_t kTiming[2] = {0x60000, 0x61000};
constexpr uint32_t kPipeConf[2] = {0x70008, 0x71008};
constexpr uint32_t kPlane[2] = {0x70180, 0x71180};
// Port registers by the driver's port number (0: none).
constexpr uint32_t kPortRegister[9] = {0, 0x68000, 0x61140, 0x61160, 0x61180, 0x61100, 0x64100, 0x64200, 0};

bool in_family(uint16_t id, ChipFamily family) {
  const DeviceInfo* d = find_device(id);
  return d && d->family == family;
}
bool is_cyr(uint16_t id) { return in_family(id, ChipFamily::Cyr); }
bool is_fyn(uint16_t id) { return in_family(id, ChipFamily::Fyn); }
bool is_bex(uint16_t id) { return in_family(id, ChipFamily::Bex); }

void set_bits(DeviceMemory& regs, uint32_t device, uint32_t offset, uint32_t mask, uint32_t bits) {
  uint32_t v = 0;
  if (regs.read_reg(device, offset, v)) regs.write_reg(device, offset, (v & ~mask) | (bits & mask));
}
uint32_t pair(uint32_t high, uint32_t low) { return (high - 1) << 16 | (low - 1); }

uint32_t pixel_format(uint32_t depth) {
  switch (depth) {
    case 8: return 0x2;   // 8-bit indexed
    case 16: return 0x5;  // 16-bit 5:6:5
    default: return 0x6;  // 32-bit xRGB
  }
}

}  // namespace

namespace {
// The offsets that follow the screens, [first, end).
constexpr uint32_t kFollowing[][2] = {{0x60000, 0x62000}, {0x64000, 0x64300}, {0x68000, 0x68001}, {0x70000, 0x72000}};
}  // namespace

bool DisplayRegisters::follows_display(uint32_t offset) { return follows_display(offset, offset + 1); }

bool DisplayRegisters::follows_display(uint32_t first, uint32_t end) {
  for (const auto& range : kFollowing)
    if (first < range[1] && end > range[0]) return true;
  return false;
}

void DisplayRegisters::sync(uint16_t device_id, DeviceMemory& regs) {
  DisplayHardwareState now = display_hardware_state();
  if (shown_ && *shown_ == now) return;
  apply(now, device_id, regs);
  shown_ = now;
}

void DisplayRegisters::apply(const DisplayHardwareState& state, uint16_t id, DeviceMemory& regs) {
  // cyr keeps the surface address in the stereo second eye register.
  const bool surface_in_second_eye = is_cyr(id);
  const bool has_rotation = is_cyr(id) || is_fyn(id) || is_bex(id);
  uint32_t next_surface = 0x00080000;
  for (int p = 0; p < 2; ++p) {
    const PipeState& s = state.pipe[p];
    // fyn's pipe B (its timings and configuration) is in its second
    // device; the planes are in the first on every family.
    uint32_t device = p == 1 && is_fyn(id) ? 3 : 2;
    auto set = [&](uint32_t offset, uint32_t value) { regs.write_reg(device, offset, value); };
    auto set_plane = [&](uint32_t offset, uint32_t value) { regs.write_reg(2, offset, value); };
    set_bits(regs, device, kPipeConf[p], 0x80000000u, s.active ? 0x80000000u : 0);
    set_bits(regs, 2, kPlane[p], 0x80000000u, s.active ? 0x80000000u : 0);
    if (!s.active || !s.width || !s.height) continue;
    // Standard blanking: the driver's golden horizontal total (active plus
    // 32 %, in character clocks of 8), a twentieth of the lines plus 3.
    uint32_t w = s.width, h = s.height;
    uint32_t htotal = ((w * 132u / 100u) + 7u) & ~7u;
    uint32_t hfront = (htotal - w) / 8, hsync = (htotal - w) / 2;
    uint32_t vtotal = h + h / 20 + 3;
    uint32_t t = kTiming[p];
    // Blanking ends a character clock (a line) before the total, so that
    // no two timing registers hold the same value.
    set(t + 0x00, pair(htotal, w));
    set(t + 0x04, pair(htotal - 8, w));
    set(t + 0x08, pair(w + hfront + hsync, w + hfront));
    set(t + 0x0C, pair(vtotal, h));
    set(t + 0x10, pair(vtotal - 1, h));
    set(t + 0x14, pair(h + 9, h + 3));
    set(t + 0x1C, pair(w, h));
    uint32_t bytes_per_pixel = s.depth >= 8 ? s.depth / 8 : 1;
    uint32_t stride = (w * bytes_per_pixel + 63u) & ~63u;
    uint32_t control = pixel_format(s.depth) << 26 | uint32_t(p) << 24;
    if (has_rotation && s.rotation == 180) control |= 1u << 15;
    set_bits(regs, 2, kPlane[p], 0x3F000000u | (has_rotation ? 1u << 15 : 0), control);
    set_plane(kPlane[p] + 0x08, stride);
    set_plane(kPlane[p] + 0x10, pair(h, w));
    set_plane(kPlane[p] + (surface_in_second_eye ? 0x1C : 0x04), next_surface);
    next_surface = (next_surface + stride * h + 0xFFFu) & ~0xFFFu;
  }
  for (uint32_t port = 1; port <= 8; ++port) {
    const PortState& ps = state.port[port];
    if (!ps.connected || !kPortRegister[port]) continue;
    set_bits(regs, 2, kPortRegister[port], 0xC0000000u,
             (ps.enabled ? 0x80000000u : 0) | (ps.pipe == 1 ? 0x40000000u : 0));
  }
}

}  // namespace sim
