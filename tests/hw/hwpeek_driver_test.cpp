// The hwpeek request engine and GMBUS engine against the simulated hardware.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/device_ids.h"
#include "hwpeek/hwpeek.h"
#include "sim/hardware/hardware.h"
#include "sim/hardware/sim_hw_access.h"
#include "support/sim_fixture.h"

namespace {

using namespace hwpeek;

// The simulated kernel services, recording every mapping the driver makes.
class RecordingAccess : public sim::SimHwAccess {
 public:
  using SimHwAccess::SimHwAccess;
  volatile uint8_t* map_io_space(uint64_t physical, uint32_t length) override {
    mapped.push_back({physical, length});
    return SimHwAccess::map_io_space(physical, length);
  }
  std::vector<std::pair<uint64_t, uint32_t>> mapped;
};

class DriverTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    hw_ = &machine().part<sim::Hardware>();
    access_ = std::make_unique<RecordingAccess>(machine(), *hw_);
    drv_ = std::make_unique<Driver>(*access_);
    drv_load(*drv_, "today", "now");
    machine().take_debug_output();
  }
  void TearDown() override {
    drv_unload(*drv_);
    EXPECT_EQ(hw_->live_mappings, 0);
    EXPECT_EQ(hw_->stray_accesses, 0u);
    drv_.reset();
    access_.reset();
    SimTest::TearDown();
  }
  // One request through a buffered system buffer of max(in, out) bytes.
  template <class T>
  NTSTATUS call(uint32_t code, T& record, uint32_t in, uint32_t out, uint32_t* info = nullptr) {
    std::vector<uint8_t> buffer(std::max<size_t>({in, out, sizeof record}));
    std::memcpy(buffer.data(), &record, sizeof record);
    uint32_t got = 0;
    NTSTATUS st = drv_device_control(*drv_, code, buffer.data(), in, out, &got);
    std::memcpy(&record, buffer.data(), sizeof record);
    if (info) *info = got;
    return st;
  }
  MmioRequest mmio(uint32_t reg, uint32_t width, uint32_t value = 0, uint32_t device = 2) {
    return MmioRequest{reg, width, device, value};
  }
  std::string trace() { return machine().take_debug_output(); }
  sim::Hardware* hw_ = nullptr;
  std::unique_ptr<RecordingAccess> access_;
  std::unique_ptr<Driver> drv_;
};

// A physical-memory dump is answered inside the graphics device's own BAR
// windows and refused, with nothing mapped, anywhere else.
struct PhysicalCase {
  uint32_t address, count;
  bool answered;
};

void expect_physical_dumps(Driver& drv, RecordingAccess& access, sim::Machine& m,
                           std::initializer_list<PhysicalCase> cases) {
  for (const PhysicalCase& c : cases) {
    access.mapped.clear();
    std::vector<uint8_t> buffer(std::max<size_t>(16, 4 * c.count));
    MmioRequest q{c.address, 0, 0, c.count};
    std::memcpy(buffer.data(), &q, sizeof q);
    uint32_t info = 99;
    NTSTATUS st = drv_device_control(drv, IOCTL_DUMP_MEMORY, buffer.data(), 16, 4 * c.count, &info);
    std::string trace = m.take_debug_output();
    SCOPED_TRACE(testing::Message() << std::hex << "address 0x" << c.address << ", " << c.count << " dwords");
    if (c.answered) {
      EXPECT_EQ(st, kStatusSuccess) << trace;
      EXPECT_EQ(info, 4 * c.count);
      ASSERT_EQ(access.mapped.size(), 1u);
      EXPECT_EQ(access.mapped[0].first, c.address);
      EXPECT_EQ(access.mapped[0].second, 4 * c.count);
    } else {
      EXPECT_EQ(st, kStatusInvalidParameter);
      EXPECT_EQ(info, 0u);
      EXPECT_TRUE(access.mapped.empty()) << "mapped " << std::hex << access.mapped[0].first;
      EXPECT_NE(trace.find("is outside the graphics device's windows"), std::string::npos) << trace;
    }
  }
}

