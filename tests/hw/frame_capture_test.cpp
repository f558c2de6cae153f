// Frame-buffer capture, its hex/text dump and BMP image, and the pipe CRC
// unit, on a simulated machine whose plane 0 shows a 64 x 48 picture of
// 4-byte pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "hw/frame_capture.h"
#include "hw_session.h"
#include "sim/hardware/hardware.h"

namespace {

const char kProfile[] = "base = dov\n[machine]\nwait_scale = 0\n";
constexpr uint32_t kSurface = 0x80000, kStride = 256;

class CaptureTest : public HwSessionTest {
 protected:
  CaptureTest() : HwSessionTest(kProfile) {}
  // A small picture: the registers keep what is written until the screens change.
  void SetUp() override {
    HwSessionTest::SetUp();
    const std::pair<uint32_t, uint32_t> regs[] = {{0x60000, 63},   {0x6000C, 47},   {0x70188, kStride},
                                                  {0x70184, kSurface}, {0x70180, 0x98000000}, {0x71180, 0}};
    for (auto [offset, value] : regs) set_reg(offset, value);
  }
  std::vector<uint8_t> capture(uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2, opal_exit_t expect = EXIT_OK) {
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(opal_get_frame_buffer(0, x1, x2, y1, y2, &buffer, &size), expect);
    std::vector<uint8_t> bytes(buffer, buffer + (buffer ? size : 0));
    opal_free_frame_buffer(buffer);
    return bytes;
  }
  void poke(uint32_t x, uint32_t y, uint32_t value) {
    ASSERT_TRUE(drv_write_reg(DRV_TARGET_GMADR, 32, kSurface + y * kStride + 4 * x, value, 2));
  }
  void set_reg(uint32_t offset, uint32_t value) { ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, offset, value, 2)); }
  // The bytes of a dump's lines, read back from their hex part.
  static std::vector<uint8_t> dumped(const std::string& out, uint32_t* last_offset = nullptr) {
    std::vector<uint8_t> bytes;
    for (const std::string& line : lines_of(out)) {
      EXPECT_EQ(line.size(), 78u) << line;
      if (line.size() < 78) continue;
      EXPECT_EQ(std::stoul(line.substr(0, 8), nullptr, 16), bytes.size()) << line;
      if (last_offset) *last_offset = static_cast<uint32_t>(bytes.size());
      for (size_t i = 10; i + 1 < 58; i += 3) {
        if (i == 34) ++i;  // the extra blank after the eighth byte
        if (line[i] == ' ') break;
        bytes.push_back(static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
      }
    }
    return bytes;
  }
};

TEST_F(CaptureTest, APixelsBytesComeMostSignificantFirst) {
  poke(0, 0, 0x44332211);
  EXPECT_EQ(capture(0, 0, 0, 0), (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11}));
}

TEST_F(CaptureTest, BoundsInEitherOrderGiveTheSameRectangle) {
  std::vector<uint8_t> forward = capture(2, 5, 3, 9);
  EXPECT_EQ(forward.size(), 4u * 7 * 4);
  EXPECT_EQ(capture(5, 2, 9, 3), forward);
}

TEST_F(CaptureTest, ThePatternShowsOrientationAndColour) {
  struct Case {
    uint32_t x, y, pixel;
    const char* what;
  };
  for (Case c : {Case{0, 0, 0x00FF0000, "red block at the top left"}, Case{5, 0, 0x00FFFFFF, "white bar"},
                 Case{8, 0, 0x00FFFF00, "yellow bar"},
                 Case{63, 0, 0x00000000, "black bar at the right"}, Case{20, 10, 0x0000FFFF, "cyan, third bar"},
                 Case{0, 47, 0x00000000, "ramp starts black"}, Case{63, 47, 0x00FFFFFF, "ramp ends white"}}) {
    std::vector<uint8_t> px = capture(c.x, c.x, c.y, c.y);
    ASSERT_EQ(px.size(), 4u);
    uint32_t v = uint32_t(px[0]) << 24 | px[1] << 16 | px[2] << 8 | px[3];
    EXPECT_EQ(v, c.pixel) << c.what;
  }
}

