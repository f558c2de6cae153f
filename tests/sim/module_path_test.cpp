// The module-path call of the simulated platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "oal/errors.h"
#include "oal/library.h"

namespace {

std::string own_executable() {
  char path[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : "";
}

TEST(ModulePath, TheProgramsOwnFile) {
  char name[PATH_MAX] = {};
  DWORD n = oal::GetModuleFileNameA(nullptr, name, sizeof name);
  EXPECT_EQ(std::string(name), own_executable());
  EXPECT_EQ(n, own_executable().size());
}

TEST(ModulePath, AShortBufferGetsTheCutPathTerminated) {
  char name[8];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(oal::GetModuleFileNameA(nullptr, name, sizeof name), 8u);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(name), own_executable().substr(0, 7));
  EXPECT_EQ(oal::GetModuleFileNameA(nullptr, name, 0), 0u);
  int not_a_module = 0;
  EXPECT_EQ(oal::GetModuleFileNameA(reinterpret_cast<HMODULE>(&not_a_module), name, sizeof name), 0u);
}

}  // namespace