TEST_F(DriverTest, LengthChecksRefuseShortBuffers) {
  struct Case {
    uint32_t code, in, out;
    const char* message;
  } cases[] = {
      {IOCTL_READ_MMIO, 0, 0, "Invalid pBuffIn="},
      {0x224000 + 4 * 15, 16, 16, "Received Invalid controlCode=0x22403c"},
      {IOCTL_READ_MMIO, 15, 16, "Invalid inBuffLen=15 or outBuffLen=16, Expected=16"},
      {IOCTL_READ_MMIO, 16, 15, "Invalid inBuffLen=16 or outBuffLen=15, Expected=16"},
      {IOCTL_WRITE_MMIO, 15, 0, "Invalid inBuffLen=15, Expected=16"},
      {IOCTL_DUMP_MMIO, 15, 64, "Invalid inBuffLen=15, Expected=16"},
      {IOCTL_DUMP_MMIO, 16, 12, "Invalid outBuffLen=12, Expected=16"},  // count 4
      {IOCTL_READ_I2C_REG, 8, 7, "Invalid inBuffLen=8 or outBuffLen=7, Expected=8"},
      {IOCTL_WRITE_I2C_REG, 7, 0, "Invalid inBuffLen=7, Expected=8"},
      {IOCTL_SDVO_CMD, 28, 27, "Invalid inBuffLen=28 or outBuffLen=27, Expected=28"},
      {IOCTL_READ_EDID, 7, 128, "Invalid inBuffLen=7, Expected=8"},
      {IOCTL_GET_DEVICE_ID, 4, 3, "Invalid outBuffLen=3, Expected=4"},
      {IOCTL_DUMP_MEMORY, 16, 15, "Invalid outBuffLen=15, Expected=16"},
      {IOCTL_READ_PCI_CONFIG, 5, 192, "Invalid inBuffLen=5, Expected=6"},
      {IOCTL_READ_PCI_CONFIG, 6, 191, "Invalid outBuffLen=191, Expected=192"},
      {IOCTL_DUMP_GMADR, 16, 0, "Invalid outBuffLen=0, Expected=16"},
      {IOCTL_WRITE_GMADR, 12, 16, "Invalid inBuffLen=12, Expected=16"},
      {IOCTL_READ_HOST_DATA, 0, 3, "Invalid outBuffLen=3, Expected=4"},
      {IOCTL_WRITE_HOST_CONTROL, 191, 0, "Invalid inBuffLen=191, Expected=192"},
  };
  for (const Case& c : cases) {
    uint8_t record[256] = {};
    MmioRequest q = mmio(0, 32, 4);
    std::memcpy(record, &q, sizeof q);
    uint32_t info = 99;
    unsigned long long before = hw_->register_accesses;
    NTSTATUS st = drv_device_control(*drv_, c.code, c.in || c.out ? record : nullptr, c.in, c.out, &info);
    EXPECT_EQ(st, kStatusInvalidParameter) << c.message;
    EXPECT_EQ(info, 0u) << c.message;
    EXPECT_EQ(hw_->register_accesses, before) << c.message;
    std::string t = trace();
    EXPECT_NE(t.find("hwpeek : drv_device_control : Error ! "), std::string::npos) << t;
    EXPECT_NE(t.find(c.message), std::string::npos) << c.message << "\n" << t;
  }
  // An EDID reply longer than the output buffer.
  EdidRequest e{100, 0, 0xA0, 128, 0};
  EXPECT_EQ(call(IOCTL_READ_EDID, e, 8, 127), kStatusInvalidParameter);
  EXPECT_NE(trace().find("Invalid outBuffLen=127, Expected=128"), std::string::npos);
}

TEST_F(DriverTest, ReadsAndWritesMmioAtEachWidth) {
  auto w = mmio(0x100, 32, 0x11223344);
  ASSERT_EQ(call(IOCTL_WRITE_MMIO, w, 16, 0), kStatusSuccess);
  EXPECT_NE(trace().find("Write MMIO device=0x2, reg=0x100, value=0x11223344"), std::string::npos);
  struct {
    uint32_t width, reg, expected;
  } cases[] = {{8, 0x100, 0x44}, {8, 0x103, 0x11}, {16, 0x102, 0x1122}, {32, 0x100, 0x11223344},
               {24, 0x100, 0x11223344}, {32, 0x70180, 0x98000000}};
  for (auto& c : cases) {
    auto q = mmio(c.reg, c.width, 0xFFFFFFFF);
    uint32_t info = 0;
    ASSERT_EQ(call(IOCTL_READ_MMIO, q, 16, 16, &info), kStatusSuccess);
    EXPECT_EQ(info, 16u);
    EXPECT_EQ(q.value, c.expected) << c.width << " " << c.reg;
  }
  auto b = mmio(0x101, 8, 0xABCDEF99);  // only the low byte is written
  ASSERT_EQ(call(IOCTL_WRITE_MMIO, b, 16, 0), kStatusSuccess);
  auto r = mmio(0x100, 32);
  call(IOCTL_READ_MMIO, r, 16, 16);
  EXPECT_EQ(r.value, 0x11229944u);
}

TEST_F(DriverTest, DumpsCopyDwordsAndCountZeroReturnsNothing) {
  auto q = mmio(0x2030, 0, 4);
  std::vector<uint32_t> out(4);
  uint32_t info = 0;
  std::vector<uint8_t> buffer(16);
  std::memcpy(buffer.data(), &q, 16);
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_DUMP_MMIO, buffer.data(), 16, 16, &info), kStatusSuccess);
  EXPECT_EQ(info, 16u);
  std::memcpy(out.data(), buffer.data(), 16);
  EXPECT_EQ(out, (std::vector<uint32_t>{0x1000, 0x200, 0x10000, 0x1F001}));
  EXPECT_NE(trace().find("Dump MMIO : Device=0x2, startReg=0x2030, numRegs=0x4\n"), std::string::npos);
  auto zero = mmio(0x2030, 0, 0);
  EXPECT_EQ(call(IOCTL_DUMP_MMIO, zero, 16, 0, &info), kStatusSuccess);
  EXPECT_EQ(info, 0u);
}

