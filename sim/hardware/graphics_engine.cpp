#include "graphics_engine.h"

#include <vector>

#include "machine.h"

namespace sim {
namespace {

// Families by the high byte of the device id.
enum class Family { Ava, Dov, Cyr, Other };
Family family_of(uint16_t id) {
  switch (id >> 8) {
    case 0x1A: return Family::Ava;
    case 0x2B: return Family::Dov;
    case 0x3C: return Family::Cyr;
    default: return Family::Other;
  }
}

struct RingPlace {
  uint32_t regs;   // tail, head, start, control
  uint32_t start;  // where the ring goes unless the profile placed it
  uint32_t size;
  bool on_cyr;  // cyr has the primary ring alone
};
// Above the largest frame buffers, inside every aperture.
const RingPlace kRings[] = {
    {0x2030, 0x02000000, 0x20000, true},
    {0x2100, 0x02020000, 0x8000, false},
    {0x0000, 0x02028000, 0x4000, false},
};
constexpr uint32_t kLargestRing = 0x200000;

// The instructions of the stream, as the decode templates name them.
constexpr uint32_t MI_NOOP = 0x00000000, MI_USER_INTERRUPT = 0x01000000, MI_FLUSH = 0x02000000,
                   MI_STORE_DATA_IMM = 0x10000000, MI_LOAD_REGISTER_IMM = 0x11000000,
                   MI_BATCH_BUFFER_START = 0x18800000, XY_COLOR_BLT = 0x54000000, XY_SRC_COPY_BLT = 0x54C00000,
                   PRIMITIVE_3D = 0x7B000000;

struct Lcg {
  uint32_t state;
  uint32_t next() { return state = state * 1103515245u + 12345u; }
};

// One batch: a few instructions, a flush, no-ops to a 16-byte boundary
// (head and tail registers count in 16-byte steps).
std::vector<uint32_t> batch(Lcg& rng) {
  std::vector<uint32_t> b;
  int count = 1 + static_cast<int>(rng.next() >> 28) % 4;
  for (int i = 0; i < count; ++i) {
    uint32_t r = rng.next();
    switch ((r >> 24) % 6) {
      case 0: b.insert(b.end(), {MI_STORE_DATA_IMM | 2, 0, 0x00100000 + (r & 0xFFC), r}); break;
      case 1: b.insert(b.end(), {MI_LOAD_REGISTER_IMM | 1, 0x2050, r & 0xFFFF}); break;
      case 2:
        b.insert(b.end(), {XY_COLOR_BLT | 0x00300000 | 4, 0x03CC1000, (r & 0x1FF) << 16 | (r >> 9 & 0x1FF),
                           ((r & 0x1FF) + 64) << 16 | ((r >> 9 & 0x1FF) + 32), 0, r | 0xFF000000});
        break;
      case 3:
        b.insert(b.end(), {XY_SRC_COPY_BLT | 0x00300000 | 6, 0x03CC1000, 0x00100010, 0x01000100, 0, 0x00200020,
                           0x1000, 0x00400000});
        break;
      case 4: b.insert(b.end(), {PRIMITIVE_3D | 4, 3, 0, r & 0xFFFF, 1, 0}); break;
      default: b.insert(b.end(), {MI_BATCH_BUFFER_START, 0x00400000 + (r & 0xFFF000)}); break;
    }
  }
  if (rng.next() & 0x10000) b.push_back(MI_USER_INTERRUPT);
  b.push_back(MI_FLUSH);
  while (b.size() % 4) b.push_back(MI_NOOP);
  return b;
}

// Bytes per pixel of a plane's pixel format; 0 for none the planes show.
uint32_t bytes_per_pixel(uint32_t control) {
  switch (control & 0x3C000000) {
    case 0x08000000: return 1;
    case 0x10000000:
    case 0x14000000: return 2;
    case 0x18000000:
    case 0x1C000000:
    case 0x20000000:
    case 0x38000000: return 4;
    default: return 0;
  }
}

struct Rgb {
  uint8_t r, g, b;
};

uint32_t encode(Rgb c, uint32_t format) {
  switch (format) {
    case 0x08000000: return (uint32_t(c.r) + c.g + c.b) / 3;
    case 0x10000000: return uint32_t(c.r >> 3) << 10 | uint32_t(c.g >> 3) << 5 | c.b >> 3;
    case 0x14000000: return uint32_t(c.r >> 3) << 11 | uint32_t(c.g >> 2) << 5 | c.b >> 3;
    case 0x20000000: return uint32_t(c.r) << 22 | uint32_t(c.g) << 12 | uint32_t(c.b) << 2;
    case 0x38000000: return uint32_t(c.b) << 16 | uint32_t(c.g) << 8 | c.r;
    default: return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
  }
}

Rgb decode(uint32_t v, uint32_t format) {
  switch (format) {
    case 0x08000000: return {uint8_t(v), uint8_t(v), uint8_t(v)};
    case 0x10000000: return {uint8_t((v >> 10 & 31) << 3), uint8_t((v >> 5 & 31) << 3), uint8_t((v & 31) << 3)};
    case 0x14000000: return {uint8_t((v >> 11 & 31) << 3), uint8_t((v >> 5 & 63) << 2), uint8_t((v & 31) << 3)};
    case 0x20000000: return {uint8_t(v >> 22), uint8_t(v >> 12), uint8_t(v >> 2)};
    case 0x38000000: return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
    default: return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  }
}

// The test pattern: colour bars (white on the left to black on the right)
// over the top two thirds, a grey ramp from black to white below them,
// and a red block in the top-left corner.
Rgb pattern(uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  static const Rgb kBars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                               {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  if (x < (w + 15) / 16 && y < (h + 11) / 12) return {255, 0, 0};
  if (y < h * 2 / 3) return kBars[uint64_t(x) * 8 / w];
  uint8_t v = static_cast<uint8_t>(w > 1 ? uint64_t(x) * 255 / (w - 1) : 0);
  return {v, v, v};
}

constexpr uint32_t kPlaneControl = 0x70180, kPlaneStep = 0x1000;
constexpr uint32_t kPipeTimings = 0x60000, kPipeStep = 0x1000;
constexpr uint32_t kCrcControl = 0x60050, kCrcFirstResult = 0x60060;
constexpr uint32_t kDvoDetect[2] = {0x61140, 0x61160};
constexpr uint64_t kLargestAperture = 512u << 20;
constexpr unsigned long long kFrameMs = 17;
constexpr uint32_t kPipeConf[2] = {0x70008, 0x71008};
constexpr uint32_t kVblankBit[2] = {1u << 7, 1u << 5};

}  // namespace

GraphicsEngine::GraphicsEngine(Machine& machine, PhysicalMemory& memory, uint16_t device_id, uint64_t mmio,
                               uint64_t aperture, bool dvob_present, bool dvoc_present)
    : machine_(machine),
      memory_(memory),
      device_id_(device_id),
      mmio_(mmio),
      aperture_(aperture),
      dvo_present_{dvob_present, dvoc_present} {}

void GraphicsEngine::build_rings() {
  Family family = family_of(device_id_);
  if (!mmio_ || !aperture_ || family == Family::Other) return;
  for (const RingPlace& place : kRings) {
    if (family == Family::Cyr && !place.on_cyr) continue;
    uint32_t start = reg(place.regs + 8), control = reg(place.regs + 12);
    uint32_t size = place.size;
    if (start) {
      // Placed by the profile: its stream fills the ring its control word gives.
      uint64_t given = uint64_t(control & ~0xFFFu) + 0x1000;
      if (given > kLargestRing) continue;
      size = static_cast<uint32_t>(given);
    } else {
      start = place.start;
      control = (size - 0x1000) | 1;
    }
    Lcg rng{place.regs ^ 0x1D0Fu};
    std::vector<uint32_t> ring(size / 4, MI_NOOP);
    std::vector<uint32_t> ends;  // byte offsets where batches end
    size_t pos = 0;
    for (;;) {
      std::vector<uint32_t> b = batch(rng);
      if (pos + b.size() > ring.size()) break;
      std::copy(b.begin(), b.end(), ring.begin() + static_cast<long>(pos));
      pos += b.size();
      ends.push_back(static_cast<uint32_t>(pos * 4));
    }
    memory_.mem_fill(aperture_ + start, reinterpret_cast<const uint8_t*>(ring.data()), ring.size() * 4);
    // The engine works behind the driver: a few batches between head and tail.
    uint32_t tail = ends.size() > 3 ? ends[ends.size() * 3 / 5] : 0x10;
    uint32_t head = ends.size() > 3 ? ends[ends.size() * 3 / 5 - 2] : 0x10;
    if (!reg(place.regs + 8)) {
      set_reg(place.regs, tail);
      set_reg(place.regs + 4, head);
      set_reg(place.regs + 8, start);
      set_reg(place.regs + 12, control);
    }
  }
}

GraphicsEngine::PlaneShown GraphicsEngine::plane_state(int plane) {
  PlaneShown p;
  uint32_t control_reg = kPlaneControl + kPlaneStep * plane;
  p.control = reg(control_reg);
  p.stride = reg(control_reg + 8);
  p.surface = reg(control_reg + (family_of(device_id_) == Family::Cyr ? 0x1C : 0x04));
  p.width = (reg(kPipeTimings + kPipeStep * plane) & 0xFFF) + 1;
  p.height = (reg(kPipeTimings + kPipeStep * plane + 0xC) & 0xFFF) + 1;
  return p;
}

void GraphicsEngine::draw(int, const PlaneShown& p) {
  uint32_t bpp = bytes_per_pixel(p.control);
  if (!(p.control & 0x80000000u) || !bpp || !aperture_) return;
  uint64_t row_bytes = uint64_t(p.width) * bpp;
  uint64_t stride = p.stride ? p.stride : row_bytes;
  if (uint64_t(p.surface) + stride * (p.height - 1) + row_bytes > kLargestAperture) return;
  uint32_t format = p.control & 0x3C000000;
  const bool rotated = p.control & 0x8000;
  std::vector<uint8_t> row(row_bytes);
  for (uint32_t y = 0; y < p.height; ++y) {
    for (uint32_t x = 0; x < p.width; ++x) {
      // Turned by 180 degrees the plane is scanned out from its end, so the
      // picture is stored the other way round to show upright.
      uint32_t v = encode(rotated ? pattern(p.width - 1 - x, p.height - 1 - y, p.width, p.height)
                                  : pattern(x, y, p.width, p.height),
                          format);
      for (uint32_t b = 0; b < bpp; ++b) row[uint64_t(x) * bpp + b] = uint8_t(v >> (8 * b));
    }
    memory_.mem_fill(aperture_ + p.surface + stride * y, row.data(), row.size());
  }
}

void GraphicsEngine::sync_planes() {
  for (int plane = 0; plane < 2; ++plane) {
    PlaneShown now = plane_state(plane);
    if (drawn_[plane] && now == shown_[plane]) continue;
    shown_[plane] = now;
    drawn_[plane] = true;
    draw(plane, now);
  }
}

uint32_t GraphicsEngine::crc32(uint32_t crc, uint8_t byte) {
  crc ^= byte;
  for (int i = 0; i < 8; ++i) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  return crc;
}

void GraphicsEngine::compute_crc(int pipe) {
  sync_planes();
  PlaneShown p = plane_state(pipe);
  uint32_t bpp = bytes_per_pixel(p.control);
  bool shown = (p.control & 0x80000000u) && bpp && aperture_;
  uint32_t format = p.control & 0x3C000000;
  uint64_t stride = p.stride ? p.stride : uint64_t(p.width) * bpp;
  uint32_t crc[4] = {~0u, ~0u, ~0u, ~0u};
  for (uint32_t y = 0; y < p.height; ++y)
    for (uint32_t x = 0; x < p.width; ++x) {
      // A plane that is off shows black.
      Rgb c{0, 0, 0};
      if (shown) c = decode(memory_.mem_read(aperture_ + p.surface + stride * y + uint64_t(x) * bpp, bpp), format);
      crc[0] = crc32(crc[0], c.r);
      crc[1] = crc32(crc[1], c.g);
      crc[2] = crc32(crc[2], c.b);
      crc[3] = crc32(crc[3], uint8_t(c.r ^ c.g ^ c.b));
    }
  for (int i = 0; i < 4; ++i) crc_[pipe].values[i] = ~crc[i];
}

bool GraphicsEngine::read(uint64_t address, unsigned size, uint32_t& value) {
  if (!mmio_ || address < mmio_ || address - mmio_ >= 0x80000 || size != 4) return false;
  uint32_t offset = static_cast<uint32_t>(address - mmio_);
  for (int pipe = 0; pipe < 2; ++pipe) {
    uint32_t first = kCrcFirstResult + kPipeStep * pipe;
    if (offset < first || offset >= first + 16 || offset % 4) continue;
    CrcUnit& unit = crc_[pipe];
    if (unit.running && !unit.done && machine_.waited_ms() - unit.started_ms >= kFrameMs) {
      compute_crc(pipe);
      unit.done = true;
    }
    value = unit.values[(offset - first) / 4];
    return true;
  }
  if (offset == kInterruptStatus) {
    value = memory_.mem_read(address, 4);
    unsigned long long frame = machine_.waited_ms() / kFrameMs;
    for (int pipe = 0; pipe < 2; ++pipe) {
      const VblankLatch& latch = vblank_[pipe];
      if (!latch.cleared) continue;
      bool blanked = (reg(kPipeConf[pipe]) & 0x80000000u) && frame > latch.frame;
      value = blanked ? value | kVblankBit[pipe] : value & ~kVblankBit[pipe];
    }
    return true;
  }
  for (int port = 0; port < 2; ++port)
    if (offset == kDvoDetect[port]) {
      value = memory_.mem_read(address, 4) | (dvo_present_[port] ? 4u : 0u);
      return true;
    }
  return false;
}

void GraphicsEngine::written(uint64_t address, unsigned size, uint32_t value) {
  if (!mmio_ || address < mmio_ || address - mmio_ >= 0x80000 || size != 4) return;
  uint32_t offset = static_cast<uint32_t>(address - mmio_);
  if (offset == kInterruptStatus)
    for (int pipe = 0; pipe < 2; ++pipe)
      if (value & kVblankBit[pipe]) vblank_[pipe] = {true, machine_.waited_ms() / kFrameMs};
  for (int pipe = 0; pipe < 2; ++pipe) {
    if (offset != kCrcControl + kPipeStep * pipe) continue;
    CrcUnit& unit = crc_[pipe];
    if (value & 0x80000000u) {
      if (!unit.running) {
        unit = CrcUnit{};
        unit.running = true;
        unit.started_ms = machine_.waited_ms();
      }
    } else {
      unit.running = false;
    }
  }
}

}  // namespace sim
