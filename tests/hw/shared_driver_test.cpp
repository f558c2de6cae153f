// Sessions of several processes sharing the register access driver on one
// simulated machine: none pulls the driver from under another, the last
// one removes it, and a killed session leaves no count behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "core/session.h"
#include "hw/driver_client.h"
#include "lumainfo.h"
#include "oal/oal.h"
#include "support/processes.h"
#include "support/sim_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Waits (at most 30 s) until `path` exists.
bool wait_for(const std::string& path) {
  for (auto end = Clock::now() + std::chrono::seconds(30); Clock::now() < end;) {
    if (exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

class SharedDriverTest : public SimTest {
 protected:
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    SimTest::TearDown();
  }
  bool boot_child() { return sim::Machine::boot_text(profile(), state_dir_).fault() == nullptr; }
  std::string mark(const std::string& name) { return state_dir_ + "/" + name + ".mark"; }
  void set_mark(const std::string& name) { write_file(mark(name), ""); }
  // Reads one register until `stop` is marked (and at least `at_least`
  // times); the number of requests that failed.
  int read_until(const std::string& stop, int at_least) {
    int failed = 0;
    for (int n = 0; n < at_least || !exists(mark(stop)); ++n) {
      uint32_t value = 0;
      if (!drv_read_mmio(32, 0x70180, &value, 0)) ++failed;
      if (n > 100000) break;
    }
    return failed;
  }
  void expect_nothing_left() {
    EXPECT_TRUE(machine().state("services").keys("hwpeek.").empty());
    EXPECT_FALSE(exists(machine().host_path("C:\\WINDOWS\\hwpeek.sys")));
  }
};

TEST_F(SharedDriverTest, SessionsOpeningAndClosingBesideTwoReadersBreakNeither) {
  auto results = run_together(3, [&](int p) {
    if (!boot_child()) return 2;
    if (p < 2) {  // a reader
      if (opal_open(1) != EXIT_OK) return 3;
      set_mark("reader" + std::to_string(p));
      int failed = read_until("done", 200);
      return opal_close() != 0 && failed == 0 ? 0 : 4;
    }
    // The third: a session opened and closed again and again meanwhile.
    if (!wait_for(mark("reader0")) || !wait_for(mark("reader1"))) return 5;
    int bad = 0;
    for (int i = 0; i < 15; ++i) {
      if (opal_open(1) != EXIT_OK) ++bad;
      uint32_t value = 0;
      if (!drv_read_mmio(32, 0x70180, &value, 0)) ++bad;
      if (opal_close() == 0) ++bad;
    }
    set_mark("done");
    return bad == 0 ? 0 : 6;
  });
  EXPECT_EQ(results, std::vector<int>(3, 0)) << "0: fine; 4: a reader's request failed; 6: the third's";
  expect_nothing_left();
}

TEST_F(SharedDriverTest, AKilledSessionNeitherStopsTheSurvivorNorLeavesACount) {
  auto victim = start_together(1, [&](int) {
    if (!boot_child() || opal_open(1) != EXIT_OK) return 2;
    set_mark("victim");
    pause();  // until killed
    return 0;
  });
  ASSERT_TRUE(wait_for(mark("victim")));
  auto survivor = start_together(1, [&](int) {
    if (!boot_child() || opal_open(1) != EXIT_OK) return 2;
    // It uses the victim's driver: the service was started once.
    if (machine().state("services").get_or("hwpeek.instance", "") != "1") return 4;
    set_mark("survivor");
    int failed = read_until("killed", 50);
    failed += read_until("killed", 50);  // after the kill too
    return opal_close() != 0 && failed == 0 ? 0 : 3;
  });
  ASSERT_TRUE(wait_for(mark("survivor")));
  ::kill(victim[0], SIGKILL);
  EXPECT_EQ(finish(victim), std::vector<int>{-1});
  set_mark("killed");
  EXPECT_EQ(finish(survivor), std::vector<int>{0}) << "3: a request failed; 4: it reinstalled the driver";
  expect_nothing_left();
}

// Another process stopping and deleting the driver's service is seen here:
// the device opened before fails, the service is gone.
TEST_F(SharedDriverTest, AServiceStoppedInAnotherProcessIsStoppedHereToo) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  HANDLE device = oal::CreateFileA("\\\\.\\HwPeekDev", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  MmioRequest q{};
  q.reg = 0x70180, q.width = 32;
  DWORD returned = 0;
  ASSERT_TRUE(oal::DeviceIoControl(device, hwpeek::IOCTL_READ_MMIO, &q, sizeof q, &q, sizeof q, &returned, nullptr));

  auto results = run_together(1, [&](int) {
    if (!boot_child()) return 2;
    stop_driver_service();
    return 0;
  });
  ASSERT_EQ(results, std::vector<int>{0});
  EXPECT_FALSE(oal::DeviceIoControl(device, hwpeek::IOCTL_READ_MMIO, &q, sizeof q, &q, sizeof q, &returned, nullptr));
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  oal::CloseHandle(device);
  EXPECT_EQ(oal::CreateFileA("\\\\.\\HwPeekDev", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  SC_HANDLE manager = oal::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  EXPECT_EQ(oal::OpenServiceA(manager, "hwpeek", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  oal::CloseServiceHandle(manager);
}

}  // namespace