TEST_F(DriverTest, RequestsOutsideTheWindowAreRefusedWithoutTouchingIt) {
  struct {
    uint32_t code, reg, width, count, device;
  } cases[] = {
      {IOCTL_READ_MMIO, 0x7FFFE, 32, 0, 2},   {IOCTL_READ_MMIO, 0x80000, 8, 0, 2},
      {IOCTL_WRITE_MMIO, 0x7FFFF, 16, 0, 2},  {IOCTL_DUMP_MMIO, 0x7FFF0, 0, 5, 2},
      {IOCTL_DUMP_MMIO, 0xFFFFFFFC, 0, 2, 2}, {IOCTL_READ_MMIO, 0x100, 32, 0, 3},
      {IOCTL_DUMP_MMIO, 0, 0, 1, 3},
  };
  for (auto& c : cases) {
    auto q = mmio(c.reg, c.width, c.count, c.device);
    unsigned long long before = hw_->register_accesses;
    EXPECT_EQ(call(c.code, q, 16, 64), kStatusInvalidParameter) << std::hex << c.reg;
    EXPECT_EQ(hw_->register_accesses, before);
  }
  // The last dword of the window is inside it.
  auto last = mmio(0x7FFFC, 32);
  EXPECT_EQ(call(IOCTL_READ_MMIO, last, 16, 16), kStatusSuccess);
}

TEST_F(DriverTest, DeviceIdAndConfigurationReads) {
  DeviceIdReply id{};
  uint32_t info = 0;
  ASSERT_EQ(call(IOCTL_GET_DEVICE_ID, id, 0, 4, &info), kStatusSuccess);
  EXPECT_EQ(info, 4u);
  EXPECT_EQ(id.device_id, DOV_DID_2);
  EXPECT_EQ(id.revision, 0x0002);

  struct {
    uint16_t bus, device, function;
    uint32_t bytes;
  } cases[] = {{0, 2, 0, 192}, {0, 0, 0, 192}, {0, 29, 0, 0}, {0, 5, 0, 0}, {0, 2, 1, 0}};
  for (auto& c : cases) {
    std::vector<uint8_t> buffer(192, 0);
    PciConfigRequest q{c.bus, c.device, c.function};
    std::memcpy(buffer.data(), &q, sizeof q);
    EXPECT_EQ(drv_device_control(*drv_, IOCTL_READ_PCI_CONFIG, buffer.data(), 6, 192, &info), kStatusSuccess);
    EXPECT_EQ(info, c.bytes) << c.device;
    if (c.bytes) {
      EXPECT_EQ(buffer[0] | buffer[1] << 8, GFX_VENDOR_ID);
    }
  }
}

// A dump moves plain memory in one copy; the registers that answer for
// themselves (the GMBUS controller, the CRC results, the DVO detect bits)
// must still read as they do one at a time, from any start.
TEST_F(DriverTest, BlockReadsAnswerAsSingleReads) {
  const Window& w = drv_->mmio[0];
  ASSERT_NE(w.base, nullptr);
  access_->write_u32(w.base + 0x5100, 0x5);  // GMBUS select: the controller holds it, not memory
  struct Case {
    uint32_t offset, count;
  } cases[] = {{0x50F8, 16}, {0x50F9, 16}, {0x50FA, 16}, {0x50FB, 16}, {0x5120, 1},  {0x60000, 64},
               {0x6005C, 8}, {0x61060, 4},  {0x61100, 32}, {0x70180, 8},  {0x71180, 8}, {0, 2048}};
  for (const Case& c : cases) {
    std::vector<uint8_t> block(4 * c.count), single(4 * c.count);
    unsigned long long before = hw_->register_accesses;
    access_->read_u32_block(w.base + c.offset, block.data(), c.count);
    EXPECT_EQ(hw_->register_accesses - before, c.count) << std::hex << c.offset;
    for (uint32_t i = 0; i < c.count; ++i) {
      uint32_t v = access_->read_u32(w.base + c.offset + 4 * i);
      std::memcpy(&single[4 * i], &v, 4);
    }
    EXPECT_EQ(block, single) << std::hex << c.offset;
  }
  // The select value and the DVOB detect bit came from their models.
  uint32_t select = 0, dvob = 0;
  access_->read_u32_block(w.base + 0x5100, reinterpret_cast<uint8_t*>(&select), 1);
  access_->read_u32_block(w.base + 0x61140, reinterpret_cast<uint8_t*>(&dvob), 1);
  EXPECT_EQ(select, 0x5u);
  EXPECT_EQ(dvob & 4u, 4u);
}

