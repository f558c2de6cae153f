// Device-control dispatch: length checks, the 14 requests, their statuses,
// byte counts and trace lines. Requests that would reach past a mapping, or
// physical memory outside the graphics device's windows, are refused before
// anything is mapped or touched.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "devices/device_ids.h"
#include "hwpeek.h"

namespace hwpeek {
namespace {

constexpr const char* kMe = "drv_device_control";

struct Request {
  Driver& drv;
  uint8_t* buffer;
  uint32_t in;
  uint32_t out;
  uint32_t* information;

  NTSTATUS refuse(const char* format, uint64_t a, uint64_t b, uint64_t c = 0) {
    drv_trace(drv, TRACE_ERROR, kMe, format, dec_text(a).text, dec_text(b).text, dec_text(c).text);
    return kStatusInvalidParameter;
  }
  // "in and out >= n (combined)"
  bool both_short(uint32_t n, NTSTATUS& st) {
    if (in >= n && out >= n) return false;
    st = refuse("Invalid inBuffLen=%s or outBuffLen=%s, Expected=%s", in, out, n);
    return true;
  }
  bool in_short(uint64_t n, NTSTATUS& st) {
    if (in >= n) return false;
    st = refuse("Invalid inBuffLen=%s, Expected=%s", in, n);
    return true;
  }
  bool out_short(uint64_t n, NTSTATUS& st) {
    if (out >= n) return false;
    st = refuse("Invalid outBuffLen=%s, Expected=%s", out, n);
    return true;
  }
  template <class T>
  T record() const {
    T r;
    std::memcpy(&r, buffer, sizeof r);
    return r;
  }
  template <class T>
  void reply(const T& r) {
    std::memcpy(buffer, &r, sizeof r);
  }
};

uint32_t width_bytes(uint32_t width) { return width == 8 ? 1 : width == 16 ? 2 : 4; }

// The MMIO window a request selects, or null (traced) when it is not
// mapped or [reg, reg + length) does not lie inside it.
const Window* mmio_range(Request& r, uint32_t device, uint32_t reg, uint64_t length) {
  const Window& w = r.drv.mmio[device == 3 ? 1 : 0];
  if (!w.base) {
    drv_trace(r.drv, TRACE_ERROR, kMe, "MMIO of device=%#x is not mapped", device);
    return nullptr;
  }
  if (uint64_t(reg) + length > w.length) {
    drv_trace(r.drv, TRACE_ERROR, kMe, "reg=%#x, length=%s is outside the MMIO size=%#x", reg,
              hex_text(length).text, w.length);
    return nullptr;
  }
  return &w;
}

uint32_t read_width(HwAccess& hw, volatile uint8_t* p, uint32_t width) {
  switch (width) {
    case 8: return hw.read_u8(p);
    case 16: return hw.read_u16(p);
    default: return hw.read_u32(p);
  }
}

void write_width(HwAccess& hw, volatile uint8_t* p, uint32_t width, uint32_t value) {
  switch (width) {
    case 8: hw.write_u8(p, static_cast<uint8_t>(value)); break;
    case 16: hw.write_u16(p, static_cast<uint16_t>(value)); break;
    default: hw.write_u32(p, value); break;
  }
}

void copy_dwords(HwAccess& hw, volatile uint8_t* from, uint8_t* to, uint32_t count) {
  hw.read_u32_block(from, to, count);
}

NTSTATUS read_mmio(Request& r) {
  NTSTATUS st;
  if (r.both_short(sizeof(MmioRequest), st)) return st;
  auto q = r.record<MmioRequest>();
  const Window* w = mmio_range(r, q.device, q.reg, width_bytes(q.width));
  if (!w) return kStatusInvalidParameter;
  q.value = read_width(r.drv.hw, w->base + q.reg, q.width);
  r.reply(q);
  drv_trace(r.drv, TRACE_INFO, kMe, "Read MMIO device=%#x, reg=%#x, value=%#x", q.device, q.reg, q.value);
  *r.information = sizeof q;
  return kStatusSuccess;
}

NTSTATUS write_mmio(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(MmioRequest), st)) return st;
  auto q = r.record<MmioRequest>();
  const Window* w = mmio_range(r, q.device, q.reg, width_bytes(q.width));
  if (!w) return kStatusInvalidParameter;
  write_width(r.drv.hw, w->base + q.reg, q.width, q.value);
  drv_trace(r.drv, TRACE_INFO, kMe, "Write MMIO device=%#x, reg=%#x, value=%#x", q.device, q.reg, q.value);
  return kStatusSuccess;
}

