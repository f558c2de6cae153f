// The driver's INF file: found in the Windows folder's inf folder, read
// whole, and split into lines.
#include <cstdio>
#include <string>

#include "core/msglog.h"
#include "inventory.h"
#include "oal/oal.h"

opal_exit_t read_inf_file(const char* name, std::vector<char>& text) {
  char windows[256] = "";
  UINT n = oal::GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) {
    if (n == 0) print_last_error();
    else if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The Windows folder's path is too long");
    return EXIT_LOGFILE_ERROR;
  }
  char path[MAX_PATH];
  int len = std::snprintf(path, sizeof path, "%s\\inf\\%s", windows, name);
  if (len < 0 || static_cast<size_t>(len) >= sizeof path) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The INF file's path is too long: %s\\inf\\%s", windows, name);
    return EXIT_LOGFILE_ERROR;
  }
  HANDLE file = oal::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    print_last_error();
    return EXIT_LOGFILE_ERROR;
  }
  DWORD high = 0;
  DWORD size = oal::GetFileSize(file, &high);
  opal_exit_t result = EXIT_OK;
  if (size == INVALID_FILE_SIZE && oal::GetLastError() != ERROR_SUCCESS) {
    print_last_error();
    result = EXIT_LOGFILE_ERROR;
  } else if (high || size > kInfFileMax) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: The INF file %s is larger than %u bytes", path, static_cast<unsigned>(kInfFileMax));
    result = EXIT_LOGFILE_ERROR;
  } else {
    text.assign(size + 1, '\0');
    DWORD done = 0;
    while (done < size) {
      DWORD got = 0;
      if (!oal::ReadFile(file, text.data() + done, size - done, &got, nullptr)) {
        print_last_error();
        result = EXIT_LOGFILE_ERROR;
        break;
      }
      if (got == 0) break;  // the file shrank while it was read
      done += got;
    }
    text.resize(done + 1);
    text[done] = '\0';
  }
  oal::CloseHandle(file);
  return result;
}

void for_each_inf_line(const char* text, size_t size, const std::function<void(const char*)>& line) {
  size_t start = 0;
  while (start < size) {
    size_t end = start;
    while (end < size && text[end] != '\n') ++end;
    if (end > start) line(std::string(text + start, end - start).c_str());
    start = end + 1;
  }
}
