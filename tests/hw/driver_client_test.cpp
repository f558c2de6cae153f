// The driver client: install and removal through the service manager, the
// request wrappers, and the session around them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "core/msglog.h"
#include "core/session.h"
#include "devices/device_ids.h"
#include "hw/driver_client.h"
#include "lumainfo.h"
#include "oal/oal.h"
#include "sim/hardware/driver_image.h"
#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

class ClientTest : public SimTest {
 protected:
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    SimTest::TearDown();
  }
  std::string image() { return machine().host_path("C:\\WINDOWS\\hwpeek.sys"); }
  std::string service(const std::string& key) {
    return machine().state("services").get_or("hwpeek." + key, "<none>");
  }
};

TEST_F(ClientTest, InstallsOnceAndRemovesEverything) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  EXPECT_TRUE(driver_loaded);
  EXPECT_TRUE(exists(image()));
  EXPECT_FALSE(exists("hwpeek.sys")) << "the written file is moved away";
  EXPECT_EQ(service("state"), "running");
  EXPECT_EQ(service("path"), "C:\\WINDOWS\\hwpeek.sys");
  EXPECT_EQ(service("start"), "3");
  std::string first = machine().take_debug_output();
  EXPECT_NE(first.find("hwpeek : DriverEntry : Built on"), std::string::npos);

  // A second open while loaded installs nothing.
  ASSERT_EQ(opal_open(1), EXIT_OK);
  EXPECT_EQ(machine().take_debug_output().find("DriverEntry"), std::string::npos);

  EXPECT_NE(opal_close(), 0);
  EXPECT_FALSE(driver_loaded);
  EXPECT_FALSE(exists(image()));
  EXPECT_TRUE(machine().state("services").keys("hwpeek.").empty());
  EXPECT_NE(machine().take_debug_output().find("hwpeek : drv_unload : \n"), std::string::npos);
}

TEST_F(ClientTest, RemoveWithNothingInstalledTouchesNothing) {
  StdoutCapture capture;
  EXPECT_TRUE(remove_driver());
  EXPECT_EQ(capture.stop(), "");
  EXPECT_FALSE(exists(machine().state_dir() + "/services.state"));
}