NTSTATUS dump_mmio(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(MmioRequest), st)) return st;
  auto q = r.record<MmioRequest>();
  uint64_t bytes = uint64_t(q.value) * 4;
  if (r.out_short(bytes, st)) return st;
  const Window* w = mmio_range(r, q.device, q.reg, bytes);
  if (!w) return kStatusInvalidParameter;
  copy_dwords(r.drv.hw, w->base + q.reg, r.buffer, q.value);
  drv_trace(r.drv, TRACE_INFO, kMe, "Dump MMIO : Device=%#x, startReg=%#x, numRegs=%#x\n", q.device, q.reg,
            q.value);
  *r.information = static_cast<uint32_t>(bytes);
  return kStatusSuccess;
}

// The GMBUS controller lives in device 2's window.
bool gmbus_mapped(Request& r) {
  if (r.drv.mmio[0].base && r.drv.mmio[0].length >= GMBUS_INDEX + 4) return true;
  drv_trace(r.drv, TRACE_ERROR, kMe, "MMIO of device=%#x is not mapped", 2u);
  return false;
}

NTSTATUS read_i2c(Request& r) {
  NTSTATUS st;
  if (r.both_short(sizeof(I2cRegRequest), st)) return st;
  if (!gmbus_mapped(r)) return kStatusInvalidParameter;
  auto q = r.record<I2cRegRequest>();
  if (!gmbus_read_reg_i2c(r.drv, q.slave, q.speed, q.reg, &q.value)) {
    drv_trace(r.drv, TRACE_ERROR, kMe, "Failed to Read I2C Reg : addr=%#x, speed=%d, reg=%#x", q.slave,
              static_cast<int>(q.speed), q.reg);
    return kStatusUnsuccessful;
  }
  r.reply(q);
  drv_trace(r.drv, TRACE_INFO, kMe, "Read I2c Reg : addr=%#x, speed=%d, reg=%#x, value=%#x", q.slave,
            static_cast<int>(q.speed), q.reg, q.value);
  *r.information = sizeof q;
  return kStatusSuccess;
}

NTSTATUS write_i2c(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(I2cRegRequest), st)) return st;
  if (!gmbus_mapped(r)) return kStatusInvalidParameter;
  auto q = r.record<I2cRegRequest>();
  if (!gmbus_write_reg_i2c(r.drv, q.slave, q.speed, q.reg, q.value)) {
    drv_trace(r.drv, TRACE_ERROR, kMe, "Failed to Write I2C Reg : addr=%#x, speed=%d, reg=%#x, value=%#x",
              q.slave, static_cast<int>(q.speed), q.reg, q.value);
    return kStatusUnsuccessful;
  }
  drv_trace(r.drv, TRACE_INFO, kMe, "Write I2C addr=%#x, speed=%d, reg=%#x, value=%#x", q.slave,
            static_cast<int>(q.speed), q.reg, q.value);
  return kStatusSuccess;
}

NTSTATUS sdvo_cmd(Request& r) {
  NTSTATUS st;
  if (r.both_short(sizeof(SdvoCmdRequest), st)) return st;
  if (!gmbus_mapped(r)) return kStatusInvalidParameter;
  auto q = r.record<SdvoCmdRequest>();
  char args[8 * 5 + 16] = "";
  if (q.num_args) {
    int len = std::snprintf(args, sizeof args, "sdvoArgs=");
    for (unsigned i = 0; i < q.num_args && i < 8; ++i)
      len += std::snprintf(args + len, sizeof args - len, "0x%02x ", q.args[i]);
  }
  drv_trace(r.drv, TRACE_ERROR, kMe, "Execute Sdvo Cmd, addr=%#x, speed=%d, sdvoCmd=%#x, numArgs=%d, %s", q.slave,
            static_cast<int>(q.speed), q.opcode, q.num_args, args);
  if (gmbus_exec_sdvo_cmd(r.drv, q)) {
    char returns[8 * 5 + 1] = "";
    int len = 0;
    for (unsigned i = 0; i < 8; ++i) len += std::snprintf(returns + len, sizeof returns - len, "0x%02x ", q.returns[i]);
    drv_trace(r.drv, TRACE_INFO, kMe, "Success ! status=%#x, returns=%s", q.status, returns);
  } else {
    drv_trace(r.drv, TRACE_ERROR, kMe, "Failed !");
  }
  r.reply(q);
  *r.information = sizeof q;
  return kStatusSuccess;
}

