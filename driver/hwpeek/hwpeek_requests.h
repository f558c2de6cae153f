// The device-control interface of the hwpeek register access driver: the
// request codes and the wire records, shared by the driver and its client.
// Little-endian, fixed layouts; every size is checked below.
#pragma once
#include <cstdint>

namespace hwpeek {

// Device type 0x22 (FILE_DEVICE_UNKNOWN), buffered, read access.
constexpr uint32_t hwpeek_code(uint32_t function) { return 0x220000u + 0x4000u + 4u * function; }

constexpr uint32_t IOCTL_READ_MMIO = hwpeek_code(1);
constexpr uint32_t IOCTL_WRITE_MMIO = hwpeek_code(2);
constexpr uint32_t IOCTL_DUMP_MMIO = hwpeek_code(3);
constexpr uint32_t IOCTL_READ_I2C_REG = hwpeek_code(4);
constexpr uint32_t IOCTL_WRITE_I2C_REG = hwpeek_code(5);
constexpr uint32_t IOCTL_SDVO_CMD = hwpeek_code(6);
constexpr uint32_t IOCTL_READ_EDID = hwpeek_code(7);
constexpr uint32_t IOCTL_GET_DEVICE_ID = hwpeek_code(8);
constexpr uint32_t IOCTL_DUMP_MEMORY = hwpeek_code(9);
constexpr uint32_t IOCTL_READ_PCI_CONFIG = hwpeek_code(10);
constexpr uint32_t IOCTL_DUMP_GMADR = hwpeek_code(11);
constexpr uint32_t IOCTL_WRITE_GMADR = hwpeek_code(12);
constexpr uint32_t IOCTL_READ_HOST_DATA = hwpeek_code(13);
constexpr uint32_t IOCTL_WRITE_HOST_CONTROL = hwpeek_code(14);

// NT status values the driver completes requests with; named apart from the
// STATUS_* macros of the Windows and kernel headers, which both sides include.
using NTSTATUS = int32_t;
constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001u);
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000Du);

// Functions 1, 2, 3, 9, 11, 12.
struct MmioRequest {
  uint32_t reg;     // window offset; physical address for IOCTL_DUMP_MEMORY
  uint32_t width;   // 8 or 16; anything else is 32
  uint32_t device;  // 3 selects device 3, anything else device 2
  uint32_t value;   // value to write, value read, or dword count of a dump
};

// Functions 4 and 5.
struct I2cRegRequest {
  uint32_t speed;  // kHz: 50, 400, 1000; anything else 100
  uint8_t slave;   // 8-bit write-form address; also picks the pin pair
  uint8_t reg;
  uint8_t value;
  uint8_t reserved;
};

// Function 6.
struct SdvoCmdRequest {
  uint32_t speed;
  uint8_t slave;  // 0x70 or 0x72
  uint8_t num_args;
  uint8_t args[8];
  uint8_t opcode;
  uint8_t reserved;
  uint32_t status;  // reply: SDVO status in the low byte
  uint8_t returns[8];
};

// Function 7.
struct EdidRequest {
  uint32_t speed;
  uint8_t slave;     // 0: DDC pins directly; 0x70/0x72: behind that SDVO device
  uint8_t ddc_addr;  // write form, 0xA0 for the first EDID device
  uint8_t length;
  uint8_t offset;
};

// Function 8.
struct DeviceIdReply {
  uint16_t device_id;
  uint16_t revision;  // configuration word at offset 8
};

// Function 10.
struct PciConfigRequest {
  uint16_t bus;
  uint16_t device;
  uint16_t function;
};
constexpr uint32_t kPciConfigReplySize = 192;

// Function 14: a zeroed PCI header image with the control word at 56.
struct HostControlRequest {
  uint8_t head[56];
  uint32_t control;
  uint8_t tail[132];
};

static_assert(sizeof(MmioRequest) == 16);
static_assert(sizeof(I2cRegRequest) == 8);
static_assert(sizeof(SdvoCmdRequest) == 28);
static_assert(sizeof(EdidRequest) == 8);
static_assert(sizeof(DeviceIdReply) == 4);
static_assert(sizeof(PciConfigRequest) == 6);
static_assert(sizeof(HostControlRequest) == 192);

}  // namespace hwpeek