TEST_F(CaptureTest, AWrittenPixelStaysUntilAModeChangeRedraws) {
  poke(40, 0, 0x00123456);
  EXPECT_EQ(capture(40, 40, 0, 0), (std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56}));
  EXPECT_EQ(capture(40, 40, 0, 0), (std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56}));
  set_reg(0x60000, 47);  // 48 pixels wide: the picture is drawn again
  EXPECT_EQ(capture(40, 40, 0, 0), (std::vector<uint8_t>{0x00, 0x00, 0x00, 0xFF})) << "the blue bar now";
  EXPECT_EQ(capture(47, 47, 0, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(CaptureTest, EveryPixelFormatHasItsWidthAndARowReadsWholeWords) {
  struct Case {
    uint32_t format, bpp;
  };
  for (Case c : {Case{0x08000000, 1}, Case{0x10000000, 2}, Case{0x14000000, 2}, Case{0x18000000, 4},
                 Case{0x1C000000, 4}, Case{0x20000000, 4}, Case{0x38000000, 4}}) {
    set_reg(0x70180, 0x80000000 | c.format);
    EXPECT_EQ(plane_bytes_per_pixel(c.format), c.bpp);
    machine().take_debug_output();
    std::vector<uint8_t> row = capture(0, 2, 5, 5);
    EXPECT_EQ(row.size(), 3 * c.bpp) << std::hex << c.format;
    char words[64];
    std::snprintf(words, sizeof words, "startReg=%#x, numRegs=%#x", kSurface + 5 * kStride, (3 * c.bpp + 3) / 4);
    EXPECT_NE(machine().take_debug_output().find(words), std::string::npos) << words;
  }
  set_reg(0x70180, 0x80000000 | 0x0C000000);
  StdoutCapture out;
  capture(0, 2, 0, 0, EXIT_OS_CALL_ERROR);
  EXPECT_NE(out.stop().find("ERROR: Unable to determine color depth."), std::string::npos);
}

TEST_F(CaptureTest, RefusedCapturesAllocateNothing) {
  struct Case {
    uint32_t plane, x1, x2, y1, y2;
    opal_exit_t code;
    const char* message;
  };
  const Case cases[] = {
      {2, 0, 0, 0, 0, EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid plane"},
      {1, 0, 0, 0, 0, EXIT_INVALID_PARAM_ERROR, "ERROR: Selected plane is not enabled."},
      {0, 0, 64, 0, 0, EXIT_INVALID_PARAM_ERROR, "ERROR: One or more coordinates falls outside the edge"},
      {0, 0, 0, 48, 0, EXIT_INVALID_PARAM_ERROR, "ERROR: One or more coordinates falls outside the edge"},
  };
  for (const Case& c : cases) {
    uint8_t* buffer = nullptr;
    uint32_t size = 77;
    StdoutCapture out;
    EXPECT_EQ(opal_get_frame_buffer(c.plane, c.x1, c.x2, c.y1, c.y2, &buffer, &size), c.code) << c.message;
    EXPECT_NE(out.stop().find(c.message), std::string::npos) << c.message;
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 77u);
  }
  uint8_t* buffer = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(opal_get_frame_buffer(0, 0, 0, 0, 0, nullptr, &size), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_get_frame_buffer(0, 0, 0, 0, 0, &buffer, nullptr), EXIT_INVALID_PARAM_ERROR);
}

TEST_F(CaptureTest, ASurfacePastTheApertureIsRefusedBeforeAnyRead) {
  // 128 MiB aperture on this machine; the stride times the row number
  // would pass it (and 4 GiB in 32 bits).
  set_reg(0x70184, 0x07FFFF00);
  machine().take_debug_output();
  StdoutCapture out;
  capture(0, 63, 0, 47, EXIT_OS_CALL_ERROR);
  EXPECT_NE(out.stop().find("outside the graphics aperture"), std::string::npos);
  set_reg(0x70184, 0x80000);
  set_reg(0x70188, 0x10000000);
  capture(0, 0, 47, 47, EXIT_OS_CALL_ERROR);
  EXPECT_EQ(machine().take_debug_output().find("Dump MMIO : startReg"), std::string::npos);
}

TEST_F(CaptureTest, TheCommandTakesItsBoundsInEveryForm) {
  struct Case {
    const char* line;
    uint32_t x1, x2, y1, y2;
  };
  const Case cases[] = {
      {"get_frame_buffer", 0, 63, 0, 47},           {"get_frame_buffer 0", 0, 63, 0, 47},
      {"get_frame_buffer 0 60", 60, 63, 0, 47},     {"get_frame_buffer 0 60 40", 60, 63, 40, 47},
      {"get_frame_buffer 0 1 2 3", 1, 3, 2, 47},    {"get_frame_buffer 0 1 2 3 4", 1, 3, 2, 4},
      {"get_frame_buffer 0 1 4 3 2", 1, 3, 2, 4},   {"get_frame_buffer 0 0x3 0 1 0", 1, 3, 0, 0},
  };
  for (const Case& c : cases) {
    Run r = run(c.line);
    ASSERT_EQ(r.result, EXIT_OK) << c.line << r.out;
    EXPECT_EQ(r.args.count, 0) << c.line;
    EXPECT_EQ(dumped(r.out), capture(c.x1, c.x2, c.y1, c.y2)) << c.line;
  }
}

TEST_F(CaptureTest, TheCommandRefusesBadBounds) {
  struct Case {
    const char* line;
    opal_exit_t code;
    const char* message;
  };
  const Case cases[] = {
      {"get_frame_buffer 2", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid plane"},
      {"get_frame_buffer one", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid plane"},
      {"get_frame_buffer 1", EXIT_INVALID_PARAM_ERROR, "ERROR: Selected plane is not enabled."},
      {"get_frame_buffer 0 0 0 0 48", EXIT_INVALID_PARAM_ERROR, "falls outside the edge of the frame buffer."},
      {"get_frame_buffer 0 64", EXIT_INVALID_PARAM_ERROR, "falls outside the edge of the frame buffer."},
      {"get_frame_buffer 0 0 0 x", EXIT_INVALID_PARAM_ERROR, "ERROR: Invalid number: x"},
  };
  for (const Case& c : cases) {
    Run r = run(c.line);
    EXPECT_EQ(r.result, c.code) << c.line;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.line << r.out;
    EXPECT_EQ(r.out.find("00000000  "), std::string::npos) << c.line;
  }
}

TEST_F(CaptureTest, RowsLongerThanTheStagingBufferAreDumpedWhole) {
  // 1920 pixels of 4 bytes: 7680 bytes a row.
  set_reg(0x60000, 1919);
  set_reg(0x70188, 7680);
  Run r = run("get_frame_buffer 0 0 0 1919 1");
  ASSERT_EQ(r.result, EXIT_OK);
  uint32_t last = 0;
  std::vector<uint8_t> bytes = dumped(r.out, &last);
  EXPECT_EQ(bytes.size(), 15360u);
  EXPECT_EQ(last, 0x3BF0u);
  EXPECT_EQ(bytes, capture(0, 1919, 0, 1));
}

TEST(HexAscii, LinesShowOffsetHexAndText) {
  uint8_t bytes[20];
  const char text[] = "AB%\x1F~\x7F" "0123456789xyz";
  std::memcpy(bytes, text, 19);
  bytes[19] = 0xFF;
  StdoutCapture out;
  print_hex_ascii(bytes, 0x1000, sizeof bytes);
  EXPECT_EQ(out.stop(),
            "00001000  41 42 25 1F 7E 7F 30 31  32 33 34 35 36 37 38 39  |AB..~.0123456789|\n"
            "00001010  78 79 7A FF                                       |xyz.            |\n");
}

TEST(Bmp, SixteenAndEightBitFormatsBecomeTheirColours) {
  struct Case {
    uint32_t format;
    std::vector<uint8_t> pixel;  // most significant byte first
    uint8_t b, g, r;
  };
  const Case cases[] = {
      {0x14000000, {0xF8, 0x00}, 0, 0, 255},       {0x14000000, {0x07, 0xE0}, 0, 255, 0},
      {0x10000000, {0x00, 0x1F}, 255, 0, 0},       {0x08000000, {0x80}, 0x80, 0x80, 0x80},
      {0x18000000, {0x00, 0x10, 0x20, 0x30}, 0x30, 0x20, 0x10},
      {0x38000000, {0x00, 0x10, 0x20, 0x30}, 0x10, 0x20, 0x30},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bmp = frame_to_bmp(c.pixel.data(), c.pixel.size(), 1, 1, c.format);
    ASSERT_EQ(bmp.size(), 54u + 4u) << std::hex << c.format;
    EXPECT_EQ(bmp[54], c.b);
    EXPECT_EQ(bmp[55], c.g);
    EXPECT_EQ(bmp[56], c.r);
  }
  uint8_t two[8] = {};
  EXPECT_TRUE(frame_to_bmp(two, 7, 2, 1, 0x18000000).empty()) << "a size that is not the picture's";
  EXPECT_TRUE(frame_to_bmp(two, 8, 2, 1, 0x0C000000).empty()) << "a format that cannot be shown";
}

TEST_F(CaptureTest, TheImageFileMatchesTheDump) {
  ASSERT_EQ(opal_save_frame_buffer_bmp(0, 0, 15, 0, 3, "C:\\shot.bmp"), EXIT_OK);
  std::string file = read_file(machine().host_path("C:\\shot.bmp"));
  ASSERT_EQ(file.size(), 54u + 48u * 4u);
  auto le32 = [&](size_t at) {
    uint32_t v;
    std::memcpy(&v, file.data() + at, 4);
    return v;
  };
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(le32(2), file.size());
  EXPECT_EQ(le32(18), 16u);
  EXPECT_EQ(le32(22), 4u);
  EXPECT_EQ(file[28], 24);
  // The picture's top row is the file's last.
  std::vector<uint8_t> dump = capture(0, 15, 0, 3);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 16; ++x) {
      const uint8_t* px = dump.data() + (y * 16 + x) * 4;  // x, R, G, B
      const char* bgr = file.data() + 54 + (3 - y) * 48 + x * 3;
      EXPECT_EQ(uint8_t(bgr[0]), px[3]) << x << "," << y;
      EXPECT_EQ(uint8_t(bgr[1]), px[2]) << x << "," << y;
      EXPECT_EQ(uint8_t(bgr[2]), px[1]) << x << "," << y;
    }
  EXPECT_EQ(uint8_t(file[54 + 3 * 48 + 2]), 0xFF) << "red at the top left";
  EXPECT_EQ(opal_save_frame_buffer_bmp(0, 0, 64, 0, 0, "C:\\no.bmp"), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_save_frame_buffer_bmp(0, 0, 1, 0, 0, nullptr), EXIT_INVALID_PARAM_ERROR);
}

// The primary screen's own picture, as its display registers show it.
class ScreenPictureTest : public HwSessionTest {
 protected:
  ScreenPictureTest() : HwSessionTest("base = cyr\n[machine]\nwait_scale = 0\n") {}
  uint32_t pixel(uint32_t x, uint32_t y) {
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(opal_get_frame_buffer(0, x, x, y, y, &buffer, &size), EXIT_OK);
    uint32_t v = size == 4 ? uint32_t(buffer[0]) << 24 | buffer[1] << 16 | buffer[2] << 8 | buffer[3] : 0xDEAD;
    opal_free_frame_buffer(buffer);
    return v;
  }
  uint32_t reg(uint32_t offset) {
    uint32_t v = 0;
    EXPECT_TRUE(drv_read_mmio(32, offset, &v, 2));
    return v;
  }
};

TEST_F(ScreenPictureTest, AModeOrRotationChangeRedrawsThePicture) {
  const uint32_t w = (reg(0x60000) & 0xFFF) + 1, h = (reg(0x6000C) & 0xFFF) + 1;
  EXPECT_EQ(pixel(0, 0), 0x00FF0000u) << "red at the top left";
  EXPECT_EQ(pixel(w - 1, 0), 0u) << "the black bar at the right";
  EXPECT_EQ(pixel(w - 1, h - 1), 0x00FFFFFFu) << "the ramp's white end";
  // Turned by 180 degrees the picture is stored the other way round.
  ASSERT_EQ(run("rotate lvds 180").result, EXIT_OK);
  ASSERT_EQ(reg(0x70180) >> 15 & 1, 1u);
  EXPECT_EQ(pixel(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(pixel(w - 1, h - 1), 0x00FF0000u);
  ASSERT_EQ(run("rotate lvds 0").result, EXIT_OK);
  EXPECT_EQ(pixel(0, 0), 0x00FF0000u);
  ASSERT_EQ(run("set_scrn_res 0 800x600x60").result, EXIT_OK);
  ASSERT_EQ(reg(0x60000) & 0xFFF, 799u);
  EXPECT_EQ(pixel(799, 0), 0u);
  EXPECT_EQ(pixel(799, 599), 0x00FFFFFFu);
  EXPECT_EQ(pixel(400, 599), 0x007F7F7Fu) << "grey half way along the ramp";
}

// ---- Pipe CRC

class CrcTest : public CaptureTest {
 protected:
  struct Crc {
    opal_exit_t result;
    uint32_t v[4];
    bool operator==(const Crc& o) const { return std::memcmp(v, o.v, sizeof v) == 0; }
  };
  Crc crc(uint32_t pipe, uint32_t port) {
    Crc c{};
    c.result = opal_get_crc_values(pipe, port, &c.v[0], &c.v[1], &c.v[2], &c.v[3]);
    return c;
  }
};

TEST_F(CrcTest, EqualPicturesGiveEqualCrcsAndAPixelChangesThem) {
  Crc first = crc(0, 0);
  ASSERT_EQ(first.result, EXIT_OK);
  EXPECT_NE(first.v[0], first.v[1]) << "red and green differ in the pattern";
  EXPECT_NE(first.v[1], first.v[2]);
  Crc again = crc(0, 0);
  EXPECT_EQ(again.result, EXIT_OK);
  EXPECT_TRUE(again == first);
  EXPECT_TRUE(crc(0, 1) == first) << "DVOB shows the pipe's picture";
  poke(30, 20, 0x00010203);
  Crc changed = crc(0, 0);
  EXPECT_FALSE(changed == first);
  EXPECT_NE(changed.v[2], first.v[2]);
  // The unit is off again after every run.
  uint32_t control = 1;
  ASSERT_TRUE(drv_read_mmio(32, 0x60050, &control, 2));
  EXPECT_EQ(control, 0u);
}

TEST_F(CrcTest, PipeAndPortErrors) {
  struct Case {
    uint32_t pipe, port;
    opal_exit_t code;
    const char* message;
  };
  const Case cases[] = {
      {2, 0, EXIT_INVALID_PARAM_ERROR, nullptr},
      {0, 6, EXIT_INVALID_PARAM_ERROR, nullptr},
      {0, 3, EXIT_DEVICE_NOT_FOUND, "ERROR: UDID hardware not currently supported."},
      {1, 4, EXIT_DEVICE_NOT_FOUND, "ERROR: TV Encoder hardware not currently supported."},
      {0, 5, EXIT_DEVICE_NOT_FOUND, "ERROR: TV Filter hardware not currently supported."},
  };
  for (const Case& c : cases) {
    StdoutCapture out;
    EXPECT_EQ(crc(c.pipe, c.port).result, c.code) << c.pipe << " " << c.port;
    std::string text = out.stop();
    if (c.message) {
      EXPECT_NE(text.find(c.message), std::string::npos) << text;
    }
  }
  uint32_t v = 0;
  EXPECT_EQ(opal_get_crc_values(0, 0, &v, &v, nullptr, &v), EXIT_INVALID_PARAM_ERROR);
}

TEST_F(CrcTest, ACalculationAlreadyRunningIsLeftAlone) {
  set_reg(0x61050, 0x80000000);
  StdoutCapture out;
  EXPECT_EQ(crc(1, 0).result, EXIT_GENERIC_ERROR);
  EXPECT_NE(out.stop().find("ERROR: CRC calculations are already enabled."), std::string::npos);
  uint32_t control = 0;
  ASSERT_TRUE(drv_read_mmio(32, 0x61050, &control, 2));
  EXPECT_EQ(control, 0x80000000u) << "the enable bit stays until 0 is written";
}

TEST_F(CrcTest, TheCommandPrintsFiveLines) {
  Crc expected = crc(0, 2);
  ASSERT_EQ(expected.result, EXIT_OK);
  Run r = run("get_crc_values 0 2");
  ASSERT_EQ(r.result, EXIT_OK);
  ASSERT_EQ(r.args.count, 5);
  EXPECT_EQ(std::string(r.args.slot[0]), std::string("CRC Results") + std::string(37, ' '));
  char line[80];
  std::snprintf(line, sizeof line, "%-48s: 0x%08X", "Residual", expected.v[3]);
  EXPECT_STREQ(r.args.slot[4], line);
  std::snprintf(line, sizeof line, "%-48s: 0x%08X", "Red", expected.v[0]);
  EXPECT_STREQ(r.args.slot[1], line);
  EXPECT_EQ(run("get_crc_values 2 0").result, EXIT_INVALID_PARAM_ERROR);
  Run udid = run("get_crc_values 0 3");
  EXPECT_EQ(udid.result, EXIT_DEVICE_NOT_FOUND);
  EXPECT_EQ(udid.args.count, 0);
}

class NoDvoCrcTest : public CrcTest {
 protected:
  NoDvoCrcTest() { profile_ = std::string(kProfile) + "[gmbus]\nsdvo70 = no\n"; }
};

TEST_F(NoDvoCrcTest, AMissingDvoPortIsNotFound) {
  StdoutCapture out;
  EXPECT_EQ(crc(0, 1).result, EXIT_DEVICE_NOT_FOUND);
  EXPECT_NE(out.stop().find("ERROR: DVOB hardware not found."), std::string::npos);
  EXPECT_EQ(crc(0, 2).result, EXIT_OK) << "DVOC is there";
}

}  // namespace
