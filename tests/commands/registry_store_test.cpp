// The driver's registry configuration through the commands and the
// exports, on simulated machines with and without the driver installed.
#include <cstring>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "commands/handlers.h"
#include "commands/registry_store.h"
#include "oal/oal.h"
#include "support/sim_fixture.h"

namespace {

const char kVideoKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Video\\{7D5A1E2B-3C4F-4E61-9A8B-0C1D2E3F4A5B}\\0000";
const char kLevelKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Video\\{7D5A1E2B-3C4F-4E61-9A8B-0C1D2E3F4A5B}\\0000\\All";

struct CommandRun {
  opal_exit_t code = 0;
  std::vector<std::string> lines;  // the record's result lines
  std::string out;                 // what the messages wrote
};

// Runs one command line as the console tool dispatches it.
CommandRun run(const std::string& line) {
  cmd_args_t args{};
  EXPECT_TRUE(tokenize_command_line(line.c_str(), &args)) << line;
  int32_t n = 0;
  cmd_entry_t* table = get_command_table(&n);
  CommandRun r;
  for (int32_t i = 0; i < n; ++i) {
    if (std::strcmp(table[i].name, args.slot[0]) != 0) continue;
    EXPECT_GE(args.count, table[i].min_tokens) << line;
    EXPECT_LE(args.count, table[i].max_tokens) << line;
    StdoutCapture capture;
    r.code = table[i].handler(&args);
    r.out = capture.stop();
    for (int32_t k = 0; k < args.count; ++k) r.lines.emplace_back(args.slot[k]);
    return r;
  }
  ADD_FAILURE() << "no command " << args.slot[0];
  return r;
}

std::string label(const char* name, const std::string& text) {
  char line[300];
  std::snprintf(line, sizeof line, "%-48s: %s", name, text.c_str());
  return line;
}

bool key_exists(const std::string& path) {
  HKEY key = nullptr;
  if (oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  oal::RegCloseKey(key);
  return true;
}

class RegistryStoreTest : public SimTest {
 protected:
  std::string profile() const override { return "base = dov\n[machine]\nwait_scale = 0\n"; }
  // The registry as the machine keeps it (seeded on first use).
  std::string registry_state() {
    key_exists("SOFTWARE");
    return read_file(state_dir_ + "/registry.state");
  }
};

struct RoundTrip {
  const char* set;       // set_reg_value's parameters
  const char* get;       // get_reg_value's parameters
  const char* value;     // line 0 after "Value"
  const char* type;      // the type text
  uint32_t reg_type;     // what the export reports
  const char* exported;  // the export's value text
};

TEST_F(RegistryStoreTest, EveryParameterTypeRoundTripsThroughSetGetAndASecondSession) {
  const RoundTrip cases[] = {
      {"2 0 x Name NewName", "2 0 x Name", "NewName", "STRING", REG_SZ, "NewName"},
      {"2 5 General portorder 54", "2 5 General PORTORDER", "54", "STRING", REG_SZ, "54"},
      {"2 5 General Edid 0x20", "2 5 General Edid", "0x20", "DWORD", REG_DWORD, "32"},
      {"3 4 Attributes Brightness 0", "3 4 Attributes Brightness", "0x0", "DWORD", REG_DWORD, "0"},
      {"1 4 General Limit 4294967295", "1 4 General Limit", "0xFFFFFFFF", "DWORD", REG_DWORD, "-1"},
      // What the export prints as a signed number can be given back.
      {"1 4 General Low -2147483648", "1 4 General Low", "0x80000000", "DWORD", REG_DWORD, "-2147483648"},
      {"1 0 x Flags -0x10", "1 0 x Flags", "0xFFFFFFF0", "DWORD", REG_DWORD, "-16"},
      // Configuration 0 is the default one (ConfigId 3); a leading 0 is octal.
      {"0 0 x Flags 017", "3 0 x Flags", "0xF", "DWORD", REG_DWORD, "15"},
      // A configuration and port that do not exist yet are created by the set.
      {"7 6 Dtd\\1 Timing 5", "7 6 Dtd\\1 Timing", "0x5", "DWORD", REG_DWORD, "5"},
      {"1 All x Name Renamed", "1 0 x Name", "Renamed", "STRING", REG_SZ, "Renamed"},
  };
  for (const auto& c : cases) {
    CommandRun set = run(std::string("set_reg_value ") + c.set);
    ASSERT_EQ(set.code, EXIT_OK) << c.set << set.out;
    EXPECT_TRUE(set.lines.empty());
    CommandRun get = run(std::string("get_reg_value ") + c.get);
    ASSERT_EQ(get.code, EXIT_OK) << c.get << get.out;
    EXPECT_EQ(get.lines, (std::vector<std::string>{label("Value", c.value), label("Type", c.type)})) << c.set;
    // The export's text, written back through the command, stores the same.
    if (c.reg_type == REG_DWORD) {
      std::string set_args = c.set;
      set_args = set_args.substr(0, set_args.rfind(' ') + 1) + c.exported;
      ASSERT_EQ(run("set_reg_value " + set_args).code, EXIT_OK) << set_args;
      EXPECT_EQ(run(std::string("get_reg_value ") + c.get).lines.at(0), label("Value", c.value)) << set_args;
    }
  }
  reboot();
  for (const auto& c : cases) {
    CommandRun get = run(std::string("get_reg_value ") + c.get);
    ASSERT_EQ(get.lines.size(), 2u) << c.get;
    EXPECT_EQ(get.lines[0], label("Value", c.value)) << "after a reboot: " << c.get;
  }
  char value[OPAL_REG_VALUE_SIZE];
  uint32_t type = 0;
  ASSERT_EQ(opal_get_reg_value(2, 5, "General", "Edid", value, &type), EXIT_OK);
  EXPECT_STREQ(value, "32");
  EXPECT_EQ(type, static_cast<uint32_t>(REG_DWORD));
  ASSERT_EQ(opal_set_reg_value(2, 5, "General", "Name", "Through the export"), EXIT_OK);
  ASSERT_EQ(opal_get_reg_value(2, 5, "General", "name", value, &type), EXIT_OK);
  EXPECT_STREQ(value, "Through the export");
  EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
}

TEST_F(RegistryStoreTest, ConfigIdRoundTripsAndIsStoredWithoutARangeTest) {
  CommandRun get = run("get_config_id");
  ASSERT_EQ(get.code, EXIT_OK);
  EXPECT_EQ(get.lines, std::vector<std::string>{"Default Configuration id                        : 3"});
  EXPECT_EQ(run("set_config_id 99").code, EXIT_OK);
  reboot();
  uint32_t id = 0;
  ASSERT_EQ(opal_get_config_id(&id), EXIT_OK);
  EXPECT_EQ(id, 99u);
  EXPECT_EQ(run("set_config_id -1").code, EXIT_OK);
  ASSERT_EQ(opal_get_config_id(&id), EXIT_OK);
  EXPECT_EQ(id, 0xFFFFFFFFu);
  ASSERT_EQ(opal_set_config_id(0x2), EXIT_OK);
  EXPECT_EQ(run("get_config_id").lines[0], "Default Configuration id                        : 2");
  EXPECT_EQ(opal_get_config_id(nullptr), EXIT_INVALID_PARAM_ERROR);
}

std::string name_of_default() {
  char value[OPAL_REG_VALUE_SIZE] = "";
  uint32_t type = 0;
  opal_exit_t rc = opal_get_reg_value(0, 0, nullptr, "Name", value, &type);
  return rc == EXIT_OK ? value : "error " + std::to_string(rc);
}

TEST_F(RegistryStoreTest, DefaultConfigurationFallsBackToTheFirstConfigurationThenToOne) {
  EXPECT_EQ(name_of_default(), "Extended CRT LVDS");  // ConfigId 3
  ASSERT_EQ(opal_del_reg("", "ConfigId"), EXIT_OK);
  EXPECT_EQ(name_of_default(), "Single LVDS");  // the first configuration, 1
  ASSERT_EQ(opal_del_reg("All\\1", nullptr), EXIT_OK);
  EXPECT_EQ(name_of_default(), "Clone LVDS CRT");  // now 2 comes first
  uint32_t id = 7;
  EXPECT_EQ(opal_get_config_id(&id), EXIT_REGISTRY_ERROR);
  EXPECT_EQ(id, 0u);
  ASSERT_EQ(opal_del_reg("All\\2", ""), EXIT_OK);
  ASSERT_EQ(opal_del_reg("All\\3", ""), EXIT_OK);
  // No configuration at all: 1, which a read does not create.
  std::string before = registry_state();
  EXPECT_EQ(name_of_default(), "error 8");
  EXPECT_TRUE(registry_state() == before) << "the registry changed";
  ASSERT_EQ(opal_set_reg_value(0, 0, nullptr, "Name", "First"), EXIT_OK);
  EXPECT_TRUE(key_exists(std::string(kLevelKey) + "\\1\\General"));
  EXPECT_EQ(name_of_default(), "First");
}

TEST_F(RegistryStoreTest, ReadsOfMissingKeysLeaveTheRegistryUnchanged) {
  std::string before = registry_state();
  ASSERT_FALSE(before.empty());
  const char* reads[] = {"get_reg_value 99 0 x Name",      "get_reg_value 1 7 Nowhere Brightness",
                         "get_reg_value 3 4 Attributes Nope", "get_reg_info",
                         "get_config_id",                  "get_all_software",
                         "get_inf_file",                   "get_directx_version"};
  for (const char* line : reads) run(line);
  EXPECT_EQ(run("get_reg_value 99 0 x Name").out, "The system cannot find the file specified.\r\n\n");
  EXPECT_TRUE(registry_state() == before) << "the registry changed";
  EXPECT_FALSE(key_exists(std::string(kLevelKey) + "\\99"));
}

TEST_F(RegistryStoreTest, DeletesRefuseTheVideoKeyItselfAndReportWhatIsMissing) {
  std::string before = registry_state();
  EXPECT_EQ(run("del_reg \\").code, EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(run("del_reg \\\\ ").code, EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_del_reg(nullptr, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_del_reg("", ""), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_del_reg(nullptr, "ConfigId"), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(run("del_reg All\\9").code, EXIT_REGISTRY_ERROR);
  EXPECT_EQ(run("del_reg All\\3\\General Missing").code, EXIT_REGISTRY_ERROR);
  EXPECT_EQ(run("del_reg All\\9\\General Name").code, EXIT_REGISTRY_ERROR);  // never creates the key
  EXPECT_TRUE(registry_state() == before) << "the registry changed";
  EXPECT_TRUE(key_exists(kVideoKey));

  // A value goes alone; a key goes with everything below it.
  EXPECT_EQ(run("del_reg All\\3\\General Name").code, EXIT_OK);
  EXPECT_EQ(run("get_reg_value 3 0 x Name").code, EXIT_REGISTRY_ERROR);
  EXPECT_EQ(run("get_reg_value 3 0 x PortOrder").lines[0], label("Value", "54000"));
  EXPECT_EQ(run("del_reg All\\3").code, EXIT_OK);
  EXPECT_FALSE(key_exists(std::string(kLevelKey) + "\\3"));
  EXPECT_TRUE(key_exists(std::string(kLevelKey) + "\\2\\Port\\5\\General"));
}

TEST_F(RegistryStoreTest, NumbersThatAreNotWhole32BitNumbersAreRefused) {
  std::string before = registry_state();
  const char* lines[] = {"set_reg_value 1 0 x Flags abc",  "set_reg_value 1 0 x Flags 0x100000000",
                         "set_reg_value 1 0 x Flags -2147483649", "set_reg_value 1 0 x Flags 12abc",
                         "set_reg_value 1 0 x Flags --1",  "set_reg_value 1 0 x Flags -",
                         "set_reg_value 1 0 x Flags -abc", "set_config_id -0x80000001",
                         "set_reg_value one 0 x Flags 1",  "set_reg_value 1 4x x Flags 1",
                         "get_reg_value 1x 0 x Name",      "set_config_id 12abc",
                         "set_config_id 0x1FFFFFFFF"};
  for (const char* line : lines) {
    CommandRun r = run(line);
    EXPECT_EQ(r.code, EXIT_INVALID_PARAM_ERROR) << line;
    EXPECT_EQ(r.out.rfind("ERROR: Invalid ", 0), 0u) << line << r.out;
  }
  std::string long_name(300, 'n');
  EXPECT_EQ(opal_set_reg_value(1, 0, nullptr, "Name", long_name.c_str()), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_set_reg_value(1, 0, nullptr, nullptr, "1"), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_set_reg_value(1, 4, nullptr, "Edid", "1"), EXIT_INVALID_PARAM_ERROR);
  char value[OPAL_REG_VALUE_SIZE];
  uint32_t type;
  EXPECT_EQ(opal_get_reg_value(1, 0, nullptr, "Name", nullptr, &type), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(opal_get_reg_value(1, 0, nullptr, "Name", value, nullptr), EXIT_INVALID_PARAM_ERROR);
  EXPECT_TRUE(registry_state() == before) << "the registry changed";
}

TEST_F(RegistryStoreTest, DumpShowsTheDriversInstanceServiceAndVideoKeys) {
  CommandRun r = run("get_reg_info");
  ASSERT_EQ(r.code, EXIT_OK) << r.out;
  EXPECT_TRUE(r.lines.empty());
  const std::string cls = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
  const std::string video =
      "HKLM\\System\\CurrentControlSet\\Control\\Video\\{7D5A1E2B-3C4F-4E61-9A8B-0C1D2E3F4A5B}\\0000";
  const std::string expected[] = {
      "\n" + cls + "\\0001\n\nVALUE NAME                  DATA\nDriverDate                  3-14-2006\n",
      "InfPath                     oem3.inf\n",
      "\n" + cls + "\\0001\\Settings\n\nVALUE NAME",
      "\nHKLM\\SYSTEM\\CurrentControlSet\\Services\\lumamini\n\nVALUE NAME                  DATA\n"
      "ErrorControl                00000000\nGroup                       Video\n"
      "ImagePath                   System32\\DRIVERS\\lumamini.sys\n",
      "\n" + video + "\n\nVALUE NAME                  DATA\nConfigId                    00000003\n",
      "\n" + video + "\\All\\3\\Port\\5\\General\n\nVALUE NAME                  DATA\n"
      "Edid                        00000001\nModeList                    1024x768x75,1280x1024x60\n"
      "SavedPath                   %SystemRoot%\\lumagraph\n",
      "GammaRamp                   102030\n",
      "MemoryReserve               \n",  // a type it does not show
  };
  for (const auto& text : expected) EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n---\n" << r.out;
  EXPECT_EQ(r.out.find(cls + "\\0000"), std::string::npos);  // another vendor's instance
  EXPECT_EQ(r.out.find("All\\1\\Port\n"), std::string::npos);  // keys without values have no title
  // The dump reads only.
  std::string before = registry_state();
  run("get_reg_info");
  EXPECT_TRUE(registry_state() == before) << "the registry changed";
}

class NoDriverTest : public RegistryStoreTest {
 protected:
  std::string profile() const override { return "dov-nodriver"; }
};

TEST_F(NoDriverTest, CommandsReportTheMissingDriverAndCreateNothing) {
  std::string before = registry_state();
  CommandRun info = run("get_reg_info");
  EXPECT_EQ(info.code, EXIT_REGISTRY_ERROR);
  EXPECT_EQ(info.out, "The system cannot find the file specified.\r\n\n");
  for (const char* line : {"get_reg_value 0 0 x Name", "set_reg_value 1 0 x Name a", "get_config_id",
                           "set_config_id 2", "del_reg All\\1", "get_inf_file"})
    EXPECT_EQ(run(line).code, EXIT_REGISTRY_ERROR) << line;
  EXPECT_TRUE(registry_state() == before) << "the registry changed";
}

// Registry data as the dump shows it.
struct Shown {
  DWORD type;
  std::string data;
  std::string text;
};

TEST(FormatRegData, ShowsEachTypeWithinItsStoredSizeAndTheTextSize) {
  const Shown cases[] = {
      {REG_SZ, std::string("abc\0def", 7), "abc"},
      {REG_SZ, "unterminated", "unterminated"},
      {REG_EXPAND_SZ, std::string("%x%\0", 4), "%x%"},
      {REG_BINARY, "\x01\xAB\x00\xFF", ""},
      {REG_DWORD, std::string("\x78\x56\x34\x12", 4), "12345678"},
      {REG_DWORD, std::string("\x01\x02", 2), "0201"},
      {REG_MULTI_SZ, std::string("a\0bc\0\0", 6), "a,bc"},
      {REG_MULTI_SZ, std::string("a\0\0bc\0\0", 7), "a"},
      {REG_MULTI_SZ, std::string("one\0two", 7), "one,two"},
      {REG_QWORD, std::string(8, '\1'), ""},
      {REG_NONE, "x", ""},
  };
  for (const auto& c : cases) {
    char text[kRegDataTextSize];
    std::memset(text, '#', sizeof text);
    std::string data = c.type == REG_BINARY ? std::string("\x01\xAB\x00\xFF", 4) : c.data;
    format_reg_data(c.type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), text,
                    sizeof text);
    EXPECT_EQ(text, c.type == REG_BINARY ? "01AB00FF" : c.text) << c.type << " " << c.text;
  }
  // Larger than the text: whole hex pairs up to the last byte of the text.
  std::vector<BYTE> big(300, 0xA5);
  char text[kRegDataTextSize + 8];
  std::memset(text, '#', sizeof text);
  format_reg_data(REG_BINARY, big.data(), static_cast<DWORD>(big.size()), text, kRegDataTextSize);
  EXPECT_EQ(std::strlen(text), 510u);
  EXPECT_EQ(text[kRegDataTextSize], '#');
  std::string long_text(600, 's');
  format_reg_data(REG_SZ, reinterpret_cast<const BYTE*>(long_text.data()), 600, text, kRegDataTextSize);
  EXPECT_EQ(std::strlen(text), 511u);
  format_reg_data(REG_MULTI_SZ, reinterpret_cast<const BYTE*>(long_text.data()), 600, text, kRegDataTextSize);
  EXPECT_EQ(std::strlen(text), 0u);  // a string that does not fit is left out whole
}

// Registry contents the driver never writes, and faults of the machine.
struct Broken {
  std::string profile;  // added to the dov profile
  const char* line;
  opal_exit_t code;
  const char* out;  // a text the messages hold
};

void PrintTo(const Broken& b, std::ostream* os) { *os << b.line; }

class BrokenRegistryTest : public ::testing::TestWithParam<Broken> {};

TEST_P(BrokenRegistryTest, FailsWithTheRegistryErrorAndItsText) {
  const Broken& b = GetParam();
  std::string dir = make_temp_dir("broken-reg");
  auto& m = sim::Machine::boot_text("base = dov\n" + b.profile, dir);
  ASSERT_EQ(m.fault(), nullptr) << m.fault();
  key_exists("SOFTWARE");
  std::string before = read_file(dir + "/registry.state");
  CommandRun r = run(b.line);
  EXPECT_EQ(r.code, b.code) << b.line << "\n" << r.out;
  std::string shown = r.out;
  for (const auto& line : r.lines) shown += line + "\n";
  EXPECT_NE(shown.find(b.out), std::string::npos) << b.line << "\n" << shown;
  if (std::strncmp(b.line, "get", 3) == 0) {
    EXPECT_TRUE(read_file(dir + "/registry.state") == before) << "the registry changed";
  }
  remove_tree(dir);
}

#define VIDEO_KEY "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Video\\{7D5A1E2B-3C4F-4E61-9A8B-0C1D2E3F4A5B}\\0000"
#define CLASS_KEY "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}"
const char kDenied[] = "Access is denied.\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenRegistryTest,
    ::testing::Values(
        Broken{"[faults]\nregistry_open = " CLASS_KEY "\n", "get_reg_info", EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = " CLASS_KEY "\\0000\n", "get_reg_info", EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = " CLASS_KEY "\\0000\n", "get_inf_file", EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = HKLM\\SYSTEM\\CurrentControlSet\\Services\\lumamini\n", "get_reg_info",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = HKLM\\HARDWARE\\DEVICEMAP\\VIDEO\n", "get_config_id",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = HKLM\\HARDWARE\\DEVICEMAP\\VIDEO\n", "set_reg_value 1 0 x Name a",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = HKLM\\HARDWARE\\DEVICEMAP\\VIDEO\n", "del_reg All\\1",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_open = " VIDEO_KEY "\\All\\3\\General\n", "get_reg_value 0 0 x Name",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_read = " VIDEO_KEY "\\ConfigId\n", "get_reg_value 0 0 x Name",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_read = " VIDEO_KEY "\\ConfigId\n", "get_config_id", EXIT_REGISTRY_ERROR,
               kDenied},
        Broken{"[faults]\nregistry_write = " VIDEO_KEY "\n", "set_config_id 4", EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_write = " VIDEO_KEY "\\All\\1\\General\n", "set_reg_value 1 0 x Name a",
               EXIT_REGISTRY_ERROR, kDenied},
        Broken{"[faults]\nregistry_write = " VIDEO_KEY "\\All\\1\n", "del_reg All\\1", EXIT_REGISTRY_ERROR, kDenied},
        // A device map entry without "System", a configuration id that is
        // not a 4-byte number, a text where a number belongs.
        Broken{"[registry HKLM\\HARDWARE\\DEVICEMAP\\VIDEO]\n\\Device\\Video0 = \\Registry\\Machine\\Software\\X\n",
               "get_config_id", EXIT_REGISTRY_ERROR, "names no key under System"},
        Broken{"[registry " VIDEO_KEY "]\nConfigId = two\n", "get_config_id", EXIT_REGISTRY_ERROR,
               "The data is invalid."},
        Broken{"[registry " VIDEO_KEY "]\nConfigId = qword:2\n", "get_reg_value 0 0 x Name", EXIT_REGISTRY_ERROR,
               "The data is invalid."},
        Broken{"[registry " VIDEO_KEY "\\All\\1\\General]\nEdid = hex:01,02,03,04,05,06,07,08,09\n",
               "get_reg_value 1 0 x Edid", EXIT_OK, "Type                                            : \n"},
        // Texts of 256 bytes and more are refused, not cut or overrun; a
        // path that does not fit is refused.
        Broken{"[registry " VIDEO_KEY "\\All\\1\\General]\nName = " + std::string(256, 'n') + "\n",
               "get_reg_value 1 0 x Name", EXIT_REGISTRY_ERROR, "More data is available."},
        Broken{"[registry " CLASS_KEY "\\0001]\nInfPath = " + std::string(256, 'i') + "\n", "get_inf_file",
               EXIT_REGISTRY_ERROR, "More data is available."},
        Broken{"[registry " CLASS_KEY "\\0001]\nInfPath = " + std::string(250, 'i') + "\n", "get_inf_file",
               EXIT_LOGFILE_ERROR, "ERROR: The INF file's path is too long"}));

TEST_F(RegistryStoreTest, UnterminatedTextsAreReadWithinTheirStoredSize) {
  HKEY key = nullptr;
  ASSERT_EQ(oal::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kLevelKey) + "\\1\\General").c_str(), 0,
                               KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  const char name[] = "NoEnd";  // stored without its terminating zero
  ASSERT_EQ(oal::RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), 5), ERROR_SUCCESS);
  std::string two("\x01\x02", 2);
  ASSERT_EQ(oal::RegSetValueExA(key, "Short", 0, REG_DWORD, reinterpret_cast<const BYTE*>(two.data()), 2),
            ERROR_SUCCESS);
  const char multi[] = {'a', 0, 'b'};
  ASSERT_EQ(oal::RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), 3),
            ERROR_SUCCESS);
  oal::RegCloseKey(key);
  EXPECT_EQ(run("get_reg_value 1 0 x Name").lines[0], label("Value", "NoEnd"));
  CommandRun r = run("get_reg_value 1 0 x Short");
  EXPECT_EQ(r.code, EXIT_REGISTRY_ERROR);  // a DWORD that is not 4 bytes is no number
  EXPECT_EQ(r.out, "The data is invalid.\r\n\n");
  CommandRun dump = run("get_reg_info");
  EXPECT_NE(dump.out.find("Multi                       a,b\nName                        NoEnd\n"
                          "PortOrder                   40000\nShort                       0201\n"),
            std::string::npos)
      << dump.out;
}

TEST(RegistryHandlers, RefuseANullRecordAndGiveTheirHelp) {
  // Through the joined table, as a deliverable runs them: all ten registry
  // and inventory commands are carried.
  int32_t n = 0;
  cmd_entry_t* t = get_command_table(&n);
  int rows = 0;
  for (int32_t i = 0; i < n; ++i) {
    const CommandInfo* info = find_command_info(t[i].id);
    if (!info || info->group != CommandGroup::RegistryInventory) continue;
    ++rows;
    EXPECT_EQ(t[i].handler(nullptr), EXIT_INVALID_PARAM_ERROR) << t[i].name;
    if (t[i].id != CMD_GET_REG_VALUE) continue;
    cmd_args_t args{};
    args.help = 1;
    ASSERT_EQ(t[i].handler(&args), EXIT_OK);
    ASSERT_EQ(args.count, 6);
    EXPECT_STREQ(args.slot[0], "get_reg_value 0/config_id 0/All subkey param");
    EXPECT_STREQ(args.slot[5], "\t The parameter whose value needs to be obtained");
  }
  EXPECT_EQ(rows, 10);
  release_command_table();
}

}  // namespace