TEST_F(ClientTest, OpenWithoutInstallLeavesTheServiceManagerAlone) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  EXPECT_FALSE(driver_loaded);
  EXPECT_FALSE(exists(machine().state_dir() + "/services.state"));
  StdoutCapture capture;
  uint32_t value = 0;
  EXPECT_FALSE(drv_read_mmio(32, 0x70180, &value, 2));
  EXPECT_FALSE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x100, 1, 2));
  uint32_t words[4];
  EXPECT_FALSE(os_dump_regs(DRV_TARGET_GMADR, 0, 4, words, 2));
  EXPECT_FALSE(drv_read_ring_regs(1, words));
  DeviceIdReply id{};
  EXPECT_FALSE(drv_get_device_id(&id));
  std::string out = capture.stop();
  const std::string line = "ERROR: Driver not present, First install driver by calling os_initialize";
  size_t n = 0;
  for (size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++n;
  EXPECT_EQ(n, 4u) << out;  // drv_get_device_id tests the flag silently

  opal_chipset_info_t info;
  EXPECT_EQ(opal_get_chipset_name(&info), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(info.device_id, 0);
}

TEST_F(ClientTest, UntestedWrappersFailAtTheDeviceOpen) {
  StdoutCapture capture;
  uint32_t data = 0x12345678;
  EXPECT_FALSE(drv_read_host_data(&data));
  EXPECT_EQ(data, 0x12345678u);
  std::string out = capture.stop();
  EXPECT_NE(out.find("The system cannot find the file specified."), std::string::npos) << out;
  EXPECT_EQ(out.find("IOCTL call failed"), std::string::npos) << out;
  EXPECT_FALSE(drv_function_present(0));
  EXPECT_EQ(drv_read_host_config_word(0x52), 0);
}

TEST_F(ClientTest, WrappersReachTheHardware) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  opal_chipset_info_t info;
  ASSERT_EQ(opal_get_chipset_name(&info), EXIT_OK);
  EXPECT_EQ(info.device_id, DOV_DID_2);
  EXPECT_EQ(info.revision, 0x0002);
  EXPECT_STREQ(info.name, "Varnel Lumagraph DOV-2 Graphics Controller");

  ASSERT_TRUE(drv_write_reg(DRV_TARGET_MMIO, 32, 0x2100, 0xA1B2C3D4, 2));
  uint32_t value = 0;
  ASSERT_TRUE(drv_read_mmio(16, 0x2102, &value, 0));
  EXPECT_EQ(value, 0xA1B2u);
  uint32_t ring[4] = {};
  ASSERT_TRUE(drv_read_ring_regs(1, ring));
  EXPECT_EQ(ring[0], 0x1000u);
  EXPECT_EQ(ring[3], 0x1F001u);
  ASSERT_TRUE(drv_read_ring_regs(2, ring));
  EXPECT_EQ(ring[0], 0xA1B2C3D4u);
  EXPECT_FALSE(drv_read_ring_regs(3, ring));

  ASSERT_TRUE(drv_write_reg(DRV_TARGET_GMADR, 8, 0x40, 0x7F, 2));
  uint32_t words[2] = {1, 1};
  ASSERT_TRUE(os_dump_regs(DRV_TARGET_GMADR, 0x40, 2, words, 2));
  EXPECT_EQ(words[0], 0x7Fu);
  EXPECT_EQ(words[1], 0u);
  uint32_t one = 0;
  ASSERT_TRUE(os_dump_regs(DRV_TARGET_MMIO, 0x70180, 1, &one, 2));
  EXPECT_EQ(one, 0x98000000u);

  EXPECT_TRUE(drv_function_present(0));
  EXPECT_FALSE(drv_function_present(1));
  EXPECT_EQ(drv_read_host_config_word(0x62), 0x0002);
  EXPECT_EQ(drv_read_host_config_word(0xB4), 0x0100);
  EXPECT_EQ(drv_read_host_config_word(0), GFX_VENDOR_ID);
  EXPECT_EQ(drv_read_host_config_word(191), 0);  // past the reply: no word
  ASSERT_TRUE(drv_write_host_control(0xD08106F0));
  uint32_t data = 0;
  ASSERT_TRUE(drv_read_host_data(&data));
  EXPECT_EQ(data, 0u);  // no fuses on this family

  // A refused request keeps the caller's value and says why.
  StdoutCapture capture;
  value = 77;
  EXPECT_FALSE(drv_read_mmio(32, 0x80000, &value, 2));
  EXPECT_EQ(value, 77u);
  std::string out = capture.stop();
  EXPECT_NE(out.find("IOCTL call failed: 2244612"), std::string::npos) << out;
}

class CyrClientTest : public ClientTest {
  std::string profile() const override { return "cyr"; }
};

TEST_F(CyrClientTest, SecondFunctionAndChipsetName) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  EXPECT_TRUE(drv_function_present(1));
  EXPECT_EQ(drv_read_host_config_word(0x66), 0x0002);
  opal_chipset_info_t info;
  ASSERT_EQ(opal_get_chipset_name(&info), EXIT_OK);
  EXPECT_EQ(info.device_id, CYR_DID_5);
}

class RetryTest : public ClientTest {
  std::string profile() const override { return "base = dov\n[faults]\ndriver_start_fail = 1\n"; }
};

TEST_F(RetryTest, FailedStartIsRetriedOnce) {
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OK);
  EXPECT_EQ(capture.stop(), "");
  EXPECT_EQ(service("state"), "running");
}

class FailingStartTest : public ClientTest {
  std::string profile() const override { return "base = dov\n[faults]\ndriver_start_fail = 2\n"; }
};

TEST_F(FailingStartTest, SecondFailureFailsTheSession) {
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  std::string out = capture.stop();
  EXPECT_NE(out.find("Error loading hwpeek(C:\\WINDOWS\\hwpeek.sys)"), std::string::npos) << out;
  EXPECT_FALSE(driver_loaded);
}

// The session's result with and without the simulation library on the
// search path (ctest runs these twice, the second time with it and
// LUMA_EXPECT_SIMLIB=1): the library's boot decides when it is there, so a
// failed boot fails the session and a failed driver install does not.
struct OpenCase {
  const char* what;
  const char* faults;
  opal_exit_t without_library, with_library;
};