TEST_F(DriverTest, ApertureWritesAndDumpsAndPhysicalMemory) {
  auto w = mmio(0x1000, 32, 0xCAFEF00D);
  uint32_t info = 0;
  ASSERT_EQ(call(IOCTL_WRITE_GMADR, w, 16, 16, &info), kStatusSuccess);
  EXPECT_EQ(info, 4u);
  EXPECT_NE(trace().find("Write Mem: startReg=0x1000, value=0xcafef00d\n"), std::string::npos);
  // No output buffer: nothing is claimed back.
  auto quiet = mmio(0x1004, 32, 0);
  ASSERT_EQ(call(IOCTL_WRITE_GMADR, quiet, 16, 0, &info), kStatusSuccess);
  EXPECT_EQ(info, 0u);
  std::vector<uint8_t> buffer(16);
  auto d = mmio(0x1000, 0, 2);
  std::memcpy(buffer.data(), &d, 16);
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_DUMP_GMADR, buffer.data(), 16, 8, &info), kStatusSuccess);
  uint32_t v;
  std::memcpy(&v, buffer.data(), 4);
  EXPECT_EQ(v, 0xCAFEF00Du);
  // The same bytes seen as physical memory at the aperture BAR.
  auto m = mmio(0xD0001000, 0, 1);
  std::memcpy(buffer.data(), &m, 16);
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_DUMP_MEMORY, buffer.data(), 16, 4, &info), kStatusSuccess);
  std::memcpy(&v, buffer.data(), 4);
  EXPECT_EQ(v, 0xCAFEF00Du);
  // Past the 256 MiB aperture of this device, and physical memory above 4 GiB.
  auto far = mmio(0x0FFFFFFE, 32, 1);
  EXPECT_EQ(call(IOCTL_WRITE_GMADR, far, 16, 16), kStatusInvalidParameter);
  EXPECT_NE(trace().find("Couldn't map memory with Start = 268435454"), std::string::npos);
  auto high = mmio(0xFFFFFFF0, 0, 8);
  EXPECT_EQ(call(IOCTL_DUMP_MEMORY, high, 16, 32), kStatusInvalidParameter);
  EXPECT_EQ(hw_->live_mappings, 2 - 1);  // device 2's MMIO window only
}

TEST_F(DriverTest, PhysicalMemoryIsAnsweredOnlyInsideTheDevicesWindows) {
  // dov: registers at 0xFEA00000 (512 KiB), aperture at 0xD0000000 (256 MiB).
  expect_physical_dumps(*drv_, *access_, machine(),
                        {
                            {0xFE9FFFFC, 1, false},  // the dword below the register window
                            {0xFE9FFFFC, 2, false},  // across its first edge
                            {0xFEA00000, 1, true},   // its first dword
                            {0xFEA70180, 4, true},   // inside
                            {0xFEA7FFFC, 1, true},   // its last dword
                            {0xFEA7FFFC, 2, false},  // across its last edge
                            {0xFEA80000, 1, false},  // just past it
                            {0xCFFFFFFC, 1, false},  // below the aperture
                            {0xD0000000, 4, true},   // the aperture's first bytes
                            {0xDFFFFFF0, 4, true},   // its last bytes
                            {0xDFFFFFFC, 2, false},  // across its end
                            {0xE0000000, 1, false},  // past it
                            {0x00000000, 1, false},  // the start of physical memory
                            {0x000F0000, 64, false}, // the BIOS area
                            {0xFEBFF000, 1, false},  // another vendor's device
                            {0xFFFFFFFC, 1, false},  // the top of the address space
                        });
  // What an answer holds: the registers themselves.
  std::vector<uint8_t> buffer(16);
  MmioRequest q{0xFEA70180, 0, 0, 1};
  std::memcpy(buffer.data(), &q, sizeof q);
  uint32_t info = 0;
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_DUMP_MEMORY, buffer.data(), 16, 4, &info), kStatusSuccess);
  uint32_t v = 0;
  std::memcpy(&v, buffer.data(), 4);
  EXPECT_EQ(v, 0x98000000u);
}

TEST(PtrText, AddressesAreWrittenWhole) {
  struct {
    uintptr_t value;
    const char* text;
  } cases[] = {{0, "0"}, {1, "0x1"}, {0xFEA00000u, "0xfea00000"}, {UINTPTR_MAX, sizeof(void*) == 8
                                                                                  ? "0xffffffffffffffff"
                                                                                  : "0xffffffff"}};
  for (auto& c : cases) EXPECT_STREQ(ptr_text(reinterpret_cast<void*>(c.value)).text, c.text);
}

TEST_F(DriverTest, AWindowIsNeverMappedTwice) {
  int live = hw_->live_mappings;
  EXPECT_FALSE(gmch_init(*drv_));
  EXPECT_NE(trace().find(std::string("gmch_init : Error ! MMIO is already mapped to ") +
                         ptr_text(drv_->mmio[0].base).text + "\n"),
            std::string::npos);
  ASSERT_TRUE(gmch_init_gmadr(*drv_, 0x1000, 8));
  EXPECT_NE(trace().find(std::string("Success ! Mapped MMIO to ") + ptr_text(drv_->gmadr[0].base).text),
            std::string::npos);
  EXPECT_FALSE(gmch_init_gmadr(*drv_, 0x2000, 8));
  EXPECT_NE(trace().find(std::string("GM ADDR is already mapped to ") + ptr_text(drv_->gmadr[0].base).text),
            std::string::npos);
  gmch_release_gmadr(*drv_);
  EXPECT_EQ(hw_->live_mappings, live);
}

