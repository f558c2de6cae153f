// The EDID 1.3 base block decoder.
#include "edid_report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/msglog.h"

namespace {

// A flag bit of a byte and the line it prints.
struct BitLine {
  int bit;
  const char* text;
};

const BitLine kAnalogInput[] = {
    {0, "\tVSync Pulse Serration"}, {1, "\tSync on Green Video"}, {2, "\tComposite Sync"},
    {3, "\tSeperate Sync"},         {4, "\tBlank-to-Black Setup"},
};
const char* const kSignalLevels[] = {
    "\t0.700, 0.300 (1.000 V p-p)",
    "\t0.714, 0.286 (1.000 V p-p)",
    "\t1.000, 0.400 (1.400 V p-p)",
    "\t0.700, 0.000 (0.700 V p-p)",
};
const BitLine kFeaturesLow[] = {
    {0, "\tDefault GTF supported"},
    {1, "\tPreferred Timing Mode"},
    {2, "\tStandard Default Color Space, sRGB"},
};
const char* const kDisplayTypes[] = {
    "\tDisplay Type=Monochrome/Grayscale",
    "\tDisplay Type=RGB Color",
    "\tDisplay Type=Non-RGB multicolor",
    "\tDisplay Type=Undefined",
};
const BitLine kFeaturesPower[] = {
    {5, "\tActive OFF/Very Low Power"},
    {6, "\tSuspend"},
    {7, "\tStandby"},
};
const BitLine kEstablished1[] = {
    {5, "\t640 x 480 @ 60Hz (IBM, VGA)"},   {4, "\t640 x 480 @ 67Hz (Apple, Mac II)"},
    {3, "\t640 x 480 @ 72Hz (VESA)"},       {2, "\t640 x 480 @ 75Hz (VESA)"},
    {7, "\t720 x 400 @ 70Hz (IBM, VGA)"},   {6, "\t720 x 400 @ 88Hz (IBM, XGA2)"},
    {1, "\t800 x 600 @ 56Hz (VESA)"},       {0, "\t800 x 600 @ 60Hz (VESA)"},
};
const BitLine kEstablished2[] = {
    {7, "\t800 x 600 @ 72Hz (VESA)"},   {6, "\t800 x 600 @ 75Hz (VESA)"},
    {5, "\t832 x 624 @ 75Hz (Apple, Mac II)"}, {3, "\t1024 x 768 @ 60Hz (VESA)"},
    {2, "\t1024 x 768 @ 70Hz (VESA)"},  {1, "\t1024 x 768 @ 75Hz (VESA)"},
    {4, "\t1024 x 768 @ 87Hz(I) (IBM)"}, {0, "\t1280 x 1024 @ 75Hz (VESA)"},
};

// Colour characteristics: label, byte of the high eight bits, byte and
// shift of the low two bits.
struct ColourField {
  const char* format;
  int high;
  int low_byte;
  int low_shift;
};
const ColourField kColours[] = {
    {"\tRed X=%d", 27, 25, 6},   {"\tGreen X=%d", 29, 25, 2}, {"\tBlue X=%d", 31, 26, 6},
    {"\tWhite X=%d", 33, 26, 2}, {"\tRed Y=%d", 28, 25, 4},   {"\tGreen Y=%d", 30, 25, 0},
    {"\tBlue Y=%d", 32, 26, 4},  {"\tWhite Y=%d\n", 34, 26, 0},
};

const uint8_t kHeader[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int kDescriptorOffset[4] = {54, 72, 90, 108};
constexpr int kDescriptorSize = 18;

class Writer {
 public:
  explicit Writer(const EdidLineSink& sink) : sink_(sink) {}
  void line(const char* format, ...) LUMA_PRINTF(2, 3) {
    char text[kMessageMax + 1] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    sink_(text);
  }
  void bits(uint8_t byte, const BitLine* table, size_t n) {
    for (size_t i = 0; i < n; ++i)
      if (byte & (1u << table[i].bit)) line("%s", table[i].text);
  }
  template <size_t N>
  void bits(uint8_t byte, const BitLine (&table)[N]) {
    bits(byte, table, N);
  }

 private:
  const EdidLineSink& sink_;
};

void detailed_timing(Writer& w, const uint8_t* d) {
  unsigned clock = d[0] | (d[1] << 8);
  w.line("\tPixel Clock = %.2f Mhz", clock / 100.0);
  w.line("\tHorz Active = %d", ((d[4] >> 4) << 8) | d[2]);
  w.line("\tHorz blanking = %d", ((d[4] & 0x0F) << 8) | d[3]);
  w.line("\tHorz Sync Offset = %d", ((d[11] >> 6) << 8) | d[8]);
  w.line("\tHorz Sync Pulse Width = %d", (((d[11] >> 4) & 3) << 8) | d[9]);
  w.line("\tHorz Image Size = %d mm", ((d[14] >> 4) << 8) | d[12]);
  w.line("\tHorz border = %d", d[15]);
  w.line("\tVert Active = %d", ((d[7] >> 4) << 8) | d[5]);
  w.line("\tVert blanking = %d", ((d[7] & 0x0F) << 8) | d[6]);
  w.line("\tVert Sync Offset = %d", (((d[11] >> 2) & 3) << 4) | (d[10] >> 4));
  w.line("\tVert Sync Pulse Width = %d", ((d[11] & 3) << 4) | (d[10] & 0x0F));
  w.line("\tVert Image Size = %d mm", ((d[14] & 0x0F) << 8) | d[13]);
  w.line("\tVert Border = %d", d[16]);
  uint8_t flags = d[17];
  w.line("\t%sInterlaced", (flags & 0x80) ? "" : "Non-");
  if ((flags & 0x60) == 0) w.line("\tNormal Display, No Stereo");
  bool digital = (flags & 0x18) != 0;
  w.line(digital ? "\tDigital separate" : "\tAnalog composite");
  if (flags & 0x04) w.line("\tHync during VSync");
  if (!digital) w.line((flags & 0x02) ? "\tSync Pulses on all RGB lines" : "\tSync Pulses on G line");
}

void monitor_descriptor(Writer& w, const uint8_t* d) {
  // Text fields are 13 bytes that may end early at a zero byte.
  char text[14] = {};
  std::memcpy(text, d + 5, 13);
  switch (d[3]) {
    case 0xFF: w.line("\tMonitor Serial Number = %13s", text); break;
    case 0xFE: w.line("\tData = %13s", text); break;
    case 0xFC: w.line("\tMonitor Name = %13s", text); break;
    case 0xFB: w.line("\tColor Point"); break;
    case 0xFA: w.line("\tStandard Timing Identifiers"); break;
    case 0xFD:
      w.line("\tMonitor Range Limits:");
      w.line("\t\tMin Vertical rate = %d Hz", d[5]);
      w.line("\t\tMax Vertical rate = %d Hz", d[6]);
      w.line("\t\tMin Horz rate = %d Khz", d[7]);
      w.line("\t\tMax Horz rate = %d Khz", d[8]);
      w.line("\t\tMax Pixel Clock = %d Mhz", d[9] * 10);
      if (d[10] & 0x02) {
        w.line("\t\tSecondary GTF:");
        w.line("\t\t\tStart frequency for secondary curve = %d Khz", d[12] * 2);
        w.line("\t\t\tC=%d, M=%d, K=%d, J=%d", d[13] / 2, d[14] | (d[15] << 8), d[16], d[17] / 2);
      } else {
        w.line("\t\tSecondary GTF - Not Supported");
      }
      break;
    default: break;
  }
}

}  // namespace

void decode_edid(const uint8_t (&e)[kEdidBlockSize], const EdidLineSink& sink) {
  Writer w(sink);
  w.line("\nRAW INFO\n");
  for (size_t row = 0; row < kEdidBlockSize; row += 8) {
    char text[64];
    int used = std::snprintf(text, sizeof text, "%08X    ", static_cast<unsigned>(row));
    for (size_t i = 0; i < 8; ++i)
      used += std::snprintf(text + used, sizeof text - used, " %02X", e[row + i]);
    w.line("%s", text);
  }
  w.line("\nTRANSLATED INFO\n");

  unsigned sum = 0;
  for (uint8_t b : e) sum += b;
  sum &= 0xFF;
  if (sum != 0) {
    w.line("Invalid checkSum=%#x\n", sum);
    return;
  }
  if (std::memcmp(e, kHeader, sizeof kHeader) != 0) w.line("Invalid Edid Hdr\n");

  unsigned maker = (e[8] << 8) | e[9];
  w.line("Manufacture ID='%c%c%c', Product=%#x", ((maker >> 10) & 0x1F) + 64, ((maker >> 5) & 0x1F) + 64,
         (maker & 0x1F) + 64, e[10] | (e[11] << 8));
  w.line("Manufacture Week=%d, Year=%d", e[16], e[17] + 1990);
  w.line("Edid Version=%d, Revision=%d\n", e[18], e[19]);

  w.line("Video Input Definition:");
  if (e[20] & 0x80) {
    w.line("Digital");
  } else {
    w.line("Analog :");
    w.bits(e[20], kAnalogInput);
    w.line("%s", kSignalLevels[(e[20] >> 5) & 3]);
  }
  w.line("Max Horz Image Size=%dcm", e[21]);
  w.line("Max Vert Image Size=%dcm", e[22]);
  w.line("Display Gamma=%1.2f\n", (e[23] + 100) / 100.0);

  w.line("Feature Support:");
  w.bits(e[24], kFeaturesLow);
  w.line("%s", kDisplayTypes[(e[24] >> 3) & 3]);
  w.bits(e[24], kFeaturesPower);

  w.line("\nColor Characteristics:");
  for (const auto& c : kColours) w.line(c.format, e[c.high] * 4 + ((e[c.low_byte] >> c.low_shift) & 3));

  w.line("Established Timings I:");
  w.bits(e[35], kEstablished1);
  w.line("\nEstablished Timings II:");
  w.bits(e[36], kEstablished2);
  if (e[37] & 0x80) {
    w.line("Manufacturer's Timings:");
    w.line("\t1152 x 870 @ 75Hz (Apple, Mac II)");
  }

  w.line("\nStandard Timing Identification:");
  for (int off = 38; off < 54; off += 2) {
    uint8_t first = e[off], second = e[off + 1];
    if (first == 1 && second == 1) continue;  // an unused pair
    int horizontal = (first + 31) * 8;
    int vertical = 0;  // aspect codes 2 and 3 carry no vertical size here
    switch (second >> 6) {
      case 0: vertical = horizontal * 10 / 16; break;
      case 1: vertical = horizontal * 3 / 4; break;
      default: break;
    }
    w.line("\t%d x %d @ %d", horizontal, vertical, (second & 0x3F) + 60);
  }

  w.line("\nDetailed Timing Descriptor 1:");
  detailed_timing(w, e + kDescriptorOffset[0]);
  for (int i = 1; i < 4; ++i) {
    w.line("\nDetailed Timing Descriptor %d:", i + 1);
    monitor_descriptor(w, e + kDescriptorOffset[i]);
  }
  static_assert(kDescriptorOffset[3] + kDescriptorSize <= kEdidBlockSize - 2);
}

void write_edid_report(const uint8_t (&block)[kEdidBlockSize]) {
  decode_edid(block, [](const char* line) {
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%s", line);
  });
}