NTSTATUS read_edid(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(EdidRequest), st)) return st;
  auto q = r.record<EdidRequest>();
  if (r.out_short(q.length, st)) return st;
  if (!gmbus_mapped(r)) return kStatusInvalidParameter;
  std::memset(r.buffer, 0, q.length);
  if (!gmbus_read_edid(r.drv, q.slave, q.speed, q.ddc_addr, q.offset, q.length, r.buffer)) {
    drv_trace(r.drv, TRACE_ERROR, kMe, "gmbus_read_edid() failed");
    return kStatusUnsuccessful;
  }
  *r.information = q.length;
  return kStatusSuccess;
}

NTSTATUS get_device_id(Request& r) {
  NTSTATUS st;
  if (r.out_short(sizeof(DeviceIdReply), st)) return st;
  DeviceIdReply reply{gmch_get_id_device_id(r.drv, 2), gmch_get_revision_id(r.drv, 2)};
  r.reply(reply);
  *r.information = sizeof reply;
  return kStatusSuccess;
}

NTSTATUS dump_memory(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(MmioRequest), st)) return st;
  auto q = r.record<MmioRequest>();
  uint64_t bytes = uint64_t(q.value) * 4;
  if (r.out_short(bytes, st)) return st;
  if (bytes) {
    // Physical memory at large is the kernel's: a driver that copied any
    // range for its caller would hand out every secret of the machine.
    if (!gmch_in_device_windows(r.drv, q.reg, bytes)) {
      drv_trace(r.drv, TRACE_ERROR, kMe, "Physical range %#x, length=%s is outside the graphics device's windows",
                q.reg, hex_text(bytes).text);
      return kStatusInvalidParameter;
    }
    volatile uint8_t* p = r.drv.hw.map_io_space(q.reg, static_cast<uint32_t>(bytes));
    if (!p) {
      drv_trace(r.drv, TRACE_ERROR, kMe, "MmMapIoSpace failed");
      return kStatusInvalidParameter;
    }
    copy_dwords(r.drv.hw, p, r.buffer, q.value);
    r.drv.hw.unmap_io_space(p, static_cast<uint32_t>(bytes));
  }
  drv_trace(r.drv, TRACE_INFO, kMe, "Dump memory : startReg=%#x, numRegs=%#x\n", q.reg, q.value);
  *r.information = static_cast<uint32_t>(bytes);
  return kStatusSuccess;
}

NTSTATUS read_pci_config(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(PciConfigRequest), st)) return st;
  if (r.out_short(kPciConfigReplySize, st)) return st;
  auto q = r.record<PciConfigRequest>();
  uint8_t config[kPciConfigReplySize] = {};
  uint32_t slot = (q.device & 0x1Fu) | (q.function & 0x7u) << 5;
  uint32_t got = r.drv.hw.bus_read(q.bus, slot, config, 0, sizeof config);
  uint16_t vendor;
  std::memcpy(&vendor, config, 2);
  if (got == 0 || vendor != GFX_VENDOR_ID) return kStatusSuccess;  // refused: 0 bytes
  std::memcpy(r.buffer, config, sizeof config);
  *r.information = sizeof config;
  return kStatusSuccess;
}

// The aperture window a request selects (mapped by gmch_init_gmadr).
const Window* gmadr_window(Request& r, uint32_t device) {
  const Window& w = r.drv.gmadr[device == 3 ? 1 : 0];
  if (w.base) return &w;
  drv_trace(r.drv, TRACE_ERROR, kMe, "GM ADDR of device=%#x is not mapped", device);
  return nullptr;
}

// Maps the apertures over [q.reg, q.reg + length), runs `act` on the one
// q.device selects and releases them again. False when the mapping failed
// (`mapped` false) or the selected device has no aperture.
template <class Act>
bool on_aperture(Request& r, const MmioRequest& q, uint32_t length, bool& mapped, Act act) {
  mapped = gmch_init_gmadr(r.drv, q.reg, length);
  if (!mapped) return false;
  const Window* w = gmadr_window(r, q.device);
  if (w) act(*w);
  gmch_release_gmadr(r.drv);
  return w != nullptr;
}