TEST_F(DriverTest, TraceLinesAreCutAt256Bytes) {
  std::string big(1000, 'x');
  char line[kTraceLineMax + 16];
  std::memset(line, 0x5A, sizeof line);
  va_list none{};
  (void)none;
  drv_trace(*drv_, TRACE_ERROR, "gmbus_read_edid", "%s", big.c_str());
  std::string t = trace();
  EXPECT_EQ(t.size(), kTraceLineMax - 1);
  EXPECT_EQ(t.rfind("hwpeek : gmbus_read_edid : Error ! xxx", 0), 0u);
  EXPECT_EQ(t.back(), '\n');
  drv_trace(*drv_, TRACE_INFO, nullptr, "plain");
  EXPECT_EQ(trace(), "hwpeek :  : plain\n");
}

// ---- GMBUS -----------------------------------------------------------------

TEST_F(DriverTest, EdidReadDirectlyFromTheAnalogDdcPins) {
  EdidRequest q{100, 0, 0xA0, 128, 0};
  std::vector<uint8_t> buffer(128, 0xEE);
  std::memcpy(buffer.data(), &q, sizeof q);
  uint32_t info = 0;
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_READ_EDID, buffer.data(), 8, 128, &info), kStatusSuccess);
  EXPECT_EQ(info, 128u);
  const uint8_t header[] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
  EXPECT_EQ(std::memcmp(buffer.data(), header, 8), 0);
  uint8_t sum = 0;
  for (uint8_t b : buffer) sum = uint8_t(sum + b);
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(buffer[20] & 0x80, 0) << "analog input";
  // A part of the block from an offset.
  EdidRequest part{100, 0, 0xA0, 3, 8};
  std::vector<uint8_t> b2(8, 0xEE);
  std::memcpy(b2.data(), &part, sizeof part);
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_READ_EDID, b2.data(), 8, 8, &info), kStatusSuccess);
  EXPECT_EQ(info, 3u);
  EXPECT_EQ(std::memcmp(b2.data(), buffer.data() + 8, 3), 0);
}

TEST_F(DriverTest, EdidBehindSdvoSwitchesTheControlBus) {
  struct {
    uint8_t sdvo, ddc, argument;
  } cases[] = {{0x70, 0xA0, 2}, {0x72, 0xA0, 2}, {0x70, 0xA2, 4}};
  for (auto& c : cases) {
    EdidRequest q{400, c.sdvo, c.ddc, 128, 0};
    std::vector<uint8_t> buffer(128);
    std::memcpy(buffer.data(), &q, sizeof q);
    uint32_t info = 0;
    ASSERT_EQ(drv_device_control(*drv_, IOCTL_READ_EDID, buffer.data(), 8, 128, &info), kStatusSuccess)
        << trace();
    EXPECT_EQ(hw_->gmbus().last_switch_argument(c.sdvo), c.argument);
    EXPECT_EQ(buffer[1], 0xFF);
    EXPECT_EQ(buffer[20] & 0x80, 0x80) << "digital monitor behind the SDVO device";
  }
  // Without a switch, the DDC device is not on the SDVO pins.
  uint8_t byte = 0;
  ASSERT_TRUE(gmbus_init(*drv_, 0x70, 100));
  EXPECT_FALSE(gmbus_recv_pkt(*drv_, &byte, 0xA0, 0, 1));
  gmbus_error_handler(*drv_);
}

TEST_F(DriverTest, I2cRegisterWritesAndReads) {
  I2cRegRequest w{100, 0x72, 3, 0x5A, 0};
  ASSERT_EQ(call(IOCTL_WRITE_I2C_REG, w, 8, 0), kStatusSuccess);
  EXPECT_NE(trace().find("Write I2C addr=0x72, speed=100, reg=0x3, value=0x5a"), std::string::npos);
  I2cRegRequest r{1000, 0x72, 3, 0, 0};
  uint32_t info = 0;
  ASSERT_EQ(call(IOCTL_READ_I2C_REG, r, 8, 8, &info), kStatusSuccess);
  EXPECT_EQ(info, 8u);
  EXPECT_EQ(r.value, 0x5A);
  // Rate 3 for 1000 kHz on the SDVO pin pair.
  EXPECT_EQ(hw_->gmbus().read(0x5100), 0x305u);
  I2cRegRequest slow{77, 0x70, 3, 0, 0};
  call(IOCTL_READ_I2C_REG, slow, 8, 8);
  EXPECT_EQ(hw_->gmbus().read(0x5100), 0x005u);
}

TEST_F(DriverTest, InvalidSlaveAddressFails) {
  I2cRegRequest r{100, 0x50, 0, 0, 0};
  uint32_t info = 5;
  EXPECT_EQ(call(IOCTL_READ_I2C_REG, r, 8, 8, &info), kStatusUnsuccessful);
  EXPECT_EQ(info, 0u);
  std::string t = trace();
  EXPECT_NE(t.find("hwpeek : gmbus_init : Error ! Invalid slaveAddrs=0x50 specified\n"), std::string::npos) << t;
  EXPECT_NE(t.find("Failed to Read I2C Reg : addr=0x50, speed=100, reg=0"), std::string::npos) << t;
}

