// The plain answers when the register access driver cannot be reached: the
// system's text and one line saying what happened and what to do, for each
// way a board refuses the driver.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "core/session.h"
#include "hw/driver_client.h"
#include "lumainfo.h"
#include "support/sim_fixture.h"

namespace {

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

struct RefusalCase {
  const char* what;
  const char* profile;      // after "base = dov"
  const char* system_text;  // null: no system text (the check before installing)
  const char* advice;       // null: the system's text says it all
};

class Refusal : public SimTest, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  std::string profile() const override { return std::string("base = dov\n") + GetParam().profile; }
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    SimTest::TearDown();
  }
  std::string service_state() { return machine().state("services").get_or("hwpeek.state", "<none>"); }
};

TEST_P(Refusal, SaysWhatHappenedAndWhatToDo) {
  const RefusalCase& c = GetParam();
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  std::string out = capture.stop();
  EXPECT_FALSE(driver_loaded);
  if (c.system_text) {
    EXPECT_EQ(count(out, c.system_text), 1u) << out;
  }
  if (c.advice) {
    EXPECT_EQ(count(out, c.advice), 1u) << out;
    EXPECT_EQ(count(out, "ERROR: "), 1u) << "one advice line: " << out;
  } else {
    EXPECT_EQ(count(out, "ERROR: "), 0u) << out;
  }
  // Nothing is left running for the next run to trip over.
  EXPECT_NE(service_state(), "running") << out;
}

const RefusalCase kRefusals[] = {
    {"NotAnAdministrator", "[faults]\nnot_administrator = yes\n", "Access is denied.",
     "ERROR: Only an administrator may install and start the register access driver: run the program as an "
     "administrator (right-click it and choose Run as administrator"},
    {"SignatureRefused", "[faults]\ndriver_start_fail = 2\ndriver_start_error = 577\n",
     "Windows cannot verify the digital signature for this file.",
     "ERROR: Windows refused the signature of hwpeek.sys: on a test board trust the archive's test certificate "
     "and turn test signing on as its README.txt says; a release board needs the archive signed with a release "
     "certificate"},
    {"BlockedByPolicy", "[faults]\ndriver_start_fail = 2\ndriver_start_error = 1275\n",
     "This driver has been blocked from loading",
     "ERROR: Windows blocked hwpeek.sys by policy (its vulnerable driver blocklist, memory integrity or an "
     "application control policy): ask the board's administrator to allow the driver"},
    {"DeviceMissingAfterAStart", "[faults]\ndevice_missing = yes\n", "The system cannot find the file specified.",
     "ERROR: The register access driver started, but its device \\\\.\\HwPeekDev did not appear: reboot and run "
     "again"},
    {"ThirtyTwoBitsOnA64BitSystem", "[os]\nwow64 = yes\n", nullptr,
     "ERROR: This is the 32-bit toolkit on 64-bit Windows, whose kernel cannot load a 32-bit driver: use the "
     "64-bit archive (lumagraph-toolkit-1.15.3664-win64.zip) instead"},
    // A failure without advice keeps the system's text alone.
    {"DeviceNotFunctioning", "[faults]\ndriver_start_fail = 2\n", "A device attached to the system is not functioning.",
     nullptr},
};
INSTANTIATE_TEST_SUITE_P(Cases, Refusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& param) { return std::string(param.param.what); });

class Wow64Refusal : public Refusal {};

TEST_P(Wow64Refusal, InstallsNothing) {
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  capture.stop();
  EXPECT_FALSE(exists("hwpeek.sys"));
  EXPECT_FALSE(exists(machine().host_path("C:\\WINDOWS\\hwpeek.sys")));
  EXPECT_TRUE(machine().state("services").keys("hwpeek.").empty());
}
INSTANTIATE_TEST_SUITE_P(Case, Wow64Refusal, ::testing::Values(kRefusals[4]),
                         [](const auto& param) { return std::string(param.param.what); });

// Another program holds the service an earlier run deleted, so it stays
// marked for deletion and cannot be created again.
class HeldService : public Refusal {};

TEST_P(HeldService, MarkedForDeletionSaysToCloseTheOtherProgramOrReboot) {
  ASSERT_EQ(opal_open(1), EXIT_OK);
  EXPECT_NE(opal_close(), 0);
  EXPECT_EQ(machine().state("services").get_or("hwpeek.delete", "<none>"), "1");
  reboot();
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  std::string out = capture.stop();
  EXPECT_EQ(count(out, "The specified service has been marked for deletion."), 1u) << out;
  EXPECT_EQ(count(out, "ERROR: The hwpeek service of an earlier run is still marked for deletion: close the other "
                       "program that holds it (another toolkit program, or the Services window), or reboot, then "
                       "run again"),
            1u)
      << out;
}
INSTANTIATE_TEST_SUITE_P(Case, HeldService,
                         ::testing::Values(RefusalCase{"ServiceHeld", "[faults]\nservice_held = yes\n", nullptr, nullptr}),
                         [](const auto& param) { return std::string(param.param.what); });

// A driver an administrator's run left running: a program without the
// rights is refused at the device too.
class DeviceRefusal : public Refusal {};

TEST_P(DeviceRefusal, AccessDeniedAtTheDeviceSaysToRunAsAdministrator) {
  ASSERT_TRUE(machine().state("services").set_many({{"hwpeek.name", "hwpeek"},
                                                    {"hwpeek.path", "C:\\WINDOWS\\hwpeek.sys"},
                                                    {"hwpeek.type", "1"},
                                                    {"hwpeek.state", "running"}}));
  reboot();
  StdoutCapture capture;
  uint8_t config[192] = {};
  PciConfigRequest q{0, 2, 0};
  EXPECT_FALSE(driver_ioctl(hwpeek::IOCTL_READ_PCI_CONFIG, sizeof q, &q, sizeof config, config));
  std::string out = capture.stop();
  EXPECT_EQ(count(out, "Access is denied."), 1u) << out;
  EXPECT_EQ(count(out, "ERROR: The register access driver's device admits only Administrators and SYSTEM: run the "
                       "program as an administrator"),
            1u)
      << out;
}
INSTANTIATE_TEST_SUITE_P(Case, DeviceRefusal, ::testing::Values(kRefusals[0]),
                         [](const auto& param) { return std::string(param.param.what); });

}  // namespace
