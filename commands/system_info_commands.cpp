// Chipset, processor, driver version and BIOS commands.
#include <cstdio>
#include <cstring>

#include "core/msglog.h"
#include "oal/oal.h"
#include "system_commands.h"
#include "wmi_client.h"

namespace {

const char kCpuKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

// A processor value, its label, and whether its blanks are trimmed.
struct CpuValue {
  const char* name;
  const char* label;
  bool trim;
};
const CpuValue kCpuValues[] = {
    {"Identifier", "CPU Identifier", false},
    {"ProcessorNameString", "Processor Name String", true},
    {"VendorIdentifier", "CPU Vendor ID", false},
};

const wchar_t* const kBiosProperties[] = {L"Name",         L"Manufacturer",  L"Version",
                                          L"ReleaseDate",  L"SMBIOSPresent", L"SMBIOSBIOSVersion"};

// Registry calls return their error instead of setting the last error.
void report_failure(LSTATUS rc, const char* what) {
  if (vol_above(0)) {
    print_error_text(static_cast<uint32_t>(rc));
    writeMsg(MSG_ERROR, "Couldn't open a handle to %s", what);
  }
}

const char* trim_blanks(char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  size_t n = std::strlen(text);
  while (n && (text[n - 1] == ' ' || text[n - 1] == '\t')) text[--n] = '\0';
  return text;
}

}  // namespace

opal_exit_t cmd_get_chipset_name(cmd_args_t* args) {
  args->count = 0;
  opal_chipset_info_t info{};
  opal_exit_t rc = opal_get_chipset_name(&info);
  if (rc == EXIT_OK) {
    info.name[sizeof info.name - 1] = '\0';
    add_result(args, "Chipset: 0x%X, Revision: 0x%X, Name: %s", info.device_id, info.revision, info.name);
  }
  return rc;
}

opal_exit_t cmd_get_cpu_info(cmd_args_t* args) {
  args->count = 0;
  HKEY key = nullptr;
  LSTATUS rc = oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCpuKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ,
                                    nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) {
    report_failure(rc, kCpuKey);
    return EXIT_OS_CALL_ERROR;
  }
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!oal::GetVersionExA(&version)) {
    if (vol_above(0)) print_last_error();
    oal::RegCloseKey(key);
    return EXIT_OS_CALL_ERROR;
  }
  if (version.dwMajorVersion == 4) {
    oal::RegCloseKey(key);
    return EXIT_OK;
  }
  for (const auto& v : kCpuValues) {
    // One byte more than the value may fill, so the text is always terminated.
    char text[257] = {};
    DWORD size = 256, type = 0;
    rc = oal::RegQueryValueExA(key, v.name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    if (rc == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) rc = ERROR_INVALID_DATA;
    if (rc != ERROR_SUCCESS) {
      report_failure(rc, v.name);
      oal::RegCloseKey(key);
      return EXIT_OS_CALL_ERROR;
    }
    add_result(args, "%-48s: %s", v.label, v.trim ? trim_blanks(text) : text);
  }
  oal::RegCloseKey(key);
  return EXIT_OK;
}

opal_exit_t cmd_get_driver_version(cmd_args_t* args) {
  args->count = 0;
  opal_driver_info_t info{};
  opal_exit_t rc = opal_get_driver_info(&info);
  if (rc != EXIT_OK) return rc;
  info.product_name[sizeof info.product_name - 1] = '\0';
  info.build_date[sizeof info.build_date - 1] = '\0';
  add_result(args, "%-48s: %ld.%ld.%ld", info.product_name, static_cast<long>(info.major),
             static_cast<long>(info.minor), static_cast<long>(info.build));
  add_result(args, "%-48s: %s", "Build Date", info.build_date);
  return EXIT_OK;
}

opal_exit_t cmd_get_sys_bios_version(cmd_args_t* args) {
  WmiClient wmi;
  int slot = 0;
  for (const wchar_t* property : kBiosProperties) {
    const std::vector<WmiInstance>* results = wmi.query(L"Win32_BIOS", property, 0);
    if (results && !results->empty() && !results->back().empty()) {
      const WmiProperty& p = results->back().back();
      std::string name = wmi_multibyte(p.name.c_str()), value = wmi_multibyte(p.value.c_str());
      char line[2 * kArgSlotSize + 64];
      std::snprintf(line, sizeof line, "%-48s: %s", name.c_str(), value.c_str());
      std::snprintf(args->slot[slot], kArgSlotSize, "%.255s", line);
    }
    ++slot;
  }
  // A property that could not be read leaves its slot as it was.
  args->count = slot;
  wmi.close();
  return EXIT_OK;
}