NTSTATUS dump_gmadr(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(MmioRequest), st)) return st;
  auto q = r.record<MmioRequest>();
  uint64_t bytes = uint64_t(q.value) * 4;
  if (r.out_short(bytes, st)) return st;
  bool mapped = true;
  if (bytes && !on_aperture(r, q, static_cast<uint32_t>(bytes), mapped,
                            [&](const Window& w) { copy_dwords(r.drv.hw, w.base, r.buffer, q.value); })) {
    if (!mapped)
      drv_trace(r.drv, TRACE_ERROR, kMe, "Couldn't map memory with Start = %d, numRegs = %d",
                static_cast<int>(q.reg), static_cast<int>(q.value));
    return kStatusInvalidParameter;
  }
  drv_trace(r.drv, TRACE_INFO, kMe, "Dump MMIO : startReg=%#x, numRegs=%#x\n", q.reg, q.value);
  *r.information = static_cast<uint32_t>(bytes);
  return kStatusSuccess;
}

NTSTATUS write_gmadr(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(MmioRequest), st)) return st;
  auto q = r.record<MmioRequest>();
  bool mapped = true;
  if (!on_aperture(r, q, 4, mapped, [&](const Window& w) { write_width(r.drv.hw, w.base, q.width, q.value); })) {
    if (!mapped) drv_trace(r.drv, TRACE_ERROR, kMe, "Couldn't map memory with Start = %d", static_cast<int>(q.reg));
    return kStatusInvalidParameter;
  }
  drv_trace(r.drv, TRACE_INFO, kMe, "Write Mem: startReg=%#x, value=%#x\n", q.reg, q.value);
  // Four bytes of the request come back; never more than the caller's buffer.
  *r.information = std::min<uint32_t>(4, r.out);
  return kStatusSuccess;
}

NTSTATUS read_host_data(Request& r) {
  NTSTATUS st;
  if (r.out_short(4, st)) return st;
  uint32_t data = 0;
  if (r.drv.hw.bus_read(0, 0, &data, 0xD4, 4) == 0) {
    data = 0xFFFFFFFFu;
    std::memcpy(r.buffer, &data, 4);
    return kStatusSuccess;
  }
  std::memcpy(r.buffer, &data, 4);
  *r.information = 4;
  return kStatusSuccess;
}

NTSTATUS write_host_control(Request& r) {
  NTSTATUS st;
  if (r.in_short(sizeof(HostControlRequest), st)) return st;
  auto q = r.record<HostControlRequest>();
  if (r.drv.hw.bus_write(0, 0, &q.control, 0xD0, 4) == 0) return kStatusSuccess;
  *r.information = std::min<uint32_t>(sizeof q, r.out);
  return kStatusSuccess;
}

using Handler = NTSTATUS (*)(Request&);
struct Route {
  uint32_t code;
  Handler handler;
};
const Route kRoutes[] = {
    {IOCTL_READ_MMIO, read_mmio},           {IOCTL_WRITE_MMIO, write_mmio},
    {IOCTL_DUMP_MMIO, dump_mmio},           {IOCTL_READ_I2C_REG, read_i2c},
    {IOCTL_WRITE_I2C_REG, write_i2c},       {IOCTL_SDVO_CMD, sdvo_cmd},
    {IOCTL_READ_EDID, read_edid},           {IOCTL_GET_DEVICE_ID, get_device_id},
    {IOCTL_DUMP_MEMORY, dump_memory},       {IOCTL_READ_PCI_CONFIG, read_pci_config},
    {IOCTL_DUMP_GMADR, dump_gmadr},         {IOCTL_WRITE_GMADR, write_gmadr},
    {IOCTL_READ_HOST_DATA, read_host_data}, {IOCTL_WRITE_HOST_CONTROL, write_host_control},
};

}  // namespace

NTSTATUS drv_device_control(Driver& drv, uint32_t code, void* buffer, uint32_t in_length, uint32_t out_length,
                            uint32_t* information) {
  uint32_t ignored = 0;
  if (!information) information = &ignored;
  *information = 0;
  if (!buffer || (in_length == 0 && out_length == 0)) {
    drv_trace(drv, TRACE_ERROR, kMe, "Invalid pBuffIn=%s", ptr_text(buffer).text);
    return kStatusInvalidParameter;
  }
  for (const Route& route : kRoutes)
    if (route.code == code) {
      Request r{drv, static_cast<uint8_t*>(buffer), in_length, out_length, information};
      NTSTATUS st = route.handler(r);
      if (st != kStatusSuccess) *information = 0;
      return st;
    }
  drv_trace(drv, TRACE_ERROR, kMe, "Received Invalid controlCode=%#x", code);
  return kStatusInvalidParameter;
}

}  // namespace hwpeek
