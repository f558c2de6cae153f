// The raw access commands: graphics memory, MMIO registers and ranges, PCI
// configuration space, and the I2C placeholders (read_mmio_regs has a file
// of its own).
#include <cstdio>
#include <cstring>
#include <string>

#include "core/msglog.h"
#include "core/stop_request.h"
#include "hw/driver_client.h"
#include "hw/command_params.h"
#include "hw/pci_dump_file.h"
#include "hw/raw_access.h"
#include "oal/oal.h"

namespace {

// "bus:device:function" with numbers of automatic base, each in its range.
bool parse_triple(const char* text, uint32_t& bus, uint32_t& device, uint32_t& function) {
  std::string pieces[3];
  size_t n = 0;
  for (const char* p = text; *p; ++p) {
    if (*p != ':')
      pieces[n] += *p;
    else if (++n == 3)
      return false;
  }
  if (n != 2) return false;
  uint32_t v[3];
  for (int i = 0; i < 3; ++i)
    if (!parse_unsigned(pieces[i].c_str(), v[i])) return false;
  if (v[0] > 255 || v[1] > 31 || v[2] > 7) return false;
  bus = v[0], device = v[1], function = v[2];
  return true;
}

// The configuration bytes of a dump file; 5 with a message when the file
// is missing or malformed.
opal_exit_t read_pci_dump(const char* name, uint8_t* space) {
  FILE* f = oal::fopen(name, "r");
  if (!f) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "%s not found", name);
    return EXIT_INVALID_PARAM_ERROR;
  }
  PciDumpParser parser;
  // A line of 256 characters, its CR, and one more to see that it is longer.
  char line[PciDumpParser::kMaxLine + 2];
  bool ok = true;
  for (bool end = false; ok && !end;) {
    size_t length = 0, seen = 0;
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
      if (length < sizeof line) line[length++] = static_cast<char>(c);
      ++seen;
    }
    end = c == EOF;
    if (end && seen == 0) break;
    ok = parser.line(line, length);
  }
  std::fclose(f);
  if (!ok) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: %s: %s", name, parser.error().c_str());
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (parser.overflow() && vol_above(0))
    writeMsg(MSG_WARNING, "WARNING: %s holds more than %u byte values; the first %u are used", name,
             static_cast<unsigned>(PciDumpParser::kSpaceSize), static_cast<unsigned>(PciDumpParser::kSpaceSize));
  std::memcpy(space, parser.space(), PciDumpParser::kSpaceSize);
  return EXIT_OK;
}

}  // namespace

opal_exit_t cmd_read_mem(cmd_args_t* args) {
  uint32_t start, length, width, unit;
  if (!number(args, 1, "start", start) || !number(args, 2, "length", length) || !number(args, 3, "width", width))
    return invalid(args);
  if (!length) length = 1;
  if (!width) width = 32;
  if (!unit_of(width, unit) || !within_address_space(start, uint64_t(unit) * length)) return invalid(args);
  clear_output(args);
  const uint64_t end = start + uint64_t(unit) * length;
  opal_exit_t rc = EXIT_OK;
  uint8_t buffer[8192];
  for (uint64_t chunk = start; chunk < end; chunk += sizeof buffer) {
    if (stop_requested()) return EXIT_GENERIC_ERROR;
    uint64_t bytes = end - chunk;
    uint32_t words = (bytes & ~3ull) >= sizeof buffer ? sizeof buffer / 4 : static_cast<uint32_t>((bytes + 3) / 4);
    std::memset(buffer, 0, sizeof buffer);
    if (!os_dump_regs(DRV_TARGET_GMADR, static_cast<uint32_t>(chunk), words, buffer, 2)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR while sending os_dump_regs");
      rc = EXIT_OS_CALL_ERROR;
      continue;
    }
    print_hex_units(buffer, nullptr, static_cast<uint32_t>(chunk), words, unit, unit == 4 ? 4 : 8, 0);
    report_dump("memory", 2, static_cast<uint32_t>(chunk), unit, buffer, size_t(words) * 4);
    if (vol_above(0)) writeMsg(MSG_PLAIN, "\n");
  }
  return rc;
}

