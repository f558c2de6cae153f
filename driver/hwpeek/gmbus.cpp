// The GMBUS I2C engine: the controller's command words, bounded busy waits,
// error recovery, byte and packet transfers, the SDVO control-bus switch,
// EDID reads and SDVO commands. Every register is a 32-bit access through
// device 2's MMIO window; the dispatch checks that the window is mapped.
#include <algorithm>

#include "hwpeek.h"

namespace hwpeek {
namespace {

uint32_t rd(Driver& drv, uint32_t reg) { return drv.hw.read_u32(drv.mmio[0].base + reg); }
void wr(Driver& drv, uint32_t reg, uint32_t value) { drv.hw.write_u32(drv.mmio[0].base + reg, value); }

// Command word fields.
constexpr uint32_t SW_CLR_INT = 0x80000000;
constexpr uint32_t SW_RDY = 0x40000000;
constexpr uint32_t ENT = 0x20000000;
constexpr uint32_t CYCLE_WAIT = 0x02000000;
constexpr uint32_t CYCLE_INDEX = 0x04000000;
constexpr uint32_t CYCLE_STOP = 0x08000000;
constexpr uint32_t READ = 1;

constexpr uint8_t SDVO_STATUS_SUCCESS = 1;
constexpr uint8_t SDVO_STATUS_PENDING = 4;
constexpr uint8_t SDVO_OPCODE_BUS_SWITCH = 0x7A;

bool wait_status(Driver& drv, uint32_t bit, bool set) {
  uint32_t status = 0;
  for (uint32_t i = 0; i < kGmbusWaitReads; ++i) {
    status = rd(drv, GMBUS_STATUS);
    if (((status & bit) != 0) == set) return true;
  }
  drv_trace(drv, TRACE_ERROR, set ? "gmbus_wait_event_one" : "gmbus_wait_event_zero",
            "Failed : bit=0x%x, status=0x%x\n", bit, status);
  return false;
}

// The stop sequence that ends a transaction left in its wait phase.
void stop_cycle(Driver& drv, uint8_t slave) {
  gmbus_wait_event_one(drv, BIT_WAIT_PHASE);
  wr(drv, GMBUS_COMMAND, SW_RDY | CYCLE_STOP | slave);
  gmbus_wait_event_one(drv, HW_RDY);
  gmbus_wait_event_zero(drv, BIT_GA);
}

}  // namespace

bool gmbus_init(Driver& drv, uint8_t slave, uint32_t speed) {
  uint32_t pins;
  if (slave == 0x00)
    pins = 2;
  else if (slave == 0x70 || slave == 0x72)
    pins = 5;
  else {
    drv_trace(drv, TRACE_ERROR, "gmbus_init", "Invalid slaveAddrs=%#x specified\n", slave);
    return false;
  }
  uint32_t rate = speed == 50 ? 1 : speed == 400 ? 2 : speed == 1000 ? 3 : 0;
  wr(drv, GMBUS_INDEX, 0);
  wr(drv, GMBUS_SELECT, rate * 0x100 + pins);
  return true;
}

bool gmbus_wait_event_zero(Driver& drv, uint32_t bit) { return wait_status(drv, bit, false); }
bool gmbus_wait_event_one(Driver& drv, uint32_t bit) { return wait_status(drv, bit, true); }

bool gmbus_error_handler(Driver& drv) {
  uint32_t status = rd(drv, GMBUS_STATUS);
  if (!(status & (BIT_NAK | BIT_STALL_TIMEOUT))) return false;
  drv_trace(drv, TRACE_ERROR, "gmbus_error_handler", "Resolving error=0x%x", status);
  wr(drv, GMBUS_COMMAND, SW_RDY);
  wr(drv, GMBUS_COMMAND, SW_CLR_INT);
  wr(drv, GMBUS_COMMAND, 0);
  gmbus_wait_event_zero(drv, BIT_GA);
  return true;
}

namespace {

// One indexed single-byte cycle (timeout, wait, index and stop; one byte):
// select the pins and rate, wait for the bus, load the byte to write (if
// any), start, wait for the end.
bool reg_cycle(Driver& drv, const char* me, uint8_t slave, uint32_t speed, uint32_t command,
               const uint8_t* write_value) {
  if (!gmbus_init(drv, slave, speed)) {
    drv_trace(drv, TRACE_ERROR, me, "gmbus_init() failed");
    return false;
  }
  if (!gmbus_wait_event_zero(drv, BIT_GA)) {
    drv_trace(drv, TRACE_ERROR, me, " gmbus_wait_event_zero(BIT_GA) 0 Failed");
    return false;
  }
  if (write_value) wr(drv, GMBUS_DATA, *write_value);
  wr(drv, GMBUS_COMMAND, command);
  if (!gmbus_wait_event_zero(drv, BIT_GA)) {
    drv_trace(drv, TRACE_ERROR, me, " gmbus_wait_event_zero(BIT_GA) 1 Failed");
    return false;
  }
  return true;
}

}  // namespace

bool gmbus_read_reg_i2c(Driver& drv, uint8_t slave, uint32_t speed, uint8_t reg, uint8_t* value) {
  if (!reg_cycle(drv, "gmbus_read_reg_i2c", slave, speed, 0x2E010001u + reg * 0x100u + slave, nullptr))
    return false;
  *value = static_cast<uint8_t>(rd(drv, GMBUS_DATA));
  return true;
}

bool gmbus_write_reg_i2c(Driver& drv, uint8_t slave, uint32_t speed, uint8_t reg, uint8_t value) {
  return reg_cycle(drv, "gmbus_write_reg_i2c", slave, speed, 0x2E010000u + reg * 0x100u + slave, &value);
}

bool gmbus_send_pkt(Driver& drv, const uint8_t* bytes, uint32_t count, uint8_t slave, uint8_t index) {
  const char* me = "gmbus_send_pkt";
  if (count == 0 || !bytes || count > kGmbusMaxPacket) return false;
  gmbus_error_handler(drv);
  uint32_t command = (ENT | CYCLE_WAIT | CYCLE_INDEX) + count * 0x10000u + index * 0x100u + slave;
  if (count <= 4) command |= SW_RDY;
  uint32_t sent = 0;
  bool first = true;
  while (sent < count) {
    uint32_t n = std::min<uint32_t>(4, count - sent);
    uint32_t word = 0;
    for (uint32_t i = 0; i < n; ++i) word |= uint32_t(bytes[sent + i]) << (8 * i);
    wr(drv, GMBUS_DATA, word);
    if (first) wr(drv, GMBUS_COMMAND, command);
    first = false;
    if (!gmbus_wait_event_one(drv, HW_RDY)) {
      drv_trace(drv, TRACE_ERROR, me, "Failed to get HW_RDY, bytes_sent=%d", static_cast<int>(sent));
      return false;
    }
    if (gmbus_error_handler(drv)) {
      drv_trace(drv, TRACE_ERROR, me, "gmbus error, bytes_sent=%d", static_cast<int>(sent));
      return false;
    }
    sent += n;
  }
  return true;
}

bool gmbus_recv_pkt(Driver& drv, uint8_t* buffer, uint8_t slave, uint8_t index, uint32_t count) {
  const char* me = "gmbus_recv_pkt";
  if (count == 0 || !buffer || count > kGmbusMaxPacket) return false;
  gmbus_error_handler(drv);
  wr(drv, GMBUS_COMMAND, (SW_RDY | ENT | CYCLE_WAIT | CYCLE_INDEX | READ) + count * 0x10000u + index * 0x100u + slave);
  uint32_t received = 0;
  while (received < count) {
    if (!gmbus_wait_event_one(drv, HW_RDY)) {
      drv_trace(drv, TRACE_ERROR, me, "Failed to get HW_RDY, bytes_rcvd=%d", static_cast<int>(received));
      return false;
    }
    if (gmbus_error_handler(drv)) {
      drv_trace(drv, TRACE_ERROR, me, "gmbus error, bytes_rcvd=%d", static_cast<int>(received));
      return false;
    }
    uint32_t word = rd(drv, GMBUS_DATA);
    uint32_t n = std::min<uint32_t>(4, count - received);
    for (uint32_t i = 0; i < n; ++i) buffer[received + i] = static_cast<uint8_t>(word >> (8 * i));
    received += n;
  }
  return true;
}

bool gmbus_set_control_bus_switch(Driver& drv, uint8_t slave, uint8_t ddc_addr) {
  const char* me = "gmbus_set_control_bus_switch";
  uint8_t argument = ddc_addr == 0xA0 ? 2 : 4;
  if (!gmbus_send_pkt(drv, &argument, 1, slave, 7)) {
    drv_trace(drv, TRACE_ERROR, me, "gmbus_send_pkt() failed");
    return false;
  }
  stop_cycle(drv, slave);
  uint8_t opcode = SDVO_OPCODE_BUS_SWITCH;
  if (!gmbus_send_pkt(drv, &opcode, 1, slave, 8)) {
    drv_trace(drv, TRACE_ERROR, me, "gmbus_send_pkt(Opcode) failed");
    return false;
  }
  uint8_t status = 0;
  for (int attempt = 0; attempt < 3; ++attempt)
    if (gmbus_recv_pkt(drv, &status, slave, 9, 1) && status != SDVO_STATUS_PENDING) break;
  stop_cycle(drv, slave);
  if (status != SDVO_STATUS_SUCCESS) {
    drv_trace(drv, TRACE_ERROR, me, "Opcode Bus Switch failed");
    return false;
  }
  return true;
}

bool gmbus_read_edid(Driver& drv, uint8_t slave, uint32_t speed, uint8_t ddc_addr, uint8_t offset,
                     uint8_t length, uint8_t* buffer) {
  const char* me = "gmbus_read_edid";
  if (!gmbus_init(drv, slave, speed)) {
    drv_trace(drv, TRACE_ERROR, me, "gmbus_init() failed");
    return false;
  }
  if (slave == 0x00) {
    gmbus_recv_pkt(drv, buffer, ddc_addr, 0, 1);
  } else if (!gmbus_set_control_bus_switch(drv, slave, ddc_addr)) {
    drv_trace(drv, TRACE_ERROR, me, "gmbus_set_control_bus_switch() failed");
    return false;
  }
  bool ok = gmbus_recv_pkt(drv, buffer, ddc_addr, offset, length);
  if (!ok) drv_trace(drv, TRACE_ERROR, me, "gmbus_recv_pkt() failed");
  // Leave the controller idle whatever happened.
  stop_cycle(drv, ddc_addr);
  gmbus_error_handler(drv);
  wr(drv, GMBUS_COMMAND, SW_RDY);
  wr(drv, GMBUS_COMMAND, SW_CLR_INT);
  wr(drv, GMBUS_COMMAND, 0);
  wr(drv, GMBUS_INDEX, 0);
  wr(drv, GMBUS_INDEX, 0);
  return ok;
}

bool gmbus_exec_sdvo_cmd(Driver& drv, SdvoCmdRequest& request) {
  if (request.num_args > 8) return true;
  for (unsigned i = 0; i < request.num_args; ++i)
    if (!gmbus_write_reg_i2c(drv, request.slave, request.speed, static_cast<uint8_t>(7 - i), request.args[i]))
      return false;
  if (!gmbus_write_reg_i2c(drv, request.slave, request.speed, 8, request.opcode)) return false;
  uint8_t status = 0;
  for (int reads = 0; reads < 100; ++reads) {
    if (!gmbus_read_reg_i2c(drv, request.slave, request.speed, 9, &status)) return false;
    request.status = status;
    if (status != SDVO_STATUS_PENDING) break;
  }
  if (status == SDVO_STATUS_SUCCESS)
    for (unsigned i = 0; i < 8; ++i)
      if (!gmbus_read_reg_i2c(drv, request.slave, request.speed, static_cast<uint8_t>(10 + i), &request.returns[i]))
        return false;
  return true;
}

}  // namespace hwpeek
