// System information commands and the EDID command, called as the console
// tool calls them, on machines whose profile shapes the answer.
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/edid_report.h"
#include "commands/handlers.h"
#include "commands/system_commands.h"
#include "commands/wmi_client.h"
#include "oal/wmi.h"
#include "support/sim_fixture.h"

namespace {

cmd_args_t call(cmd_handler_t handler, const char* word, opal_exit_t& rc, const char* param = nullptr) {
  cmd_args_t args{};
  std::snprintf(args.slot[0], kArgSlotSize, "%s", word);
  args.count = 1;
  if (param) {
    std::snprintf(args.slot[1], kArgSlotSize, "%s", param);
    args.count = 2;
  }
  rc = handler(&args);
  return args;
}

std::vector<std::string> lines(const cmd_args_t& args) {
  std::vector<std::string> out;
  for (int i = 0; i < args.count; ++i) out.push_back(args.slot[i]);
  return out;
}

// A machine described by a profile text on top of the default one.
class ProfileTest : public SimTest {
 public:
  std::string base = "base = dov\n";
  std::string text;
  std::string profile() const override { return base + text; }
};

class MemoryTest : public ProfileTest {
 protected:
  void SetUp() override {}  // the test boots the machine it describes
};

TEST_F(MemoryTest, TotalRoundsDownAndEveryOtherFigureUp) {
  text =
      "[memory]\ntotal_phys = 0x20080000\navail_phys = 0x10000001\ntotal_virtual = 0x7FFE0000\n"
      "avail_virtual = 0x100000\ntotal_page_file = 0x30000000\navail_page_file = 1\nload = 37\n";
  SimTest::SetUp();
  opal_exit_t rc;
  cmd_args_t a = call(cmd_get_sys_mem, "get_sys_mem", rc);
  ASSERT_EQ(rc, EXIT_OK);
  std::vector<std::string> expected = {
      "Total Physical Memory                           : 512  MB",
      "Available Physical Memory                       : 257  MB",
      "Total Virtual Memory                            : 2048 MB",
      "Available Virtual Memory                        : 1    MB",
      "Total Page file Memory                          : 768  MB",
      "Available Page file Memory                      : 1    MB",
      "Current Memory Load                             : 37 %",
  };
  EXPECT_EQ(lines(a), expected);
}

// Commands with no profile of their own to read: what each leaves in the
// record and returns on the default machine, without a library session (so
// without the register access driver) unless the profile says otherwise.
struct SystemCase {
  const char* name;
  cmd_handler_t handler;
  const char* word;
  const char* param;
  const char* profile;
  opal_exit_t rc;
  int count;
  const char* first_line;  // the start of slot 0 after the call
};

const SystemCase kSystemCases[] = {
    {"os_name_is_one_line", cmd_get_os_name, "get_os_name", nullptr, "", EXIT_OK, 1, "OS NAME: "},
    {"chipset_needs_the_driver", cmd_get_chipset_name, "get_chipset_name", nullptr, "", EXIT_OS_CALL_ERROR, 0,
     "get_chipset_name"},
    {"driver_version_escape_fails", cmd_get_driver_version, "get_driver_version", nullptr,
     "[faults]\nescape_zero = all\n", EXIT_OS_CALL_ERROR, 0, "get_driver_version"},
    {"wait_zero", cmd_wait, "wait", "0", "", EXIT_OK, 0, "wait"},
    {"wait_text_is_zero", cmd_wait, "wait", "soon", "", EXIT_OK, 0, "wait"},
    {"wait_beyond_32_bits", cmd_wait, "wait", "4294967296", "", EXIT_INVALID_PARAM_ERROR, 0, "wait"},
};

class SystemCommands : public ProfileTest, public ::testing::WithParamInterface<SystemCase> {
 protected:
  void SetUp() override {
    text = std::string("[machine]\nwait_scale = 0\n") + GetParam().profile;
    SimTest::SetUp();
  }
};

TEST_P(SystemCommands, SlotsAndExitCode) {
  const SystemCase& c = GetParam();
  opal_exit_t rc;
  cmd_args_t a = call(c.handler, c.word, rc, c.param);
  EXPECT_EQ(rc, c.rc);
  EXPECT_EQ(a.count, c.count);
  EXPECT_EQ(std::string(a.slot[0]).rfind(c.first_line, 0), 0u) << a.slot[0];
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemCommands, ::testing::ValuesIn(kSystemCases),
                         [](const ::testing::TestParamInfo<SystemCase>& p) { return std::string(p.param.name); });

const char kCpu[] = "[registry HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
                    "Identifier = x86 Family 15 Model 4 Stepping 1\n"
                    "ProcessorNameString = \"   Intel(R) Pentium(R) 4 CPU 3.00GHz \t\"\n"
                    "VendorIdentifier = GenuineIntel\n";

class CpuTest : public ProfileTest {
 protected:
  void SetUp() override {}  // each test boots its own machine
  void boot(const std::string& extra) {
    text = kCpu + extra;
    SimTest::SetUp();
  }
};

TEST_F(CpuTest, ReadsTheProcessorKey) {
  boot("");
  opal_exit_t rc;
  cmd_args_t a = call(cmd_get_cpu_info, "get_cpu_info", rc);
  EXPECT_EQ(rc, EXIT_OK);
  std::vector<std::string> expected = {
      "CPU Identifier                                  : x86 Family 15 Model 4 Stepping 1",
      "Processor Name String                           : Intel(R) Pentium(R) 4 CPU 3.00GHz",
      "CPU Vendor ID                                   : GenuineIntel",
  };
  EXPECT_EQ(lines(a), expected);
}

TEST_F(CpuTest, WindowsNt4GivesNoLines) {
  boot("[os]\nmajor = 4\nminor = 0\n");
  opal_exit_t rc;
  cmd_args_t a = call(cmd_get_cpu_info, "get_cpu_info", rc);
  EXPECT_EQ(rc, EXIT_OK);
  EXPECT_EQ(a.count, 0);
}

TEST_F(CpuTest, StopsAtAValueThatCannotBeRead) {
  boot("[faults]\nregistry_read = HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\VendorIdentifier\n");
  opal_exit_t rc;
  StdoutCapture out;
  cmd_args_t a = call(cmd_get_cpu_info, "get_cpu_info", rc);
  std::string printed = out.stop();
  EXPECT_EQ(rc, EXIT_OS_CALL_ERROR);
  EXPECT_EQ(a.count, 2);
  EXPECT_NE(printed.find("Access is denied."), std::string::npos) << printed;
  EXPECT_NE(printed.find("Couldn't open a handle to VendorIdentifier"), std::string::npos) << printed;
}

TEST_F(CpuTest, KeyThatCannotBeOpened) {
  boot("[faults]\nregistry_open = HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\n");
  opal_exit_t rc;
  StdoutCapture out;
  cmd_args_t a = call(cmd_get_cpu_info, "get_cpu_info", rc);
  std::string printed = out.stop();
  EXPECT_EQ(rc, EXIT_OS_CALL_ERROR);
  EXPECT_EQ(a.count, 0);
  EXPECT_NE(printed.find("Couldn't open a handle to HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"),
            std::string::npos)
      << printed;
}

class BiosTest : public ProfileTest {
 protected:
  void SetUp() override {}
  cmd_args_t run(const std::string& profile_text, opal_exit_t& rc) {
    text = profile_text;
    SimTest::SetUp();
    machine().take_debug_output();
    return call(cmd_get_sys_bios_version, "get_sys_bios_version", rc);
  }
};

const char kBios[] =
    "[wmi Win32_BIOS]\nName = Award\nManufacturer = Phoenix\nVersion = i2:-3\nReleaseDate = null:\n"
    "SMBIOSPresent = bool:false\nSMBIOSBIOSVersion = r8:2.5\n";

TEST_F(BiosTest, ReadsEachPropertyOfTheFirstInstance) {
  opal_exit_t rc;
  cmd_args_t a = run(std::string(kBios) + "[wmi Win32_BIOS 1]\nName = second\n", rc);
  EXPECT_EQ(rc, EXIT_OK);
  std::vector<std::string> expected = {
      "Name                                            : Award",
      "Manufacturer                                    : Phoenix",
      "Version                                         : -3",
      "ReleaseDate                                     : NULL DATA",
      "SMBIOSPresent                                   : False",
      "SMBIOSBIOSVersion                               : UNSUPPORTED DATA TYPE",
  };
  EXPECT_EQ(lines(a), expected);
  EXPECT_NE(machine().take_debug_output().find("Connected to WMI successfully\n"), std::string::npos);
}

TEST_F(BiosTest, ProgramThatAlreadySetComSecurity) {
  text = kBios;
  SimTest::SetUp();
  // The program set the process's COM security before the command ran.
  ASSERT_FALSE(FAILED(oal::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  ASSERT_FALSE(FAILED(oal::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                                                RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr)));
  opal_exit_t rc;
  cmd_args_t a = call(cmd_get_sys_bios_version, "get_sys_bios_version", rc);
  oal::CoUninitialize();
  EXPECT_EQ(rc, EXIT_OK);
  EXPECT_STREQ(a.slot[0], "Name                                            : Award");
  EXPECT_STREQ(a.slot[1], "Manufacturer                                    : Phoenix");
}

struct BiosFailure {
  const char* what;
  const char* profile;
  const char* debug_message;
  int lines_left;  // slots after the first that still hold a value
};

const BiosFailure kBiosFailures[] = {
    {"no_service", "[faults]\nwmi_connect = 1\n", "ERROR: Couldn't succeed the WMI Connector\n", 0},
    {"com_refused", "[faults]\nwmi_com_init = 1\n", "ERROR: Didn't succeed CoInitializeEx\n", 0},
    {"security_refused", "[faults]\nwmi_security = 1\n", "ERROR: Couldn't succeed CoInitializeSecurity\n", 0},
    {"no_instance", "[machine]\ncomputer_name = BARE\n", "ERROR: instance 0 of Win32_BIOS class doesn't exist\n", 0},
    {"missing_property", "[wmi Win32_BIOS]\nVersion = X\n", "ERROR: prop Name of Win32_BIOS class doesn't exist\n", 1},
    {"property_fails", "[wmi Win32_BIOS]\nName = A\nVersion = B\n[faults]\nwmi_get = Win32_BIOS.Name\n",
     "ERROR: Problems while accessing prop Name of Win32_BIOS class\n", 1},
};

class BiosFailureTest : public BiosTest, public ::testing::WithParamInterface<BiosFailure> {};

TEST_P(BiosFailureTest, CommandWordThenEmptyLines) {
  const BiosFailure& f = GetParam();
  opal_exit_t rc;
  // Without the default profile's BIOS.
  base.clear();
  cmd_args_t a = run(f.profile, rc);
  EXPECT_EQ(rc, EXIT_OK);
  ASSERT_EQ(a.count, 6);
  EXPECT_STREQ(a.slot[0], "get_sys_bios_version");
  int filled = 0;
  for (int i = 1; i < 6; ++i) filled += a.slot[i][0] != 0;
  EXPECT_EQ(filled, f.lines_left);
  EXPECT_NE(machine().take_debug_output().find(f.debug_message), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Failures, BiosFailureTest, ::testing::ValuesIn(kBiosFailures),
                         [](const ::testing::TestParamInfo<BiosFailure>& p) { return std::string(p.param.what); });

TEST(WmiValueText, FollowsTheVariantType) {
  struct Case {
    VARTYPE vt;
    long number;  // the integer members' value
    const wchar_t* expected;
  } cases[] = {
      {VT_EMPTY, 0, L"DATA EMPTY"},
      {VT_NULL, 0, L"NULL DATA"},
      {VT_I2, -3, L"-3"},
      {VT_I4, 70000, L"70000"},
      {VT_UI1, 255, L"255"},
      {VT_BOOL, VARIANT_TRUE, L"True"},
      {VT_BOOL, VARIANT_FALSE, L"False"},
      {VT_R8, 0, L"UNSUPPORTED DATA TYPE"},
      // An array holds a pointer, never text or a number, whatever its elements.
      {VT_ARRAY | VT_BSTR, 0, L"UNSUPPORTED DATA TYPE"},
      {VT_ARRAY | VT_I4, 0, L"UNSUPPORTED DATA TYPE"},
  };
  for (const auto& c : cases) {
    VARIANT v{};
    v.vt = c.vt;
    switch (c.vt) {
      case VT_I2: v.iVal = static_cast<short>(c.number); break;
      case VT_I4: v.lVal = static_cast<LONG>(c.number); break;
      case VT_UI1: v.bVal = static_cast<BYTE>(c.number); break;
      case VT_BOOL: v.boolVal = static_cast<VARIANT_BOOL>(c.number); break;
      default: break;
    }
    EXPECT_EQ(wmi_value_text(v), c.expected) << c.vt;
  }
  VARIANT text{};
  text.vt = VT_BSTR;
  wchar_t bios[] = L"Award";
  text.bstrVal = bios;
  EXPECT_EQ(wmi_value_text(text), L"Award");
}

class WmiClientTest : public SimTest {};

TEST_F(WmiClientTest, RefusesBadQueriesAndCanRunAgainAfterClose) {
  WmiClient wmi;
  machine().take_debug_output();
  EXPECT_EQ(wmi.query(L"", L"Name", 0), nullptr);
  EXPECT_EQ(wmi.query(L"Win32_BIOS", L"Name", -2), nullptr);
  EXPECT_EQ(wmi.query(L"Win32_BIOS", L"Name", 1), nullptr);
  EXPECT_EQ(wmi.query(L"NoSuchClass", L"Name", 0), nullptr);
  std::string debug = machine().take_debug_output();
  EXPECT_NE(debug.find("ERROR: Object name and prop names cannot be empty\n"), std::string::npos);
  EXPECT_NE(debug.find("ERROR: instance cannot be < 0\n"), std::string::npos);
  EXPECT_NE(debug.find("ERROR: instance 1 of Win32_BIOS class doesn't exist\n"), std::string::npos);
  EXPECT_NE(debug.find("ERROR: instance 0 of NoSuchClass class doesn't exist\n"), std::string::npos);
  auto* all = wmi.query(L"Win32_BIOS", L"Name", -1);
  ASSERT_NE(all, nullptr);
  ASSERT_EQ(all->size(), 1u);
  EXPECT_EQ((*all)[0][0].type, static_cast<unsigned>(VT_BSTR));
  // Every instance of a class that has none: an empty list, no error.
  wmi.clear();
  machine().take_debug_output();
  auto* none = wmi.query(L"Win32_Fan", L"Name", -1);
  ASSERT_NE(none, nullptr);
  EXPECT_TRUE(none->empty());
  EXPECT_EQ(machine().take_debug_output(), "");
  wmi.close();
  // COM security is set once per COM lifetime: a second client works.
  WmiClient again;
  EXPECT_TRUE(again.connect());
}

TEST_F(WmiClientTest, WorksOnAThreadThatRunsSingleThreadedCom) {
  // A GUI thread: single-threaded COM, set up before the client comes.
  ASSERT_EQ(oal::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  {
    WmiClient wmi;
    auto* names = wmi.query(L"Win32_BIOS", L"Name", 0);
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(names->size(), 1u);
    wmi.close();
  }
  // The thread's own COM is still there after the client is gone.
  oal::IWbemLocator* locator = nullptr;
  EXPECT_EQ(oal::CoCreateWbemLocator(CLSCTX_INPROC_SERVER, &locator), S_OK);
  if (locator) locator->Release();
  oal::CoUninitialize();
  EXPECT_EQ(oal::CoCreateWbemLocator(CLSCTX_INPROC_SERVER, &locator), CO_E_NOTINITIALIZED);
}

class EdidCommandTest : public SimTest {
 protected:
  void TearDown() override {
    unsetenv("ULTCONF");
    SimTest::TearDown();
  }
};

TEST_F(EdidCommandTest, FileReportIsTheDecodersReport) {
  const std::string data = std::string(LUMA_TEST_DATA_DIR) + "/edid/";
  opal_exit_t rc;
  StdoutCapture out;
  cmd_args_t a = call(cmd_get_edid_info, "get_edid_info", rc, (data + "analog_crt.edid").c_str());
  std::string printed = out.stop();
  EXPECT_EQ(rc, EXIT_OK);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(printed, read_file(data + "analog_crt.expected"));
}

TEST_F(EdidCommandTest, FileErrors) {
  std::string bad = state_dir_ + "/bad.txt";
  write_file(bad, "00FFFFFF FFFFFF\n");
  struct Case {
    std::string file;
    std::string message;
  } cases[] = {
      {state_dir_ + "/none.txt", state_dir_ + "/none.txt not found\n"},
      {bad, "ERROR: " + bad + " line 1: 'FFFFFF' is not a word of 8 hexadecimal digits\n"},
  };
  for (const auto& c : cases) {
    opal_exit_t rc;
    StdoutCapture out;
    cmd_args_t a = call(cmd_get_edid_info, "get_edid_info", rc, c.file.c_str());
    EXPECT_EQ(out.stop(), c.message);
    EXPECT_EQ(rc, EXIT_INVALID_PARAM_ERROR);
    EXPECT_EQ(a.count, 0);
  }
}

class EdidPortsTest : public EdidCommandTest, public ::testing::WithParamInterface<std::pair<const char*, opal_exit_t>> {
 protected:
  std::string profile() const override {
    return std::string("base = dov\n[machine]\nwait_scale = 0\n") + GetParam().first;
  }
};

TEST_P(EdidPortsTest, CurrentDcDecidesThePorts) {
  opal_exit_t rc;
  StdoutCapture out;
  cmd_args_t a = call(cmd_get_edid_info, "get_edid_info", rc);
  std::string printed = out.stop();
  EXPECT_EQ(rc, GetParam().second);
  EXPECT_EQ(a.count, 0);
  if (rc == EXIT_OK)
    EXPECT_EQ(printed, "");  // no port is active: nothing to report
  else
    EXPECT_NE(printed.find("ERROR: Can't get current dc\n"), std::string::npos) << printed;
}

INSTANTIATE_TEST_SUITE_P(Dc, EdidPortsTest,
                         ::testing::Values(std::make_pair("[faults]\nescape_zero = all\n", EXIT_OS_CALL_ERROR),
                                           std::make_pair("[lumagraph]\ndcs = 0x0, 0x41\ndc = 0x0\n", EXIT_OK)),
                         [](const auto& p) { return p.param.second == EXIT_OK ? "no_port_active" : "unreadable"; });

TEST_F(EdidCommandTest, UltconfSilencesThePortReport) {
  setenv("ULTCONF", "1", 1);
  opal_exit_t rc;
  StdoutCapture out;
  cmd_args_t a = call(cmd_get_edid_info, "get_edid_info", rc);
  EXPECT_EQ(out.stop(), "");
  EXPECT_EQ(rc, EXIT_OK);
  EXPECT_EQ(a.count, 0);
}

}  // namespace
