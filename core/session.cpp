#include "session.h"

#include <cstdio>
#include <cstring>

#include "command_table.h"
#include "msglog.h"
#include "stop_request.h"
#include "oal/oal.h"

SessionState session;
bool auto_report_mode = false;

namespace {

const char* const kExitCodeNames[] = {
    "EXIT_OK",           "EXIT_GENERIC_ERROR",       "EXIT_PARSER_ERROR",
    "EXIT_CFGFILE_ERROR", "EXIT_LOGFILE_ERROR",      "EXIT_INVALID_PARAM_ERROR",
    "EXIT_OS_CALL_ERROR", "EXIT_LIB_INIT_ERROR",     "EXIT_REGISTRY_ERROR",
    "EXIT_DEVICE_NOT_FOUND",
};

}  // namespace

extern "C" opal_exit_t opal_open(uint8_t install_driver) {
  // A platform that cannot be used (a damaged simulated machine) opens no
  // session: nothing below could work on it.
  if (const char* fault = oal::platform_fault()) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: %s", fault);
    return EXIT_OS_CALL_ERROR;
  }
  const SessionParts& parts = session_parts();
  bool ok = true;
  if (parts.os_initialize && !parts.os_initialize(install_driver)) ok = false;

  // The simulation library stands in for the display driver when present.
  if (!session.simulation_library) session.simulation_library = oal::LoadLibraryA("test_mini_dll.dll");
  session.simulation = session.simulation_library != nullptr;
  if (session.simulation) {
    auto boot = oal::proc_address<bootup_sequence_fn>(session.simulation_library, "bootup_sequence");
    ok = boot && boot() == 0;
  }

  if (!session.user32) session.user32 = oal::LoadLibraryA("user32.dll");
  session.change_display_settings_ex =
      session.user32 ? oal::proc_address<oal::ChangeDisplaySettingsExA_t>(session.user32, "ChangeDisplaySettingsExA")
                     : nullptr;

  if (!ok) return EXIT_OS_CALL_ERROR;
  if (parts.create_family && !session.family) session.family = parts.create_family();
  return EXIT_OK;
}

extern "C" int opal_close(void) {
  release_command_table();
  const SessionParts& parts = session_parts();
  if (session.family && parts.destroy_family) parts.destroy_family(session.family);
  session.family = nullptr;
  if (session.simulation && session.simulation_library) oal::FreeLibrary(session.simulation_library);
  session.simulation_library = nullptr;
  session.simulation = false;
  if (session.user32) oal::FreeLibrary(session.user32);
  session.user32 = nullptr;
  session.change_display_settings_ex = nullptr;
  return parts.remove_driver ? parts.remove_driver() : 1;
}

extern "C" void opal_decode_exit_code(opal_exit_t code, char* name) {
  if (!name) return;
  const char* text = code < sizeof kExitCodeNames / sizeof *kExitCodeNames ? kExitCodeNames[code] : "Unknown";
  std::snprintf(name, OPAL_EXIT_NAME_SIZE, "%s", text);
}

extern "C" opal_exit_t opal_get_lib_version(opal_lib_version_t* version) {
  if (!version) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Input version info is NULL. Caller must specify a NON NULL version info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  version->major = 1;
  version->minor = 0;
  version->build = 0;
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_os_name(char* os_name) {
  if (!os_name) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Input os info is NULL. Caller must specify a NON NULL os info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  std::memset(os_name, 0, OPAL_OS_NAME_SIZE);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!oal::GetVersionExA(&info)) {
    print_last_error();
    return EXIT_OS_CALL_ERROR;
  }
  char version[256];
  const char* csd = info.szCSDVersion;
  if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
    std::snprintf(version, sizeof version, "Windows 2000: %s", csd);
  else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
    std::snprintf(version, sizeof version, "Windows XP: %s", csd);
  else
    std::snprintf(version, sizeof version, "%s", csd);
  std::snprintf(os_name, 256, "OS NAME: %.246s", version);
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_chipset_name(opal_chipset_info_t* chipset) {
  if (!chipset) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Input chipset info is NULL. Caller must specify a NON NULL chipset info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  std::memset(chipset, 0, sizeof *chipset);
  uint16_t id = 0, revision = 0;
  // Only the register access driver can tell the device id.
  const SessionParts& parts = session_parts();
  if (!parts.read_device_id || !parts.read_device_id(&id, &revision)) return EXIT_OS_CALL_ERROR;
  chipset->device_id = id;
  chipset->revision = revision;
  unsigned count = 0;
  const ChipsetName* names = chipset_names(&count);
  const char* name = "Unknown Chipset Name";
  for (unsigned i = 0; i < count; ++i)
    if (names[i].device_id == id) {
      name = names[i].name;
      break;
    }
  std::snprintf(chipset->name, sizeof chipset->name, "%s", name);
  return EXIT_OK;
}

extern "C" opal_exit_t opal_wait(uint32_t seconds) {
  HANDLE event = oal::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (vol_above(1)) writeMsg(MSG_PLAIN, "Waiting for: %5ld seconds\n\n", static_cast<long>(seconds));
  // Tenths of a second, so a stop request ends the wait at once.
  for (uint64_t tenths = uint64_t(seconds) * 10; tenths && !stop_requested(); --tenths)
    oal::WaitForSingleObject(event, 100);
  if (event) oal::CloseHandle(event);
  return EXIT_OK;
}

