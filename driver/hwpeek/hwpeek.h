// The hwpeek register access driver, portable part: its state, the load and
// unload sequences, the request dispatch, the window mapping and the GMBUS
// I2C engine. The NT build adds only the glue: DriverEntry creating the
// device and its link around drv_load, IRP dispatch calling
// drv_device_control with the system buffer, and drv_unload.
#pragma once
#include <cstdarg>
#include <cstdint>

#include "hw_access.h"
#include "hwpeek_requests.h"

namespace hwpeek {

// Size of each MMIO register mapping.
constexpr uint32_t kMmioWindowSize = 0x80000;

struct Window {
  volatile uint8_t* base = nullptr;
  uint32_t length = 0;
};

// Driver-wide state: the mappings. Index 0 is device 2, index 1 device 3.
struct Driver {
  explicit Driver(HwAccess& access) : hw(access) {}
  HwAccess& hw;
  Window mmio[2];
  Window gmadr[2];
};

// One row of the BAR table.
struct BarRow {
  uint32_t device_id;
  uint32_t mmio_bar;
  uint32_t mmio_size;
  uint32_t aperture_bar;
  uint32_t aperture_size;
};
static_assert(sizeof(BarRow) == 20);
// The device-2 rows (the first is also the default), then the device-3 row.
const BarRow* gmch_bar_table(uint32_t* count);
const BarRow& gmch_bar_row_dev3();

// Trace levels.
constexpr int TRACE_ERROR = 0;
constexpr int TRACE_WARNING = 1;
constexpr int TRACE_INFO = 2;
constexpr uint32_t kTraceLineMax = 256;
void drv_trace(Driver& drv, int level, const char* routine, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// Builds one trace line into `line` (kTraceLineMax bytes), cut to fit.
void drv_format_trace(char* line, int level, const char* routine, const char* format, va_list args);
// An address as "%#x" shows it, whole on every pointer size and without
// relying on the kernel formatter's length modifiers.
struct PtrText {
  char text[2 + 2 * sizeof(void*) + 1];
};
PtrText ptr_text(const volatile void* address);
// A 64-bit number as "%u" or "%#x" would show it: the kernel's formatter is
// not documented to take "%ll" on every Windows version, so wide numbers
// are converted before formatting and passed as "%s".
struct NumText {
  char text[2 + 20 + 1];
};
NumText dec_text(uint64_t value);
NumText hex_text(uint64_t value);

// Load and unload around the NT glue: mapping at load, unmapping at unload.
void drv_load(Driver& drv, const char* build_date, const char* build_time);
void drv_unload(Driver& drv);

bool gmch_init(Driver& drv);
volatile uint8_t* gmch_get_mmio_ptr(Driver& drv, uint32_t bar, uint32_t device);
bool gmch_init_gmadr(Driver& drv, uint32_t offset, uint32_t length);
void gmch_release_gmadr(Driver& drv);
volatile uint8_t* gmch_get_addr_ptr(Driver& drv, uint32_t bar, uint32_t offset, uint32_t length,
                                    uint32_t device);
// Whether [physical, physical + length) lies inside one window of the
// graphics devices' own BARs: the register window or the aperture of
// device 2, or of device 3 when it is there.
bool gmch_in_device_windows(Driver& drv, uint64_t physical, uint64_t length);
// The BAR table row of a device-2 id: the last row with that id, else the first.
const BarRow& gmch_bar_row(uint16_t device_id);
uint16_t gmch_get_id_device_id(Driver& drv, uint32_t device);
uint16_t gmch_get_revision_id(Driver& drv, uint32_t device);

// One buffered device-control request: `buffer` holds the input and
// receives the output; *information is the byte count returned.
NTSTATUS drv_device_control(Driver& drv, uint32_t code, void* buffer, uint32_t in_length,
                            uint32_t out_length, uint32_t* information);

// The GMBUS engine over device 2's MMIO window.
bool gmbus_init(Driver& drv, uint8_t slave, uint32_t speed);
bool gmbus_wait_event_zero(Driver& drv, uint32_t bit);
bool gmbus_wait_event_one(Driver& drv, uint32_t bit);
bool gmbus_error_handler(Driver& drv);
bool gmbus_read_reg_i2c(Driver& drv, uint8_t slave, uint32_t speed, uint8_t reg, uint8_t* value);
bool gmbus_write_reg_i2c(Driver& drv, uint8_t slave, uint32_t speed, uint8_t reg, uint8_t value);
bool gmbus_send_pkt(Driver& drv, const uint8_t* bytes, uint32_t count, uint8_t slave, uint8_t index);
bool gmbus_recv_pkt(Driver& drv, uint8_t* buffer, uint8_t slave, uint8_t index, uint32_t count);
bool gmbus_set_control_bus_switch(Driver& drv, uint8_t slave, uint8_t ddc_addr);
bool gmbus_read_edid(Driver& drv, uint8_t slave, uint32_t speed, uint8_t ddc_addr, uint8_t offset,
                     uint8_t length, uint8_t* buffer);
bool gmbus_exec_sdvo_cmd(Driver& drv, SdvoCmdRequest& request);

// GMBUS registers and status bits.
constexpr uint32_t GMBUS_SELECT = 0x5100;
constexpr uint32_t GMBUS_COMMAND = 0x5104;
constexpr uint32_t GMBUS_STATUS = 0x5108;
constexpr uint32_t GMBUS_DATA = 0x510C;
constexpr uint32_t GMBUS_INDEX = 0x5120;
constexpr uint32_t BIT_GA = 0x200;
constexpr uint32_t BIT_NAK = 0x400;
constexpr uint32_t HW_RDY = 0x800;
constexpr uint32_t BIT_STALL_TIMEOUT = 0x2000;
constexpr uint32_t BIT_WAIT_PHASE = 0x4000;
constexpr uint32_t kGmbusWaitReads = 0x10000;
constexpr uint32_t kGmbusMaxPacket = 508;

}  // namespace hwpeek