opal_exit_t cmd_write_mem(cmd_args_t* args) {
  uint32_t address, value, width, length, unit;
  if (!number(args, 1, "address", address) || !number(args, 2, "value", value) ||
      !number(args, 3, "width", width) || !number(args, 4, "length", length))
    return invalid(args);
  if (!width) width = 32;
  if (!length) length = 1;
  if (!unit_of(width, unit) || !fits(value, unit) || !within_address_space(address, uint64_t(unit) * length))
    return invalid(args);
  clear_output(args);
  bool failed = false;
  uint64_t at = address;
  for (uint32_t i = 0; i < length; ++i, at += unit)
    if (!drv_write_reg(DRV_TARGET_GMADR, width, static_cast<uint32_t>(at), value, 2)) failed = true;
  if (failed) return EXIT_OS_CALL_ERROR;
  add_result(args, "WROTE: From Address: 0x%lX to 0x%llX address, Value: 0x%lX", static_cast<unsigned long>(address),
             static_cast<unsigned long long>(at), static_cast<unsigned long>(value));
  return EXIT_OK;
}

opal_exit_t cmd_read_mmio(cmd_args_t* args) {
  uint32_t reg, length, width, device, unit;
  if (!number(args, 1, "register", reg) || !number(args, 2, "length", length) ||
      !number(args, 3, "width", width) || !number(args, 4, "device", device))
    return invalid(args);
  if (!length) length = 1;
  if (!width) width = 32;
  if (!device) device = 2;
  if (!unit_of(width, unit) || !within_address_space(reg, uint64_t(unit) * length)) return invalid(args);
  const uint64_t bytes = uint64_t(unit) * length;
  clear_output(args);
  if (length == 1) {
    uint32_t value = 0;
    if (!drv_read_mmio(width, reg, &value, device)) return EXIT_OS_CALL_ERROR;
    uint8_t value_bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    report_dump("mmio", device, reg, unit, value_bytes, unit);
    add_result(args, "READ: Register: 0x%lX Value: 0x%lX", static_cast<unsigned long>(reg),
               static_cast<unsigned long>(value));
    return EXIT_OK;
  }
  return dump_mmio_range(reg, static_cast<uint32_t>(reg + bytes - 1), unit, unit == 4 ? 4 : 8, device);
}

opal_exit_t cmd_write_mmio(cmd_args_t* args) {
  uint32_t reg, value, width, device, unit;
  if (!number(args, 1, "register", reg) || !number(args, 2, "value", value) ||
      !number(args, 3, "width", width, true) || !number(args, 4, "device", device))
    return invalid(args);
  if (!width) width = 32;
  // Device 0 stays 0: the driver takes it for device 2.
  if (!unit_of(width, unit) || !fits(value, unit)) return invalid(args);
  clear_output(args);
  if (!drv_write_reg(DRV_TARGET_MMIO, width, reg, value, device)) return EXIT_OS_CALL_ERROR;
  add_result(args, "WROTE: Register: 0x%lX Value: 0x%lX", static_cast<unsigned long>(reg),
             static_cast<unsigned long>(value));
  return EXIT_OK;
}

opal_exit_t cmd_i2c_reg(cmd_args_t* args) {
  // Accepted with their token counts; they have no help text and do nothing.
  clear_output(args);
  return EXIT_OK;
}

opal_exit_t cmd_get_pci_info(cmd_args_t* args) {
  std::string arg = present(args, 1) ? args->slot[1] : "0:2:0";
  clear_output(args);
  if (arg.find(':') == std::string::npos) {
    uint8_t space[PciDumpParser::kSpaceSize];
    opal_exit_t rc = read_pci_dump(arg.c_str(), space);
    if (rc == EXIT_OK) print_pci_config(space);
    return rc;
  }
  uint32_t bus, device, function;
  if (!parse_triple(arg.c_str(), bus, device, function)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid parameters");
    return EXIT_INVALID_PARAM_ERROR;
  }
  PciConfigRequest q{static_cast<uint16_t>(bus), static_cast<uint16_t>(device), static_cast<uint16_t>(function)};
  uint8_t reply[hwpeek::kPciConfigReplySize] = {};
  if (!driver_ioctl(hwpeek::IOCTL_READ_PCI_CONFIG, sizeof q, &q, sizeof reply, reply)) return EXIT_OS_CALL_ERROR;
  print_pci_config(reply);
  return EXIT_OK;
}