TEST_F(DriverTest, SdvoCommandWritesArgumentsDownwardsAndReadsReturns) {
  SdvoCmdRequest q{};
  q.speed = 100, q.slave = 0x70, q.num_args = 2, q.args[0] = 0x11, q.args[1] = 0x22, q.opcode = 0x02;
  uint32_t info = 0;
  ASSERT_EQ(call(IOCTL_SDVO_CMD, q, 28, 28, &info), kStatusSuccess);
  EXPECT_EQ(info, 28u);
  EXPECT_EQ(q.status, 1u);
  EXPECT_EQ(q.returns[0], 0x01);
  std::string t = trace();
  EXPECT_NE(t.find("Execute Sdvo Cmd, addr=0x70, speed=100, sdvoCmd=0x2, numArgs=2, sdvoArgs=0x11 0x22 "),
            std::string::npos)
      << t;
  EXPECT_NE(t.find("Success ! status=0x1, returns=0x01 0x00 0x01 0x01 0x00 0x00 0x01 0x00 "), std::string::npos) << t;
  uint8_t v = 0;
  ASSERT_TRUE(gmbus_read_reg_i2c(*drv_, 0x70, 100, 7, &v));
  EXPECT_EQ(v, 0x11);
  ASSERT_TRUE(gmbus_read_reg_i2c(*drv_, 0x70, 100, 6, &v));
  EXPECT_EQ(v, 0x22);
  ASSERT_TRUE(gmbus_read_reg_i2c(*drv_, 0x70, 100, 8, &v));
  EXPECT_EQ(v, 0x02);
  // More than eight arguments: nothing is sent, the record comes back as it went.
  SdvoCmdRequest many = q;
  many.num_args = 9, many.status = 0;
  unsigned long long before = hw_->register_accesses;
  ASSERT_EQ(call(IOCTL_SDVO_CMD, many, 28, 28), kStatusSuccess);
  EXPECT_EQ(hw_->register_accesses, before);
  EXPECT_EQ(many.status, 0u);
}

TEST_F(DriverTest, PacketReadsStoreExactlyTheCount) {
  uint8_t edid[8];
  ASSERT_TRUE(gmbus_init(*drv_, 0, 100));
  for (uint32_t count : {3u, 6u}) {
    uint8_t buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_TRUE(gmbus_recv_pkt(*drv_, buffer, 0xA0, 0, count));
    const uint8_t header[] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_EQ(std::memcmp(buffer, header, count), 0);
    for (uint32_t i = count; i < 8; ++i) EXPECT_EQ(buffer[i], 0xEE) << count;
    gmbus_wait_event_one(*drv_, BIT_WAIT_PHASE);
    hw_->gmbus().write(0x5104, 0x48000000 | 0xA0);
  }
  // Refused sizes never reach the controller.
  unsigned long long before = hw_->register_accesses;
  EXPECT_FALSE(gmbus_recv_pkt(*drv_, edid, 0xA0, 0, 0));
  EXPECT_FALSE(gmbus_recv_pkt(*drv_, edid, 0xA0, 0, 509));
  EXPECT_FALSE(gmbus_send_pkt(*drv_, edid, 0, 0x70, 0));
  EXPECT_FALSE(gmbus_send_pkt(*drv_, edid, 509, 0x70, 0));
  EXPECT_FALSE(gmbus_send_pkt(*drv_, nullptr, 4, 0x70, 0));
  EXPECT_EQ(hw_->register_accesses, before);
}

class PendingSdvoTest : public DriverTest {
  std::string profile() const override { return "base = dov\n[gmbus]\nsdvo_pending_reads = 150\n"; }
};

TEST_F(PendingSdvoTest, CommandThatStaysPendingEndsWithStatusFour) {
  SdvoCmdRequest q{};
  q.speed = 100, q.slave = 0x72, q.opcode = 0x02;
  ASSERT_EQ(call(IOCTL_SDVO_CMD, q, 28, 28), kStatusSuccess);
  EXPECT_EQ(q.status, 4u);
  for (uint8_t b : q.returns) EXPECT_EQ(b, 0);
  EXPECT_NE(trace().find("Success ! status=0x4"), std::string::npos);
  // The bus switch gives up after three pending reads.
  EdidRequest e{100, 0x70, 0xA0, 16, 0};
  EXPECT_EQ(call(IOCTL_READ_EDID, e, 8, 16), kStatusUnsuccessful);
  std::string t = trace();
  EXPECT_NE(t.find("Opcode Bus Switch failed"), std::string::npos) << t;
  EXPECT_NE(t.find("gmbus_set_control_bus_switch() failed"), std::string::npos) << t;
}

class NakTest : public DriverTest {
  std::string profile() const override { return "base = dov\n[faults]\ngmbus_nak = 1\n"; }
};

TEST_F(NakTest, RecoversFromANoAcknowledge) {
  EdidRequest q{100, 0, 0xA0, 128, 0};
  // The first transfer (the one-byte probe) is not acknowledged; the error
  // is cleared before the block read, which then succeeds.
  std::vector<uint8_t> buffer(128);
  std::memcpy(buffer.data(), &q, sizeof q);
  uint32_t info = 0;
  ASSERT_EQ(drv_device_control(*drv_, IOCTL_READ_EDID, buffer.data(), 8, 128, &info), kStatusSuccess);
  std::string t = trace();
  EXPECT_NE(t.find("gmbus_recv_pkt : Error ! gmbus error, bytes_rcvd=0"), std::string::npos) << t;
  EXPECT_NE(t.find("Resolving error=0x"), std::string::npos) << t;
  EXPECT_EQ(buffer[1], 0xFF);
  EXPECT_EQ(hw_->gmbus().read(0x5108) & (BIT_NAK | BIT_GA), 0u);
}

