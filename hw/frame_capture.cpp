#include "hw/frame_capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "core/msglog.h"
#include "core/session.h"
#include "hw/driver_client.h"
#include "hw/hw_regs.h"
#include "lumainfo.h"
#include "oal/files.h"

namespace {

// Pipe CRC registers: control, red, green, blue, residual.
struct crc_regs_t {
  uint32_t control, red, green, blue, residual;
};
constexpr crc_regs_t kCrcRegs[2] = {{0x60050, 0x60060, 0x60064, 0x60068, 0x6006C},
                                    {0x61050, 0x61060, 0x61064, 0x61068, 0x6106C}};
constexpr uint32_t kCrcEnable = 0x80000000u;

// Source ports of the CRC unit beyond the pipe's own output.
struct crc_port_t {
  uint32_t detect;  // register whose bit 2 says the port is there; 0: never supported
  const char* read_failed;
  const char* missing;
};
constexpr crc_port_t kCrcPorts[6] = {
    {0, nullptr, nullptr},
    {0x61140, "ERROR: Failed to read DVOB register value.", "ERROR: DVOB hardware not found."},
    {0x61160, "ERROR: Failed to read DVOC register. value.", "ERROR: DVOC hardware not found."},
    {0, nullptr, "ERROR: UDID hardware not currently supported."},
    {0, nullptr, "ERROR: TV Encoder hardware not currently supported."},
    {0, nullptr, "ERROR: TV Filter hardware not currently supported."},
};

constexpr uint32_t kPlaneControl[2] = {0x70180, 0x71180};
constexpr uint32_t kStrideFromControl = 8;
constexpr uint32_t kActiveWidth = 0x60000, kActiveHeight = 0x6000C;
constexpr uint32_t kPlaneEnable = 0x80000000u;
constexpr uint32_t kPixelFormat = 0x3C000000u;
constexpr size_t kStaging = 4096;

void error(const char* text) {
  if (vol_above(0)) writeMsg(MSG_ERROR, "%s", text);
}

bool read32(uint32_t offset, uint32_t* value) { return drv_read_mmio(32, offset, value, 2); }

const char* arg(const cmd_args_t* args, int i) { return i < args->count ? args->slot[i] : ""; }

// Automatic base; an empty argument is "not given".
bool number_arg(const char* text, uint32_t& value) {
  if (parse_unsigned(text, value)) return true;
  if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid number: %.200s", text);
  return false;
}

// The plane's control word when it is enabled; 5 or 6 with the message.
opal_exit_t enabled_plane(uint32_t plane, uint32_t* control) {
  if (!read32(kPlaneControl[plane], control)) {
    error("ERROR: Failed to read Display Plane Control Register.");
    return EXIT_OS_CALL_ERROR;
  }
  if (!(*control & kPlaneEnable)) {
    error("ERROR: Selected plane is not enabled.");
    return EXIT_INVALID_PARAM_ERROR;
  }
  return EXIT_OK;
}

// Active width - 1 and height - 1 of the pipe timings.
opal_exit_t plane_extent(uint32_t* last_x, uint32_t* last_y) {
  if (!read32(kActiveWidth, last_x)) {
    error("ERROR: Failed to get width.");
    return EXIT_OS_CALL_ERROR;
  }
  if (!read32(kActiveHeight, last_y)) {
    error("ERROR: Failed to get height.");
    return EXIT_OS_CALL_ERROR;
  }
  *last_x &= 0xFFF;
  *last_y &= 0xFFF;
  return EXIT_OK;
}

void order(uint32_t& low, uint32_t& high) {
  if (low > high) {
    uint32_t t = low;
    low = high;
    high = t;
  }
}

const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

uint64_t aperture_bound() {
  constexpr uint32_t kLargestAperture = 512u << 20;
  uint32_t bytes = 0;
  if (session.family && session.family->aperture_size(&bytes) && bytes >= (1u << 20)) return bytes;
  return kLargestAperture;
}

uint32_t plane_bytes_per_pixel(uint32_t control) {
  switch (control & kPixelFormat) {
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

extern "C" opal_exit_t opal_get_crc_values(uint32_t pipe, uint32_t port, uint32_t* red, uint32_t* green,
                                           uint32_t* blue, uint32_t* residual) {
  if (pipe > 1 || port > 5) return EXIT_INVALID_PARAM_ERROR;
  if (!red || !green || !blue || !residual) {
    error("ERROR: Input CRC result pointer is NULL. Caller must specify NON NULL pointers");
    return EXIT_INVALID_PARAM_ERROR;
  }
  const crc_port_t& p = kCrcPorts[port];
  if (p.missing) {
    uint32_t detect = 0;
    if (!p.detect) {
      error(p.missing);
      return EXIT_DEVICE_NOT_FOUND;
    }
    if (!read32(p.detect, &detect)) {
      error(p.read_failed);
      return EXIT_OS_CALL_ERROR;
    }
    if (!(detect & 4)) {
      error(p.missing);
      return EXIT_DEVICE_NOT_FOUND;
    }
  }
  const crc_regs_t& r = kCrcRegs[pipe];
  uint32_t control = 0;
  if (!read32(r.control, &control)) {
    error("ERROR: Failed to read CRC control register value.");
    return EXIT_OS_CALL_ERROR;
  }
  if (control & kCrcEnable) {
    error("ERROR: CRC calculations are already enabled.");
    return EXIT_GENERIC_ERROR;
  }
  const uint32_t select = port * 0x10000000u;
  if (!drv_write_reg(DRV_TARGET_MMIO, 32, r.control, select, 2)) {
    error("ERROR: Unable to select requested port in CRC control register.");
    return EXIT_OS_CALL_ERROR;
  }
  if (!drv_write_reg(DRV_TARGET_MMIO, 32, r.control, select | kCrcEnable, 2)) {
    error("ERROR: Failed to enable CRC calculatons.");
    return EXIT_OS_CALL_ERROR;
  }
  // Enough frames pass for a valid result.
  opal_wait(1);
  const uint32_t offsets[4] = {r.red, r.green, r.blue, r.residual};
  uint32_t* results[4] = {red, green, blue, residual};
  for (int i = 0; i < 4; ++i)
    if (!read32(offsets[i], results[i])) *results[i] = 0;
  if (!drv_write_reg(DRV_TARGET_MMIO, 32, r.control, 0, 2)) {
    error("ERROR: Failed to disable CRC  calculations.");
    return EXIT_OS_CALL_ERROR;
  }
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_frame_buffer(uint32_t plane, uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2,
                                             uint8_t** buffer, uint32_t* size) {
  if (plane > 1) {
    error("ERROR: Invalid plane");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (!buffer || !size) {
    error("ERROR: Input frame buffer pointer or size is NULL. Caller must specify NON NULL pointers");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t control = 0;
  opal_exit_t r = enabled_plane(plane, &control);
  if (r != EXIT_OK) return r;
  const uint32_t bpp = plane_bytes_per_pixel(control);
  if (!bpp) {
    error("ERROR: Unable to determine color depth.");
    return EXIT_OS_CALL_ERROR;
  }
  uint32_t last_x = 0, last_y = 0, stride = 0, base = 0;
  if ((r = plane_extent(&last_x, &last_y)) != EXIT_OK) return r;
  if (!read32(kPlaneControl[plane] + kStrideFromControl, &stride)) {
    error("ERROR: Failed to get display pitch. ");
    return EXIT_OS_CALL_ERROR;
  }
  const cmn_hw_regs_t* family = session.family;
  if (!family || !read32(family->surface_addr_offset(static_cast<int>(plane)), &base)) {
    error("ERROR: Failed to get offset value.");
    return EXIT_OS_CALL_ERROR;
  }
  order(x1, x2);
  order(y1, y2);
  if (x2 > last_x || y2 > last_y) {
    error("ERROR: One or more coordinates falls outside the edge of the frame buffer.");
    return EXIT_INVALID_PARAM_ERROR;
  }
  const uint32_t columns = x2 - x1 + 1;
  const uint32_t row_bytes = columns * bpp;
  const uint32_t row_words = (row_bytes + 3) / 4;
  // Every row read must lie inside the aperture; 64 bits, as a large
  // stride times a row number passes 4 GiB.
  const uint64_t first = uint64_t(base) + uint64_t(y1) * stride + uint64_t(x1) * bpp;
  const uint64_t end = first + uint64_t(y2 - y1) * stride + uint64_t(row_words) * 4;
  // Every device's aperture holds the first 128 MiB: only a capture past
  // them needs the family's size (a host bridge read for every row).
  constexpr uint64_t kSmallestAperture = 128u << 20;
  if (end > kSmallestAperture && end > aperture_bound()) {
    error("ERROR: The frame buffer lies outside the graphics aperture.");
    return EXIT_OS_CALL_ERROR;
  }
  if (*buffer && vol_above(0))
    writeMsg(MSG_WARNING, "WARNING: Input frame buffer is not NULL. This may cause memory leaks");
  const uint32_t total = row_bytes * (y2 - y1 + 1);
  uint8_t* out = static_cast<uint8_t*>(std::malloc(total ? total : 1));
  std::unique_ptr<uint32_t[]> row(new (std::nothrow) uint32_t[row_words]);
  if (!out || !row) {
    std::free(out);
    error("ERROR: Not enough memory for the frame buffer.");
    return EXIT_OS_CALL_ERROR;
  }
  *buffer = out;
  *size = total;
  uint64_t address = first;
  for (uint32_t y = y1; y <= y2; ++y, address += stride) {
    if (!os_dump_regs(DRV_TARGET_GMADR, static_cast<uint32_t>(address), row_words, row.get(), 2)) {
      error("ERROR: Call to os_dump_regs failed.");
      return EXIT_OS_CALL_ERROR;
    }
    const uint8_t* src = reinterpret_cast<const uint8_t*>(row.get());
    for (uint32_t px = 0; px < columns; ++px, src += bpp)
      for (uint32_t b = 0; b < bpp; ++b) *out++ = src[bpp - 1 - b];
  }
  return EXIT_OK;
}

namespace {

// A pixel value (its bytes most significant first) to red, green, blue.
struct rgb_t {
  uint8_t r, g, b;
};
uint8_t scale(uint32_t value, uint32_t bits) { return static_cast<uint8_t>(value * 255 / ((1u << bits) - 1)); }
rgb_t pixel_rgb(uint32_t v, uint32_t format) {
  switch (format) {
    case 0x08000000: return {uint8_t(v), uint8_t(v), uint8_t(v)};  // indexed: shown as grey levels
    case 0x10000000: return {scale(v >> 10 & 31, 5), scale(v >> 5 & 31, 5), scale(v & 31, 5)};
    case 0x14000000: return {scale(v >> 11 & 31, 5), scale(v >> 5 & 63, 6), scale(v & 31, 5)};
    case 0x20000000: return {uint8_t(v >> 22), uint8_t(v >> 12), uint8_t(v >> 2)};
    case 0x38000000: return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
    default: return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  }
}

void put_le(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> frame_to_bmp(const uint8_t* pixels, size_t size, uint32_t columns, uint32_t rows,
                                  uint32_t control) {
  const uint32_t bpp = plane_bytes_per_pixel(control);
  if (!bpp || !pixels || !columns || !rows || uint64_t(columns) * rows * bpp != size) return {};
  const uint64_t stride = (uint64_t(columns) * 3 + 3) & ~uint64_t(3);
  const uint64_t file = 54 + stride * rows;
  if (file > 0x7FFFFFFF) return {};
  std::vector<uint8_t> out(static_cast<size_t>(file), 0);
  out[0] = 'B', out[1] = 'M';
  put_le(out, 2, static_cast<uint32_t>(file), 4);
  put_le(out, 10, 54, 4);
  put_le(out, 14, 40, 4);
  put_le(out, 18, columns, 4);
  put_le(out, 22, rows, 4);  // positive: the last row of the picture comes first
  put_le(out, 26, 1, 2);
  put_le(out, 28, 24, 2);
  put_le(out, 34, static_cast<uint32_t>(stride * rows), 4);
  put_le(out, 38, 2835, 4);  // 72 dpi
  put_le(out, 42, 2835, 4);
  const uint32_t format = control & kPixelFormat;
  for (uint32_t y = 0; y < rows; ++y) {
    uint8_t* dst = out.data() + 54 + stride * (rows - 1 - y);
    const uint8_t* src = pixels + size_t(y) * columns * bpp;
    for (uint32_t x = 0; x < columns; ++x, src += bpp, dst += 3) {
      uint32_t v = 0;
      for (uint32_t b = 0; b < bpp; ++b) v = v << 8 | src[b];
      rgb_t c = pixel_rgb(v, format);
      dst[0] = c.b, dst[1] = c.g, dst[2] = c.r;
    }
  }
  return out;
}

extern "C" opal_exit_t opal_save_frame_buffer_bmp(uint32_t plane, uint32_t x1, uint32_t x2, uint32_t y1,
                                                  uint32_t y2, const char* path) {
  if (!path || !*path) {
    error("ERROR: Input file name is NULL. Caller must specify a NON NULL file name");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint8_t* pixels = nullptr;
  uint32_t size = 0;
  opal_exit_t r = opal_get_frame_buffer(plane, x1, x2, y1, y2, &pixels, &size);
  uint32_t control = 0;
  if (r == EXIT_OK && !read32(kPlaneControl[plane], &control)) {
    error("ERROR: Failed to read Display Plane Control Register.");
    r = EXIT_OS_CALL_ERROR;
  }
  std::vector<uint8_t> image;
  if (r == EXIT_OK) {
    uint32_t columns = (x1 > x2 ? x1 - x2 : x2 - x1) + 1, rows = (y1 > y2 ? y1 - y2 : y2 - y1) + 1;
    image = frame_to_bmp(pixels, size, columns, rows, control);
    if (image.empty()) {
      error("ERROR: Unable to determine color depth.");
      r = EXIT_OS_CALL_ERROR;
    }
  }
  opal_free_frame_buffer(pixels);
  if (r != EXIT_OK) return r;
  FILE* f = oal::fopen(path, "wb");
  bool written = f && std::fwrite(image.data(), 1, image.size(), f) == image.size();
  if (f && std::fclose(f) != 0) written = false;
  if (!written) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Unable to write the image file %.200s", path);
    return EXIT_OS_CALL_ERROR;
  }
  return EXIT_OK;
}

void print_hex_ascii(const uint8_t* bytes, uint32_t offset, size_t count) {
  if (!vol_above(0)) return;
  // "%8s  %48s  |%16s|", built in place: the dump is long and every line
  // is one message.
  char line[8 + 2 + 48 + 3 + 16 + 2];
  for (size_t at = 0; at < count; at += 16) {
    size_t n = count - at < 16 ? count - at : 16;
    // "%08lX  ": the dump's offsets stay within 32 bits.
    uint32_t address = static_cast<uint32_t>(offset + at);
    for (int i = 0; i < 8; ++i) line[i] = kHexDigits[(address >> (28 - 4 * i)) & 15];
    line[8] = line[9] = ' ';
    char* hex = line + 10;
    char* text = line + 61;
    std::memset(hex, ' ', 51);
    for (size_t i = 0; i < n; ++i) {
      uint8_t b = bytes[at + i];
      char* h = hex + 3 * i + (i >= 8);
      h[0] = kHexDigits[b >> 4];
      h[1] = kHexDigits[b & 15];
      text[i] = b < 32 || b > 126 || b == '%' ? '.' : static_cast<char>(b);
    }
    for (size_t i = n; i < 16; ++i) text[i] = ' ';
    text[-1] = '|';
    text[16] = '|';
    text[17] = '\0';
    writeMsg(MSG_PLAIN, "%s", line);
  }
}

opal_exit_t cmd_get_crc_values(cmd_args_t* args) {
  uint32_t pipe = 0, port = 0;
  bool ok = number_arg(arg(args, 1), pipe) && number_arg(arg(args, 2), port);
  args->count = 0;
  if (!ok) return EXIT_INVALID_PARAM_ERROR;
  uint32_t values[4] = {};
  opal_exit_t r = opal_get_crc_values(pipe, port, &values[0], &values[1], &values[2], &values[3]);
  if (r != EXIT_OK) return r;
  add_result(args, "%-48s", "CRC Results");
  const char* names[4] = {"Red", "Green", "Blue", "Residual"};
  for (int i = 0; i < 4; ++i) add_result(args, "%-48s: 0x%08lX", names[i], static_cast<unsigned long>(values[i]));
  return EXIT_OK;
}

opal_exit_t cmd_get_frame_buffer(cmd_args_t* args) {
  // Plane, then x1, y1, x2, y2: an empty slot ends the list.
  uint32_t plane = 0;
  const char* plane_text = arg(args, 1);
  uint32_t bounds[4] = {};
  int given = 0;
  if (*plane_text && (!parse_unsigned(plane_text, plane) || plane > 1)) {
    args->count = 0;
    error("ERROR: Invalid plane");
    return EXIT_INVALID_PARAM_ERROR;
  }
  bool ok = true;
  for (int i = 0; ok && i < 4 && *arg(args, 2 + i); ++i, ++given) ok = number_arg(arg(args, 2 + i), bounds[i]);
  args->count = 0;
  if (!ok) return EXIT_INVALID_PARAM_ERROR;
  uint32_t control = 0, last_x = 0, last_y = 0;
  opal_exit_t r = enabled_plane(plane, &control);
  if (r == EXIT_OK) r = plane_extent(&last_x, &last_y);
  if (r != EXIT_OK) return r;
  uint32_t x1 = given > 0 ? bounds[0] : 0, y1 = given > 1 ? bounds[1] : 0;
  uint32_t x2 = given > 2 ? bounds[2] : last_x, y2 = given > 3 ? bounds[3] : last_y;
  order(y1, y2);
  if (y2 > last_y) {
    error("ERROR: One or more coordinates falls outside the edge of the frame buffer.");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint8_t staging[kStaging];
  size_t staged = 0;
  uint32_t offset = 0;
  for (uint32_t y = y1; y <= y2; ++y) {
    uint8_t* row = nullptr;
    uint32_t size = 0;
    r = opal_get_frame_buffer(plane, x1, x2, y, y, &row, &size);
    if (r != EXIT_OK) {
      opal_free_frame_buffer(row);
      return r;
    }
    // A row can be longer than the staging buffer: it goes in pieces.
    for (uint32_t done = 0; done < size;) {
      size_t piece = size - done < kStaging - staged ? size - done : kStaging - staged;
      std::memcpy(staging + staged, row + done, piece);
      staged += piece;
      done += static_cast<uint32_t>(piece);
      if (staged == kStaging) {
        print_hex_ascii(staging, offset, staged);
        offset += static_cast<uint32_t>(staged);
        staged = 0;
      }
    }
    opal_free_frame_buffer(row);
  }
  if (staged) print_hex_ascii(staging, offset, staged);
  return EXIT_OK;
}
