// Session lifecycle, exit codes and the session-level queries.
#include <gtest/gtest.h>

#include <cstring>

#include "core/msglog.h"
#include "core/session.h"
#include "core/command_table.h"
#include "support/sim_fixture.h"

namespace {

TEST(ExitCodes, DecodeToTheirNames) {
  const std::pair<opal_exit_t, const char*> cases[] = {
      {0, "EXIT_OK"},
      {1, "EXIT_GENERIC_ERROR"},
      {2, "EXIT_PARSER_ERROR"},
      {3, "EXIT_CFGFILE_ERROR"},
      {4, "EXIT_LOGFILE_ERROR"},
      {5, "EXIT_INVALID_PARAM_ERROR"},
      {6, "EXIT_OS_CALL_ERROR"},
      {7, "EXIT_LIB_INIT_ERROR"},
      {8, "EXIT_REGISTRY_ERROR"},
      {9, "EXIT_DEVICE_NOT_FOUND"},
      {10, "Unknown"},
      {0xFFFFFFFFu, "Unknown"},
  };
  for (auto [code, name] : cases) {
    char buf[OPAL_EXIT_NAME_SIZE];
    std::memset(buf, 'x', sizeof buf);
    opal_decode_exit_code(code, buf);
    EXPECT_STREQ(buf, name) << code;
  }
  opal_decode_exit_code(0, nullptr);  // does nothing
}

class SessionTest : public SimTest {};

TEST_F(SessionTest, LibraryVersionIsOneZeroZero) {
  opal_lib_version_t v{9, 9, 9};
  EXPECT_EQ(opal_get_lib_version(&v), EXIT_OK);
  EXPECT_EQ(v.major, 1u);
  EXPECT_EQ(v.minor, 0u);
  EXPECT_EQ(v.build, 0u);
}

TEST_F(SessionTest, NullArgumentsGiveInvalidParamWithTheirMessages) {
  StdoutCapture capture;
  EXPECT_EQ(opal_get_lib_version(nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_get_os_name(nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_get_chipset_name(nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(capture.stop(),
            "ERROR: Input version info is NULL. Caller must specify a NON NULL version info\n"
            "ERROR: Input os info is NULL. Caller must specify a NON NULL os info\n"
            "ERROR: Input chipset info is NULL. Caller must specify a NON NULL chipset info\n");
}

TEST_F(SessionTest, ChipsetNameWithoutTheDriverFailsAndLeavesTheRecordZeroed) {
  opal_chipset_info_t info;
  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(opal_get_chipset_name(&info), EXIT_OS_CALL_ERROR);
  opal_chipset_info_t zero{};
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof info), 0);
}

TEST_F(SessionTest, ChipsetNameTableHas32DistinctRows) {
  unsigned n = 0;
  const ChipsetName* rows = chipset_names(&n);
  ASSERT_EQ(n, 32u);
  for (unsigned i = 0; i < n; ++i) {
    EXPECT_LT(std::strlen(rows[i].name), 256u);
    for (unsigned j = i + 1; j < n; ++j) EXPECT_NE(rows[i].device_id, rows[j].device_id);
  }
}

TEST_F(SessionTest, WaitZeroReturnsAtOnceAndWaitCountsWholeSeconds) {
  auto before = machine().waited_ms();
  StdoutCapture capture;
  EXPECT_EQ(opal_wait(0), EXIT_OK);
  EXPECT_EQ(machine().waited_ms(), before);
  EXPECT_EQ(opal_wait(3), EXIT_OK);
  EXPECT_EQ(machine().waited_ms(), before + 3000);
  EXPECT_EQ(capture.stop(), "Waiting for:     0 seconds\n\n\nWaiting for:     3 seconds\n\n\n");
}

TEST_F(SessionTest, OpenAndCloseWithoutSimulationLibrary) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  EXPECT_FALSE(session.simulation);
  EXPECT_NE(session.user32, nullptr);
  EXPECT_NE(opal_close(), 0);
  EXPECT_EQ(session.user32, nullptr);
  // A second session opens as the first did.
  ASSERT_EQ(opal_open(0), EXIT_OK);
  EXPECT_NE(opal_close(), 0);
}

TEST_F(SessionTest, CloseReleasesTheJoinedCommandTable) {
  ASSERT_EQ(opal_open(0), EXIT_OK);
  int32_t n1 = 0;
  ASSERT_NE(get_command_table(&n1), nullptr);
  opal_close();
  int32_t n2 = 0;
  // Built again after the close, with the same entries.
  ASSERT_NE(get_command_table(&n2), nullptr);
  EXPECT_EQ(n1, n2);
  release_command_table();
}

struct OsCase {
  const char* os;
  const char* expected;
};

class OsNameTest : public SimTest, public ::testing::WithParamInterface<OsCase> {
 protected:
  std::string profile() const override {
    return std::string("base = dov\n[machine]\nwait_scale = 0\n[os]\n") + GetParam().os;
  }
};

TEST_P(OsNameTest, ComposesTheVersionText) {
  char buf[OPAL_OS_NAME_SIZE];
  std::memset(buf, 'x', sizeof buf);
  ASSERT_EQ(opal_get_os_name(buf), EXIT_OK);
  EXPECT_STREQ(buf, GetParam().expected);
  // The other three lines of the buffer stay empty.
  for (int part = 1; part < 4; ++part) EXPECT_EQ(buf[part * 256], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Versions, OsNameTest,
    ::testing::Values(OsCase{"major = 5\nminor = 1\nservice_pack = Service Pack 2\n", "OS NAME: Windows XP: Service Pack 2"},
                      OsCase{"major = 5\nminor = 0\nservice_pack = Service Pack 4\n", "OS NAME: Windows 2000: Service Pack 4"},
                      OsCase{"major = 6\nminor = 1\nservice_pack = Service Pack 1\n", "OS NAME: Service Pack 1"},
                      OsCase{"major = 6\nminor = 0\nservice_pack =\n", "OS NAME: "}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

class FailingVersionTest : public SimTest {
 protected:
  std::string profile() const override { return "base = dov\n[faults]\nversion = fail\n"; }
};

TEST_F(FailingVersionTest, OsNameReportsTheSystemError) {
  char buf[OPAL_OS_NAME_SIZE];
  StdoutCapture capture;
  EXPECT_EQ(opal_get_os_name(buf), EXIT_OS_CALL_ERROR);
  EXPECT_EQ(capture.stop(), "Incorrect function.\r\n\n");
}

TEST(DamagedMachine, SessionDoesNotOpen) {
  std::string dir = make_temp_dir("state");
  write_file(dir + "/display.state", "not a state file\n");
  auto& m = sim::Machine::boot("dov", dir);
  ASSERT_NE(m.fault(), nullptr);
  StdoutCapture capture;
  EXPECT_EQ(opal_open(1), EXIT_OS_CALL_ERROR);
  std::string out = capture.stop();
  EXPECT_NE(out.find("ERROR: simulated machine: the saved state is damaged"), std::string::npos) << out;
  // The damaged file is reported, never overwritten.
  EXPECT_EQ(read_file(dir + "/display.state"), "not a state file\n");
  remove_tree(dir);
}

}  // namespace