class StallTest : public DriverTest {
  std::string profile() const override { return "base = dov\n[faults]\ngmbus_stall = 2\n"; }
};

TEST_F(StallTest, StalledBlockReadFailsAndLeavesTheControllerIdle) {
  EdidRequest q{100, 0, 0xA0, 16, 0};
  EXPECT_EQ(call(IOCTL_READ_EDID, q, 8, 16), kStatusUnsuccessful);
  std::string t = trace();
  EXPECT_NE(t.find("gmbus_recv_pkt() failed"), std::string::npos) << t;
  EXPECT_NE(t.find("gmbus_read_edid() failed"), std::string::npos) << t;
  EXPECT_EQ(hw_->gmbus().read(0x5108) & (BIT_STALL_TIMEOUT | BIT_GA), 0u);
  // The failed request zeroed its reply, which overwrote the record.
  EXPECT_EQ(q.ddc_addr, 0);
  q = EdidRequest{100, 0, 0xA0, 16, 0};
  EXPECT_EQ(call(IOCTL_READ_EDID, q, 8, 16), kStatusSuccess) << trace();
}

class NeverReadyTest : public DriverTest {
  std::string profile() const override { return "base = dov\n[faults]\ngmbus_never_ready = yes\n"; }
};

TEST_F(NeverReadyTest, WaitsAreBounded) {
  I2cRegRequest r{100, 0x70, 9, 0, 0};
  EXPECT_EQ(call(IOCTL_READ_I2C_REG, r, 8, 8), kStatusUnsuccessful);
  std::string t = trace();
  EXPECT_NE(t.find("gmbus_wait_event_zero : Error ! Failed : bit=0x200, status=0x200\n"), std::string::npos) << t;
  EXPECT_NE(t.find(" gmbus_wait_event_zero(BIT_GA) 1 Failed"), std::string::npos) << t;
}

class FynTest : public DriverTest {
  std::string profile() const override { return "fyn"; }
};

TEST_F(FynTest, DeviceThreeWindowAndFuses) {
  auto q = mmio(0x70180, 32, 0, 3);
  ASSERT_EQ(call(IOCTL_READ_MMIO, q, 16, 16), kStatusSuccess);
  EXPECT_EQ(q.value, 0x98000000u);
  HostControlRequest c{};
  c.control = 0xD08108F0;
  uint32_t info = 0;
  ASSERT_EQ(call(IOCTL_WRITE_HOST_CONTROL, c, 192, 0, &info), kStatusSuccess);
  EXPECT_EQ(info, 0u);  // no output buffer: nothing is returned
  uint32_t data = 0;
  ASSERT_EQ(call(IOCTL_READ_HOST_DATA, data, 0, 4, &info), kStatusSuccess);
  EXPECT_EQ(info, 4u);
  EXPECT_EQ(data, 0x33u);
}

TEST_F(FynTest, DeviceThreesWindowsCountOnlyWhileItIsThere) {
  // Device 3: registers at 0xFE700000 (1 MiB, more than the driver maps),
  // aperture at 0xE0000000 (256 MiB, right after device 2's).
  expect_physical_dumps(*drv_, *access_, machine(),
                        {{0xFE6FFFFC, 1, false},
                         {0xFE7FFFFC, 1, true},
                         {0xEFFFFFFC, 1, true},
                         {0xEFFFFFFC, 2, false},
                         {0xF0000000, 1, false}});
}

class Dev3AbsentTest : public DriverTest {
  std::string profile() const override { return "base = fyn\n[faults]\ndevice3_absent = yes\n"; }
};

TEST_F(Dev3AbsentTest, DeviceThreeRequestsAreRefused) {
  auto q = mmio(0x70180, 32, 0, 3);
  EXPECT_EQ(call(IOCTL_READ_MMIO, q, 16, 16), kStatusInvalidParameter);
  EXPECT_NE(trace().find("MMIO of device=0x3 is not mapped"), std::string::npos);
  expect_physical_dumps(*drv_, *access_, machine(), {{0xFE7FFFFC, 1, false}, {0xE0000000, 1, false}});
}

// A register BAR the firmware left unassigned (0) or pointing at I/O space
// has no window: the driver maps nothing there, so neither the register
// requests nor a physical dump reach the start of physical memory.
TEST(FamilyProfiles, AnUnassignedRegisterBarIsNeverMapped) {
  for (const char* text : {"base = dov\n[pci 0:2.0]\nbar0 = 0\n", "base = dov\n[pci 0:2.0]\nbar0 = 0x0000E001\n"}) {
    auto& m = sim::Machine::boot_text(text, "");
    ASSERT_EQ(m.fault(), nullptr) << text << m.fault();
    auto& hw = m.part<sim::Hardware>();
    RecordingAccess access(m, hw);
    Driver drv(access);
    drv_load(drv, "", "");
    for (const auto& [physical, length] : access.mapped)
      EXPECT_GE(physical, 0xD0000000u) << text << std::hex << physical;
    EXPECT_NE(m.take_debug_output().find("gmch_init() failed"), std::string::npos) << text;
    MmioRequest q{0x100, 32, 2, 0};
    uint32_t info = 0;
    EXPECT_EQ(drv_device_control(drv, IOCTL_READ_MMIO, &q, 16, 16, &info), kStatusInvalidParameter) << text;
    expect_physical_dumps(drv, access, m, {{0x00000000, 1, false}, {0x0000E000, 1, false}, {0xD0000000, 1, true}});
    drv_unload(drv);
    EXPECT_EQ(hw.stray_accesses, 0u) << text;
  }
}

