// The graphics device's windows: which BAR holds the registers and which the
// aperture, mapping them, and the load and unload sequences.
#include <cstring>

#include "devices/device_ids.h"
#include "hwpeek.h"

namespace hwpeek {
namespace {

// The BAR table: the device-2 rows of the device table that name their
// windows, in the table's order (the first is the default).
constexpr bool device2_with_bars(const DeviceInfo& d) { return d.pci_device == 2 && d.has_bars; }
constexpr size_t kBarRows = count_devices(device2_with_bars);

constexpr BarRow bar_row(const DeviceInfo& d) {
  return {d.id, d.bars.mmio_bar, d.bars.mmio_size, d.bars.aperture_bar, d.bars.aperture_size};
}

constexpr BarRow dev3_row() {
  for (const DeviceInfo& d : kDeviceTable)
    if (d.pci_device == 3) return bar_row(d);
  return {};
}

constexpr auto kBarTable = derive_table<BarRow, kBarRows>(device2_with_bars, bar_row);
static_assert(kBarRows == 33);
static_assert(kBarTable.rows[0].device_id == AVA_DID_1);
constexpr BarRow kDev3Row = dev3_row();
static_assert(kDev3Row.device_id == DEV3_DID);

// The register mapping never reaches past a BAR's window.
constexpr bool mmio_windows_hold_the_mapping() {
  for (const BarRow& r : kBarTable.rows)
    if (r.mmio_size < kMmioWindowSize) return false;
  return kDev3Row.mmio_size >= kMmioWindowSize;
}
static_assert(mmio_windows_hold_the_mapping());

// Where a BAR's window starts: the low four bits of a memory BAR are flags
// (space, type, prefetchable), never address bits; the aperture is taken
// on its 16 MiB boundary, as the aperture requests map it. 0 for an I/O or
// an unassigned BAR, which has no memory window to map.
uint64_t mmio_base(uint32_t bar) { return bar & 1 ? 0 : bar & ~0xFu; }
uint64_t aperture_base(uint32_t bar) { return bar & 1 ? 0 : bar & 0xFF000000u; }

// The BAR dword of a function's header, read without changing anything.
bool read_bar(Driver& drv, uint32_t device, uint32_t bar, uint32_t& value) {
  return bar <= 5 && drv.hw.bus_read(0, device & 0x1F, &value, 0x10 + 4 * bar, 4) == 4;
}

bool is_graphics_function(Driver& drv, uint32_t device) {
  uint16_t vendor = 0;
  return drv.hw.bus_read(0, device & 0x1F, &vendor, 0, 2) == 2 && vendor == GFX_VENDOR_ID;
}

// Reads the function's header and turns on decoding and bus mastering when
// bus mastering is off; the physical BAR dword, or false.
bool enable_and_read_bar(Driver& drv, const char* routine, uint32_t device, uint32_t bar, uint32_t& value) {
  uint8_t config[256];
  uint32_t got = drv.hw.bus_read(0, device & 0x1F, config, 0, sizeof config);
  if (got < sizeof config) {
    drv_trace(drv, TRACE_ERROR, routine, "HalGetBusData() failed, num_bytes=%d", static_cast<int>(got));
    return false;
  }
  uint16_t command;
  std::memcpy(&command, config + 4, 2);
  if (!(command & 0x4)) {
    command |= 0x7;
    drv.hw.bus_write(0, device & 0x1F, &command, 4, 2);
  }
  if (bar > 5) return false;
  std::memcpy(&value, config + 0x10 + 4 * bar, 4);
  return true;
}

}  // namespace

const BarRow* gmch_bar_table(uint32_t* count) {
  if (count) *count = kBarRows;
  return kBarTable.rows;
}
const BarRow& gmch_bar_row_dev3() { return kDev3Row; }

const BarRow& gmch_bar_row(uint16_t device_id) {
  const BarRow* found = &kBarTable.rows[0];
  for (const BarRow& r : kBarTable.rows)
    if (r.device_id == device_id) found = &r;
  return *found;
}

uint16_t gmch_get_id_device_id(Driver& drv, uint32_t device) {
  uint16_t id = 0;
  uint32_t got = drv.hw.bus_read(0, device & 0x1F, &id, 2, 2);
  if (device == 3 && got == 0) {
    drv_trace(drv, TRACE_INFO, "gmch_get_id_device_id", "DEVICE 3 not detected");
    return 0;
  }
  return got == 2 ? id : 0;
}

uint16_t gmch_get_revision_id(Driver& drv, uint32_t device) {
  uint16_t word = 0;
  return drv.hw.bus_read(0, device & 0x1F, &word, 8, 2) == 2 ? word : 0;
}

volatile uint8_t* gmch_get_mmio_ptr(Driver& drv, uint32_t bar, uint32_t device) {
  uint32_t value = 0;
  if (!enable_and_read_bar(drv, "gmch_get_mmio_ptr", device, bar, value)) return nullptr;
  // An unassigned BAR would map the start of physical memory instead.
  volatile uint8_t* p = mmio_base(value) ? drv.hw.map_io_space(mmio_base(value), kMmioWindowSize) : nullptr;
  if (!p) drv_trace(drv, TRACE_ERROR, "gmch_get_mmio_ptr", "MmMapIoSpace failed");
  return p;
}

volatile uint8_t* gmch_get_addr_ptr(Driver& drv, uint32_t bar, uint32_t offset, uint32_t length,
                                    uint32_t device) {
  uint32_t value = 0;
  if (!enable_and_read_bar(drv, "gmch_get_addr_ptr", device, bar, value)) return nullptr;
  uint64_t base = aperture_base(value);
  volatile uint8_t* p = length && base ? drv.hw.map_io_space(base + offset, length) : nullptr;
  if (!p) drv_trace(drv, TRACE_ERROR, "gmch_get_addr_ptr", "MmMapIoSpace failed");
  return p;
}

bool gmch_in_device_windows(Driver& drv, uint64_t physical, uint64_t length) {
  if (length == 0) return false;
  const uint64_t end = physical + length;
  auto holds = [&](uint64_t base, uint32_t size) { return base && physical >= base && end <= base + size; };
  const uint32_t devices[] = {2, 3};
  for (uint32_t device : devices) {
    if (!is_graphics_function(drv, device)) continue;
    const BarRow& row = device == 3 ? kDev3Row : gmch_bar_row(gmch_get_id_device_id(drv, 2));
    uint32_t mmio = 0, aperture = 0;
    if (read_bar(drv, device, row.mmio_bar, mmio) && holds(mmio_base(mmio), row.mmio_size)) return true;
    if (read_bar(drv, device, row.aperture_bar, aperture) && holds(aperture_base(aperture), row.aperture_size))
      return true;
  }
  return false;
}

bool gmch_init(Driver& drv) {
  const char* me = "gmch_init";
  if (drv.mmio[0].base) {
    drv_trace(drv, TRACE_ERROR, me, "MMIO is already mapped to %s", ptr_text(drv.mmio[0].base).text);
    return false;
  }
  const BarRow& row = gmch_bar_row(gmch_get_id_device_id(drv, 2));
  volatile uint8_t* p = gmch_get_mmio_ptr(drv, row.mmio_bar, 2);
  if (!p) return false;
  drv.mmio[0] = {p, kMmioWindowSize};
  drv_trace(drv, TRACE_INFO, me, "Success ! Mapped MMIO to %s", ptr_text(p).text);
  if (drv.mmio[1].base) {
    drv_trace(drv, TRACE_ERROR, me, "Device 3 MMIO is already mapped to %s", ptr_text(drv.mmio[1].base).text);
    return false;
  }
  if (gmch_get_id_device_id(drv, 3) == 0) return true;
  p = gmch_get_mmio_ptr(drv, kDev3Row.mmio_bar, 3);
  if (!p) return false;
  drv.mmio[1] = {p, kMmioWindowSize};
  drv_trace(drv, TRACE_INFO, me, "Success ! Mapped MMIO for device 3 to %s", ptr_text(p).text);
  return true;
}

bool gmch_init_gmadr(Driver& drv, uint32_t offset, uint32_t length) {
  const char* me = "gmch_init_gmadr";
  if (drv.gmadr[0].base) {
    drv_trace(drv, TRACE_ERROR, me, "GM ADDR is already mapped to %s", ptr_text(drv.gmadr[0].base).text);
    return false;
  }
  const BarRow& row = gmch_bar_row(gmch_get_id_device_id(drv, 2));
  // A range past the end of the aperture would map whatever lies beyond it.
  if (length == 0 || uint64_t(offset) + length > row.aperture_size) return false;
  volatile uint8_t* p = gmch_get_addr_ptr(drv, row.aperture_bar, offset, length, 2);
  if (!p) return false;
  drv.gmadr[0] = {p, length};
  drv_trace(drv, TRACE_INFO, me, "Success ! Mapped MMIO to %s", ptr_text(p).text);
  if (drv.gmadr[1].base) {
    drv_trace(drv, TRACE_ERROR, me, "Device 3 GM ADDR is already mapped to %s", ptr_text(drv.gmadr[1].base).text);
    return false;
  }
  if (gmch_get_id_device_id(drv, 3) == 0) return true;
  // Both apertures or neither: a half-made pair is released at once.
  p = uint64_t(offset) + length > kDev3Row.aperture_size
          ? nullptr
          : gmch_get_addr_ptr(drv, kDev3Row.aperture_bar, offset, length, 3);
  if (!p) {
    gmch_release_gmadr(drv);
    return false;
  }
  drv.gmadr[1] = {p, length};
  drv_trace(drv, TRACE_INFO, me, "Success ! Mapped MMIO for device 3 to %s", ptr_text(p).text);
  return true;
}

void gmch_release_gmadr(Driver& drv) {
  for (Window& w : drv.gmadr) {
    if (w.base) drv.hw.unmap_io_space(w.base, w.length);
    w = {};
  }
}

void drv_load(Driver& drv, const char* build_date, const char* build_time) {
  drv_trace(drv, TRACE_INFO, "DriverEntry", "Built on %s at %s", build_date, build_time);
  if (!gmch_init(drv)) drv_trace(drv, TRACE_ERROR, "DriverEntry", "gmch_init() failed");
}

void drv_unload(Driver& drv) {
  drv_trace(drv, TRACE_INFO, "drv_unload", "%s", "");
  for (Window& w : drv.mmio) {
    if (w.base) drv.hw.unmap_io_space(w.base, w.length);
    w = {};
  }
  gmch_release_gmadr(drv);
}

}  // namespace hwpeek
