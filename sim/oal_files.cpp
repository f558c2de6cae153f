// Files of the simulated machine. Windows paths map onto host paths (see
// Machine::host_path); "\\.\Name" opens a device that a part of the machine
// serves. Errors carry the Windows last-error codes.
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "devices.h"
#include "oal/files.h"

namespace sim {
namespace {

class File : public Object {
 public:
  explicit File(int fd) : fd(fd) {}
  ~File() override { ::close(fd); }
  int fd;
};

std::map<std::string, DeviceOpener>& device_openers() {
  static std::map<std::string, DeviceOpener> openers;
  return openers;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

DWORD error_from_errno(int e, const std::string& host) {
  switch (e) {
    case ENOENT: {
      std::string dir = host.substr(0, host.find_last_of('/') + 1);
      struct stat st {};
      return dir.empty() || ::stat(dir.c_str(), &st) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENAMETOOLONG: return ERROR_BAD_PATHNAME;
    default: return ERROR_GEN_FAILURE;
  }
}

// A path that the profile's [faults] deny_files lists fails with
// ERROR_ACCESS_DENIED, whatever the operation. Paths are compared as the
// files they name, so "C:\WINDOWS\.\x" is "C:\WINDOWS\x".
bool denied(Machine& m, LPCSTR path) {
  std::string list = m.fault_value("deny_files");
  if (list.empty()) return false;
  std::string want = lower(m.host_path(path));
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (!item.empty() && lower(m.host_path(item)) == want) return true;
    start = end + 1;
  }
  return false;
}

bool usable(Machine& m, LPCSTR path) {
  if (m.fault()) {
    set_last_error(ERROR_FILE_CORRUPT);
    return false;
  }
  if (!path || !*path) {
    set_last_error(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (denied(m, path)) {
    set_last_error(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

bool copy_file(const std::string& from, const std::string& to, bool exclusive) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    set_last_error(error_from_errno(errno, from));
    return false;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC), 0644);
  if (out < 0) {
    set_last_error(error_from_errno(errno, to));
    ::close(in);
    return false;
  }
  char buf[65536];
  ssize_t n;
  bool ok = true;
  while ((n = ::read(in, buf, sizeof buf)) > 0)
    if (::write(out, buf, static_cast<size_t>(n)) != n) ok = false;
  if (n < 0) ok = false;
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) set_last_error(ERROR_GEN_FAILURE);
  return ok;
}

}  // namespace

void register_device(const char* name, DeviceOpener opener) {
  device_openers()[lower(name)] = std::move(opener);
}

}  // namespace sim

namespace oal {

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
  if (path && strcasecmp(path, "CONOUT$") == 0) return sim::open_console_output();
  auto& m = sim::Machine::get();
  if (!sim::usable(m, path)) return INVALID_HANDLE_VALUE;
  if (std::strncmp(path, "\\\\.\\", 4) == 0) {
    auto it = sim::device_openers().find(sim::lower(path + 4));
    if (it == sim::device_openers().end()) {
      sim::set_last_error(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    auto device = it->second(m);
    return device ? sim::make_handle(std::move(device)) : INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  bool rd = access & GENERIC_READ, wr = access & GENERIC_WRITE;
  flags |= rd && wr ? O_RDWR : wr ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    default: sim::set_last_error(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  std::string host = m.host_path(path);
  int fd = ::open(host.c_str(), flags, 0644);
  if (fd < 0) {
    sim::set_last_error(sim::error_from_errno(errno, host));
    return INVALID_HANDLE_VALUE;
  }
  return sim::make_handle(std::make_unique<sim::File>(fd));
}

BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, void*) {
  auto* f = sim::lookup<sim::File>(file);
  if (written) *written = 0;
  if (!f || (!data && size)) {
    sim::set_last_error(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD done = 0;
  while (done < size) {
    ssize_t n = ::write(f->fd, static_cast<const char*>(data) + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      sim::set_last_error(errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE);
      if (written) *written = done;
      return FALSE;
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  return TRUE;
}

BOOL ReadFile(HANDLE file, LPVOID data, DWORD size, LPDWORD read_count, void*) {
  auto* f = sim::lookup<sim::File>(file);
  if (read_count) *read_count = 0;
  if (!f || (!data && size)) {
    sim::set_last_error(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ssize_t n;
  do n = ::read(f->fd, data, size);
  while (n < 0 && errno == EINTR);
  if (n < 0) {
    sim::set_last_error(errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE);
    return FALSE;
  }
  if (read_count) *read_count = static_cast<DWORD>(n);
  return TRUE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) {
  auto& m = sim::Machine::get();
  if (!sim::usable(m, from) || !sim::usable(m, to)) return FALSE;
  std::string src = m.host_path(from), dst = m.host_path(to);
  struct stat st {};
  if (::stat(src.c_str(), &st) != 0) {
    sim::set_last_error(sim::error_from_errno(errno, src));
    return FALSE;
  }
  // MoveFile never replaces an existing file.
  if (::lstat(dst.c_str(), &st) == 0) {
    sim::set_last_error(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (::rename(src.c_str(), dst.c_str()) == 0) return TRUE;
  if (errno != EXDEV) {
    sim::set_last_error(sim::error_from_errno(errno, dst));
    return FALSE;
  }
  if (!sim::copy_file(src, dst, true)) return FALSE;
  ::unlink(src.c_str());
  return TRUE;
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL fail_if_exists) {
  auto& m = sim::Machine::get();
  if (!sim::usable(m, from) || !sim::usable(m, to)) return FALSE;
  return sim::copy_file(m.host_path(from), m.host_path(to), fail_if_exists != 0) ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR path) {
  auto& m = sim::Machine::get();
  if (!sim::usable(m, path)) return FALSE;
  std::string host = m.host_path(path);
  if (::unlink(host.c_str()) != 0) {
    sim::set_last_error(sim::error_from_errno(errno, host));
    return FALSE;
  }
  return TRUE;
}

}  // namespace oal

namespace sim {
namespace {
// Windows' file locks belong to a handle and end with it: the open file
// description's locks of the host (F_OFD_*), not the per-process fcntl ones.
BOOL range_lock(HANDLE file, short type, int command, DWORD bytes_low, DWORD bytes_high, LPOVERLAPPED at) {
  auto* f = lookup<File>(file);
  if (!f || !at || (!bytes_low && !bytes_high)) {
    set_last_error(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>((static_cast<uint64_t>(at->OffsetHigh) << 32) | at->Offset);
  range.l_len = static_cast<off_t>((static_cast<uint64_t>(bytes_high) << 32) | bytes_low);
  if (range.l_start < 0 || range.l_len <= 0) {
    set_last_error(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  while (::fcntl(f->fd, command, &range) != 0) {
    if (errno == EINTR) continue;
    set_last_error(errno == EAGAIN || errno == EACCES ? ERROR_LOCK_VIOLATION : ERROR_GEN_FAILURE);
    return FALSE;
  }
  return TRUE;
}
}  // namespace
}  // namespace sim

namespace oal {

BOOL LockFileEx(HANDLE file, DWORD flags, DWORD, DWORD bytes_low, DWORD bytes_high, LPOVERLAPPED overlapped) {
  short type = flags & LOCKFILE_EXCLUSIVE_LOCK ? F_WRLCK : F_RDLCK;
  int command = flags & LOCKFILE_FAIL_IMMEDIATELY ? F_OFD_SETLK : F_OFD_SETLKW;
  return sim::range_lock(file, type, command, bytes_low, bytes_high, overlapped);
}

BOOL UnlockFileEx(HANDLE file, DWORD, DWORD bytes_low, DWORD bytes_high, LPOVERLAPPED overlapped) {
  return sim::range_lock(file, F_UNLCK, F_OFD_SETLK, bytes_low, bytes_high, overlapped);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  std::string dir = sim::Machine::get().windows_dir();
  if (!buffer || size < dir.size() + 1) return static_cast<UINT>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}

DWORD GetFileSize(HANDLE file, LPDWORD size_high) {
  auto* f = sim::lookup<sim::File>(file);
  struct stat st {};
  if (!f || ::fstat(f->fd, &st) != 0) {
    sim::set_last_error(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<unsigned long long>(st.st_size);
  if (size_high) *size_high = static_cast<DWORD>(size >> 32);
  // As on Windows, a size whose low part reads INVALID_FILE_SIZE is told
  // from a failure only by the last error.
  sim::set_last_error(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  std::string dir = sim::Machine::get().windows_dir() + "\\Temp\\";
  if (!buffer || size < dir.size() + 1) return static_cast<DWORD>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<DWORD>(dir.size());
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR temp_file_name) {
  auto& m = sim::Machine::get();
  if (!sim::usable(m, path)) return 0;
  if (!temp_file_name) {
    sim::set_last_error(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string dir = path;
  if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
  std::string head = std::string(prefix ? prefix : "").substr(0, 3);
  auto name_of = [&](unsigned n) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", n & 0xFFFF);
    return dir + head + hex + ".tmp";
  };
  if (unique) {
    std::string name = name_of(unique);
    if (name.size() >= MAX_PATH) {
      sim::set_last_error(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    std::memcpy(temp_file_name, name.c_str(), name.size() + 1);
    return unique & 0xFFFF;
  }
  // Numbers count on from a per-process start; 0 is never a file's number.
  static unsigned counter = static_cast<unsigned>(::getpid());
  for (unsigned tries = 0; tries < 0x10000; ++tries) {
    unsigned n = ++counter & 0xFFFF;
    if (!n) continue;
    std::string name = name_of(n);
    if (name.size() >= MAX_PATH) {
      sim::set_last_error(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    if (sim::denied(m, name.c_str())) continue;
    std::string host = m.host_path(name);
    int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      std::memcpy(temp_file_name, name.c_str(), name.size() + 1);
      return n;
    }
    if (errno != EEXIST) {
      sim::set_last_error(errno == ENOENT ? ERROR_DIRECTORY : sim::error_from_errno(errno, host));
      return 0;
    }
  }
  sim::set_last_error(ERROR_FILE_EXISTS);
  return 0;
}

FILE* fopen(const char* path, const char* mode) {
  auto& m = sim::Machine::get();
  if (!path || !mode) return nullptr;
  if (sim::denied(m, path)) {
    errno = EACCES;
    return nullptr;
  }
  return std::fopen(m.host_path(path).c_str(), mode);
}

FILE* freopen(const char* path, const char* mode, FILE* stream) {
  auto& m = sim::Machine::get();
  if (!path || !mode) return nullptr;
  if (sim::denied(m, path)) {
    errno = EACCES;
    return nullptr;
  }
  return std::freopen(m.host_path(path).c_str(), mode, stream);
}

}  // namespace oal