// Every family's built-in machine: its device, its register window, and a
// device 3 only where the family has one.
TEST(FamilyProfiles, EachFamilyBootsWithItsDevice) {
  struct {
    const char* name;
    uint16_t id;
    bool device3;
  } cases[] = {{"ava", AVA_DID_1, false}, {"dov", DOV_DID_2, false}, {"cyr", CYR_DID_5, false},
               {"eft", EFT_DID, false},   {"fyn", FYN_DID, true},     {"bex", BEX_DID_0, false}};
  for (auto& c : cases) {
    auto& m = sim::Machine::boot(c.name, "");
    ASSERT_EQ(m.fault(), nullptr) << c.name << ": " << m.fault();
    auto& hw = m.part<sim::Hardware>();
    sim::SimHwAccess access(m, hw);
    Driver drv(access);
    drv_load(drv, "", "");
    EXPECT_EQ(gmch_get_id_device_id(drv, 2), c.id) << c.name;
    EXPECT_EQ(drv.mmio[1].base != nullptr, c.device3) << c.name;
    uint32_t info = 0;
    MmioRequest q{0x70180, 32, 2, 0};
    ASSERT_EQ(drv_device_control(drv, IOCTL_READ_MMIO, &q, 16, 16, &info), kStatusSuccess) << c.name;
    EXPECT_EQ(q.value, 0x98000000u) << c.name;
    // The GMBUS controller answers in the family's register window.
    uint8_t edid[8] = {};
    EXPECT_TRUE(gmbus_read_edid(drv, 0, 100, 0xA0, 0, 8, edid)) << c.name;
    EXPECT_EQ(edid[1], 0xFF) << c.name;
    drv_unload(drv);
    EXPECT_EQ(hw.stray_accesses, 0u) << c.name;
  }
}

// The driver maps the register window from the BAR its table names, with
// the BAR's flag bits cleared; the hardware answers at the same place.
TEST(FamilyProfiles, RegisterWindowFollowsTheBarTable) {
  const char* cases[] = {
      // A prefetchable register BAR: bit 3 is a flag, not part of the address.
      "base = dov\n[pci 0:2.0]\nbar0 = 0xFEA00008\n",
      // An id the table does not know takes its first row: BAR1.
      "base = dov\n[pci 0:2.0]\ndevice = 0x2BFF\nbar1 = 0xFEB00000\n",
      // Bus mastering off: the load turns decoding and bus mastering on.
      "base = dov\n[pci 0:2.0]\ncommand = 0x0002\n",
  };
  for (const char* text : cases) {
    auto& m = sim::Machine::boot_text(text, "");
    ASSERT_EQ(m.fault(), nullptr) << text << m.fault();
    auto& hw = m.part<sim::Hardware>();
    sim::SimHwAccess access(m, hw);
    Driver drv(access);
    drv_load(drv, "", "");
    uint16_t command = 0;
    ASSERT_EQ(hw.config_read(0, 2, &command, 4, 2), 2u);
    EXPECT_EQ(command & 7, 7) << text;
    uint32_t info = 0;
    MmioRequest q{0x70180, 32, 2, 0};
    ASSERT_EQ(drv_device_control(drv, IOCTL_READ_MMIO, &q, 16, 16, &info), kStatusSuccess) << text;
    EXPECT_EQ(q.value, 0x98000000u) << text;
    uint8_t edid[8] = {};
    EXPECT_TRUE(gmbus_read_edid(drv, 0, 100, 0xA0, 0, 8, edid)) << text;
    EXPECT_EQ(edid[1], 0xFF) << text;
    drv_unload(drv);
    EXPECT_EQ(hw.stray_accesses, 0u) << text;
  }
}

TEST(FamilyProfiles, BadHardwareSectionsFailTheBoot) {
  const char* cases[] = {"base = dov\n[pci 0:40.0]\nvendor = 1\n", "base = dov\n[pci 0:2.0]\ncolour = 3\n",
                         "base = dov\n[pci 0:2.0]\nbar0 = lots\n", "base = dov\n[fuses]\n0x10 = x\n",
                         "base = dov\n[faults]\ngmbus_nak = many\n", "base = dov\n[mmio 2]\n0xFFFFD = 1\n"};
  for (const char* text : cases) {
    auto& m = sim::Machine::boot_text(text, "");
    ASSERT_NE(m.fault(), nullptr) << text;
    EXPECT_NE(std::string(m.fault()).find("profile"), std::string::npos) << m.fault();
  }
}

}  // namespace
