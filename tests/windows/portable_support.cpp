// The helpers of support/sim_fixture.h for the Windows build, where no
// simulated machine exists: temporary folders, whole-file reads and writes,
// and capture of standard output.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/sim_fixture.h"

std::string make_temp_dir(const std::string& tag) {
  char base[MAX_PATH];
  DWORD n = GetTempPathA(sizeof base, base);
  if (n == 0 || n >= sizeof base) throw std::runtime_error("GetTempPathA failed");
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    std::string dir = std::string(base) + "luma-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                      std::to_string(GetTickCount() + attempt);
    if (CreateDirectoryA(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary folder");
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  char dir[MAX_PATH], name[MAX_PATH];
  if (!GetTempPathA(sizeof dir, dir) || !GetTempFileNameA(dir, "lso", 0, name))
    throw std::runtime_error("cannot create a capture file");
  path_ = name;
  int fd = _open(name, _O_WRONLY | _O_TRUNC | _O_BINARY);
  if (fd < 0) throw std::runtime_error("cannot open the capture file");
  saved_ = _dup(1);
  _dup2(fd, 1);
  _close(fd);
}

std::string StdoutCapture::stop() {
  if (saved_ < 0) return "";
  std::fflush(stdout);
  _dup2(saved_, 1);
  _close(saved_);
  saved_ = -1;
  std::string out = read_file(path_);
  DeleteFileA(path_.c_str());
  return out;
}

StdoutCapture::~StdoutCapture() { stop(); }
