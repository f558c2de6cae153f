// The software side of the machine: the driver's INF file, the DirectX
// version, the installed programs, and the Windows modes placeholder.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/msglog.h"
#include "handlers.h"
#include "hw/driver_client.h"
#include "inventory.h"
#include "oal/oal.h"
#include "registry_store.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kDsetupType[] = "dsetup";
constexpr WORD kDsetupId = 104;

// DirectX revisions and their names, first match wins (0x10385 is listed
// twice; its second name is never reached).
struct DirectXRow {
  uint32_t revision;
  const char* name;
};
const DirectXRow kDirectXVersions[] = {
    {0x1032A, "8.1"}, {0x10371, "8.1"}, {0x10385, "8.1a"}, {0x10385, "8.1b"}, {0x20386, "8.2"},
    {0x384, "9"},     {0x385, "9a"},    {0x386, "9b"},     {0x387, "9c"},     {0x388, "9c"},
};

using DirectXSetupGetVersionFn = INT(WINAPI*)(DWORD* version, DWORD* revision);

// Case-insensitive order of two program names.
bool name_before(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

// The carried Dsetup.dll, written to a file of its own in the temporary
// folder (never the current directory, where a user's file of that name
// would be overwritten or another copy loaded); empty when it could not be.
std::string write_dsetup_library() {
  HMODULE self = nullptr;
  if (!oal::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(&directx_version_name), &self)) {
    print_last_error();
    return "";
  }
  HRSRC resource = oal::FindResourceA(self, MAKEINTRESOURCEA(kDsetupId), kDsetupType);
  if (!resource) {
    print_last_error();
    return "";
  }
  char dir[MAX_PATH + 1] = "";
  DWORD n = oal::GetTempPathA(sizeof dir, dir);
  char path[MAX_PATH + 1] = "";
  if (n == 0 || n >= sizeof dir || !oal::GetTempFileNameA(dir, "dsx", 0, path)) {
    print_last_error();
    return "";
  }
  if (!write_resource_to_file(resource, path, self)) {
    oal::DeleteFileA(path);
    return "";
  }
  return path;
}

}  // namespace

const char* directx_version_name(uint32_t revision) {
  for (const auto& row : kDirectXVersions)
    if (row.revision == revision) return row.name;
  return "Unknown";
}

opal_exit_t cmd_get_directx_version(cmd_args_t* args) {
  const char* name = "Unknown";
  std::string library = write_dsetup_library();
  if (!library.empty()) {
    if (HMODULE dsetup = oal::LoadLibraryA(library.c_str())) {
      auto get_version = oal::proc_address<DirectXSetupGetVersionFn>(dsetup, "DirectXSetupGetVersion");
      DWORD version = 0, revision = 0;
      if (get_version && get_version(&version, &revision)) name = directx_version_name(revision);
      oal::FreeLibrary(dsetup);
    }
    oal::DeleteFileA(library.c_str());
  }
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  add_result(args, "%-48s: %s", "DirectX Version", name);
  return EXIT_OK;
}

opal_exit_t cmd_get_all_software(cmd_args_t* args) {
  args->count = 0;
  opal_exit_t result = EXIT_OK;
  std::vector<std::string> names;
  HKEY uninstall = nullptr;
  LSTATUS rc = oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &uninstall);
  // A machine without the key has no programs installed.
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
    print_error_text(static_cast<uint32_t>(rc));
    result = EXIT_REGISTRY_ERROR;
  }
  for (DWORD i = 0; uninstall; ++i) {
    char sub[kRegTextSize + 1] = "";
    DWORD n = kRegTextSize + 1;
    rc = oal::RegEnumKeyExA(uninstall, i, sub, &n, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    HKEY program = nullptr;
    if (rc == ERROR_SUCCESS) rc = oal::RegOpenKeyExA(uninstall, sub, 0, KEY_READ, &program);
    if (rc != ERROR_SUCCESS) {
      print_error_text(static_cast<uint32_t>(rc));
      result = EXIT_REGISTRY_ERROR;
      break;
    }
    char name[kRegTextSize + 1] = "";
    DWORD size = kRegTextSize, type = REG_NONE;
    if (oal::RegQueryValueExA(program, "DisplayName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ))
      names.emplace_back(name, strnlen(name, size));
    oal::RegCloseKey(program);
  }
  if (uninstall) oal::RegCloseKey(uninstall);
  std::stable_sort(names.begin(), names.end(), name_before);
  if (vol_above(0))
    for (const auto& name : names) writeMsg(MSG_PLAIN, "%s", name.c_str());
  return result;
}

opal_exit_t cmd_get_inf_file(cmd_args_t* args) {
  args->count = 0;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!oal::GetVersionExA(&version)) {
    print_last_error();
    return EXIT_OS_CALL_ERROR;
  }
  if (version.dwMajorVersion == 4) return EXIT_OK;
  char inf[kRegTextSize];
  if (opal_exit_t rc = find_inf_path(inf, sizeof inf)) return rc;
  std::vector<char> text;
  if (opal_exit_t rc = read_inf_file(inf, text)) return rc;
  if (!vol_above(0)) return EXIT_OK;
  writeMsg(MSG_PLAIN, "-----INF FILE INFORMATION-----\n");
  // The terminator added after the bytes read is no line of the file.
  for_each_inf_line(text.data(), text.size() - 1, [](const char* line) { writeMsg(MSG_PLAIN, "%s", line); });
  return EXIT_OK;
}

opal_exit_t cmd_get_win_modes(cmd_args_t* args) {
  args->count = 0;
  return EXIT_OK;
}