class SessionOpen : public ClientTest, public ::testing::WithParamInterface<OpenCase> {
  std::string profile() const override { return std::string("base = dov\n[faults]\n") + GetParam().faults; }
};

TEST_P(SessionOpen, ResultFollowsTheInstallOrTheLibrarysBoot) {
  const bool library = std::getenv("LUMA_EXPECT_SIMLIB") != nullptr;
  StdoutCapture capture;
  opal_exit_t rc = opal_open(1);
  capture.stop();
  EXPECT_EQ(session.simulation, library);
  EXPECT_EQ(rc, library ? GetParam().with_library : GetParam().without_library);
}

const OpenCase kOpenCases[] = {
    {"AllWell", "", EXIT_OK, EXIT_OK},
    {"InstallFails", "driver_start_fail = 2\n", EXIT_OS_CALL_ERROR, EXIT_OK},
    {"BootFails", "bootup_sequence = fail\n", EXIT_OK, EXIT_OS_CALL_ERROR},
    {"BothFail", "driver_start_fail = 2\nbootup_sequence = fail\n", EXIT_OS_CALL_ERROR, EXIT_OS_CALL_ERROR},
};
INSTANTIATE_TEST_SUITE_P(Cases, SessionOpen, ::testing::ValuesIn(kOpenCases),
                         [](const auto& param) { return std::string(param.param.what); });

TEST_F(ClientTest, ForeignImageInTheWindowsDirectoryFailsTheStart) {
  // The move never replaces a file already there, and the service manager
  // refuses an image that is not the driver.
  write_file(image(), "not a driver");
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  EXPECT_NE(capture.stop().find("Error loading hwpeek"), std::string::npos);
  // With the real image in place the next install starts.
  std::remove(image().c_str());
  EXPECT_EQ(opal_open(1), EXIT_OK);
}

TEST_F(ClientTest, ServiceLeftByAnEarlierRunShowsUntilTheNextInstall) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  // The process ends without closing its session.
  driver_loaded = false;
  reboot();
  EXPECT_EQ(service("state"), "running");
  EXPECT_TRUE(exists(image()));
  // The left-over driver still answers.
  uint8_t config[192] = {};
  PciConfigRequest q{0, 2, 0};
  ASSERT_TRUE(driver_ioctl(hwpeek::IOCTL_READ_PCI_CONFIG, sizeof q, &q, sizeof config, config));
  EXPECT_EQ(config[2] | config[3] << 8, DOV_DID_2);
  ASSERT_EQ(opal_open(1), EXIT_OK);
  EXPECT_NE(opal_close(), 0);
  EXPECT_TRUE(machine().state("services").keys("hwpeek.").empty());
  EXPECT_FALSE(exists(image()));
}

TEST_F(ClientTest, ServiceStoppedAndMarkedForDeleteIsGoneAtTheNextBoot) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  // A run killed after the stop and the delete, before its handles closed.
  ASSERT_TRUE(machine().state("services").set("hwpeek.state", "stopped"));
  ASSERT_TRUE(machine().state("services").set("hwpeek.delete", "1"));
  driver_loaded = false;
  reboot();
  SC_HANDLE manager = oal::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(oal::OpenServiceA(manager, "hwpeek", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  oal::CloseServiceHandle(manager);
  EXPECT_TRUE(machine().state("services").keys("hwpeek.").empty());
}

TEST(ReportTool, InstallAndRemoveLeaveNothingBehind) {
  std::string state = make_temp_dir("qrt-hw");
  ToolRun r = run_tool("luma_qrt", {}, "", {{"LUMA_SIM_STATE", state}, {"LUMA_SIM_PROFILE", "dov"}});
  EXPECT_EQ(r.status, 0) << r.console;
  EXPECT_FALSE(exists(state + "/drive_c/WINDOWS/hwpeek.sys"));
  EXPECT_FALSE(exists(r.dir + "/hwpeek.sys"));
  std::string services = read_file(state + "/services.state");
  EXPECT_EQ(services.find("hwpeek"), std::string::npos) << services;
  remove_tree(state);
  remove_tree(r.dir);
}

}  // namespace
