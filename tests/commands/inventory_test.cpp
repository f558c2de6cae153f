// The inventory commands: the INF file, the DirectX version through the
// carried setup library, and the installed software, on simulated machines.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/command_table.h"
#include "commands/handlers.h"
#include "commands/inventory.h"
#include "dsetup/directx_version.h"
#include "support/sim_fixture.h"

namespace {

struct Output {
  opal_exit_t code = 0;
  std::string lines;  // result lines, each with a line end
  std::string out;    // messages
};

Output call(cmd_handler_t handler) {
  cmd_args_t args{};
  args.count = 1;
  StdoutCapture capture;
  Output o;
  o.code = handler(&args);
  o.out = capture.stop();
  for (int i = 0; i < args.count; ++i) o.lines += std::string(args.slot[i]) + "\n";
  return o;
}

// A machine of its own per case, removed with the object.
class Machine {
 public:
  // It works in a folder of its own, as the current directory.
  explicit Machine(const std::string& profile)
      : dir_(make_temp_dir("inventory")), cwd_(std::filesystem::current_path()) {
    std::filesystem::create_directory(dir_ + "/cwd");
    std::filesystem::current_path(dir_ + "/cwd");
    auto& m = sim::Machine::boot_text(profile, dir_);
    EXPECT_EQ(m.fault(), nullptr) << m.fault();
  }
  ~Machine() {
    std::filesystem::current_path(cwd_);
    remove_tree(dir_);
  }
  std::string path(const std::string& rest) const { return dir_ + "/" + rest; }

 private:
  std::string dir_;
  std::filesystem::path cwd_;
};

struct Revision {
  uint32_t revision;
  const char* name;
};

TEST(DirectXVersion, RevisionsNameTheirVersionFirstMatchWinning) {
  const Revision rows[] = {{0x1032A, "8.1"}, {0x10371, "8.1"}, {0x10385, "8.1a"}, {0x20386, "8.2"},
                           {0x384, "9"},     {0x385, "9a"},    {0x386, "9b"},     {0x387, "9c"},
                           {0x388, "9c"},    {0x999, "Unknown"}, {0, "Unknown"},  {0x388 | 0x10000, "Unknown"}};
  for (const auto& r : rows) EXPECT_STREQ(directx_version_name(r.revision), r.name) << std::hex << r.revision;
}

struct VersionText {
  std::string text;
  bool ok;
  uint32_t version, revision;
};

TEST(DirectXVersion, RegistryTextGivesVersionAndRevision) {
  const VersionText cases[] = {
      {"4.09.00.0904", true, 0x40009, 0x388},
      {std::string("4.09.00.0904\0\0", 14), true, 0x40009, 0x388},
      {"4.08.01.0810", true, 0x40008, 0x1032A},
      {"4.08.02.0902", true, 0x40008, 0x20386},
      {"65535.0.65535.65535", true, 0xFFFF0000, 0xFFFFFFFF},
      {"", false, 0, 0},
      {"4.09.00", false, 0, 0},
      {"4.09.00.0904.1", false, 0, 0},
      {"4..00.0904", false, 0, 0},
      {"4.09.00.0904.", false, 0, 0},
      {"4.09.00.0904x", false, 0, 0},
      {"4.09.00.65536", false, 0, 0},
      {"4.09.00.000000904", false, 0, 0},
      {" 4.09.00.0904", false, 0, 0},
      {"4.09.00.-1", false, 0, 0},
      {std::string("4.09.00.0904\0junk", 17), false, 0, 0},
  };
  for (const auto& c : cases) {
    uint32_t version = 7, revision = 7;
    EXPECT_EQ(dsetup::version_from_text(c.text.data(), c.text.size(), &version, &revision), c.ok) << c.text;
    EXPECT_EQ(version, c.ok ? c.version : 7u) << c.text;
    EXPECT_EQ(revision, c.ok ? c.revision : 7u) << c.text;
  }
}

std::string directx_line(const char* name) {
  char line[100];
  std::snprintf(line, sizeof line, "%-48s: %s\n", "DirectX Version", name);
  return line;
}

struct Installed {
  std::string profile;  // after the default machine's own
  const char* name;
};

TEST(DirectXVersion, CommandAsksTheCarriedLibraryAndCleansUp) {
  const Installed cases[] = {
      {"", "9c"},
      {"[registry HKLM\\SOFTWARE\\Microsoft\\DirectX]\nVersion = 4.09.00.0900\n", "9"},
      {"[registry HKLM\\SOFTWARE\\Microsoft\\DirectX]\nVersion = 4.08.01.0901\n", "8.1a"},
      {"[registry HKLM\\SOFTWARE\\Microsoft\\DirectX]\nVersion = 4.08.02.0902\n", "8.2"},
      {"[registry HKLM\\SOFTWARE\\Microsoft\\DirectX]\nVersion = 4.09.00.0999\n", "Unknown"},
      {"[registry HKLM\\SOFTWARE\\Microsoft\\DirectX]\nVersion = 9.0c\n", "Unknown"},
      {"[registry HKLM\\SOFTWARE\\Microsoft\\DirectX]\nVersion = dword:0x388\n", "Unknown"},
      {"[faults]\nregistry_read = HKLM\\SOFTWARE\\Microsoft\\DirectX\\Version\n", "Unknown"},
  };
  for (const auto& c : cases) {
    Machine m("base = dov\n" + c.profile);
    // A user's file of the library's name in the current folder is no
    // business of the command.
    write_file("Dsetup.dll", "a user's file");
    Output o = call(cmd_get_directx_version);
    EXPECT_EQ(o.code, EXIT_OK);
    EXPECT_EQ(o.lines, directx_line(c.name)) << c.profile;
    EXPECT_EQ(read_file("Dsetup.dll"), "a user's file");
    EXPECT_TRUE(std::filesystem::is_empty(m.path("drive_c/WINDOWS/Temp"))) << "the written library stays behind";
  }
  // A machine without DirectX, and one where the library cannot be written.
  {
    Machine m("[machine]\nwait_scale = 0\n");
    EXPECT_EQ(call(cmd_get_directx_version).lines, directx_line("Unknown"));
  }
  {
    Machine m("base = dov\n");
    std::filesystem::remove(m.path("drive_c/WINDOWS/Temp"));
    Output o = call(cmd_get_directx_version);
    EXPECT_EQ(o.code, EXIT_OK);
    EXPECT_EQ(o.lines, directx_line("Unknown"));
    EXPECT_EQ(o.out, "The directory name is invalid.\r\n\n");
  }
}

TEST(AllSoftware, NamesAreSortedIgnoringLetterCase) {
  {
    Machine m("base = dov\n");
    Output o = call(cmd_get_all_software);
    EXPECT_EQ(o.code, EXIT_OK);
    EXPECT_EQ(o.lines, "");
    EXPECT_EQ(o.out,
              "7-Zip 4.42\nAdobe Reader 7.0.5\nmicrosoft .NET Framework 1.1\nVarnel Lumagraph Graphics Driver\n"
              "Windows XP Hotfix - KB896358\nWinZip\n");
  }
  {
    const char* key = "[registry HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    Machine m(std::string(key) + "1]\nDisplayName = beta\n" + key + "2]\nDisplayName = Alpha\n" + key +
              "3]\nDisplayName = gamma\n" + key + "4]\nDisplayName = hex:41,00\n" + key +
              "5]\nDisplayName = " + std::string(300, 'z') + "\n");
    EXPECT_EQ(call(cmd_get_all_software).out, "Alpha\nbeta\ngamma\n");
  }
  {
    Machine m("[machine]\nwait_scale = 0\n");  // no programs, no uninstall key
    Output o = call(cmd_get_all_software);
    EXPECT_EQ(o.code, EXIT_OK);
    EXPECT_EQ(o.out, "");
  }
  {
    // Names read before a failure are still written.
    Machine m("base = dov\n[faults]\nregistry_open = "
              "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinZip\n");
    Output o = call(cmd_get_all_software);
    EXPECT_EQ(o.code, EXIT_REGISTRY_ERROR);
    EXPECT_EQ(o.out,
              "Access is denied.\r\n\n7-Zip 4.42\nmicrosoft .NET Framework 1.1\nVarnel Lumagraph Graphics Driver\n"
              "Windows XP Hotfix - KB896358\n");
  }
}

const char kInfHead[] = "-----INF FILE INFORMATION-----\n\n";

TEST(InfFile, WritesEveryNonEmptyLineOfTheDriversFile) {
  Machine m("base = dov\n");
  Output o = call(cmd_get_inf_file);
  ASSERT_EQ(o.code, EXIT_OK) << o.out;
  EXPECT_EQ(o.lines, "");
  EXPECT_EQ(o.out.rfind(std::string(kInfHead) + "; lumamini.inf\r\n;\r\n; Installation file", 0), 0u) << o.out;
  EXPECT_NE(o.out.find("DriverVer=03/14/2006,14.21.0.4436\r\n\r\n[DestinationDirs]\r\n"), std::string::npos);

  // The last line counts without a line feed; empty lines are left out.
  write_file(m.path("drive_c/WINDOWS/inf/oem3.inf"), "first\r\n\n\nsecond\nlast");
  EXPECT_EQ(call(cmd_get_inf_file).out, std::string(kInfHead) + "first\r\nsecond\nlast\n");
  write_file(m.path("drive_c/WINDOWS/inf/oem3.inf"), "");
  EXPECT_EQ(call(cmd_get_inf_file).out, kInfHead);

  ASSERT_EQ(truncate(m.path("drive_c/WINDOWS/inf/oem3.inf").c_str(), kInfFileMax + 1), 0);
  o = call(cmd_get_inf_file);
  EXPECT_EQ(o.code, EXIT_LOGFILE_ERROR);
  EXPECT_EQ(o.out, "ERROR: The INF file C:\\WINDOWS\\inf\\oem3.inf is larger than 4194304 bytes\n");

  std::filesystem::remove(m.path("drive_c/WINDOWS/inf/oem3.inf"));
  o = call(cmd_get_inf_file);
  EXPECT_EQ(o.code, EXIT_LOGFILE_ERROR);
  EXPECT_EQ(o.out, "The system cannot find the file specified.\r\n\n");
}

struct InfCase {
  const char* profile;
  opal_exit_t code;
  const char* out;
};

TEST(InfFile, OlderSystemsFailuresAndMachinesWithoutTheDriver) {
  const InfCase cases[] = {
      {"base = dov\n[os]\nmajor = 4\n", EXIT_OK, ""},
      {"base = dov\n[faults]\nversion = fail\n", EXIT_OS_CALL_ERROR, "Incorrect function.\r\n\n"},
      {"base = dov-nodriver\n", EXIT_REGISTRY_ERROR, ""},
      {"base = dov\n[faults]\ndeny_files = C:\\WINDOWS\\inf\\oem3.inf\n", EXIT_LOGFILE_ERROR,
       "Access is denied.\r\n\n"},
      {"base = ava\n", EXIT_OK, kInfHead},
  };
  for (const auto& c : cases) {
    Machine m(c.profile);
    Output o = call(cmd_get_inf_file);
    EXPECT_EQ(o.code, c.code) << c.profile;
    EXPECT_EQ(o.out.substr(0, std::strlen(c.out)), c.out) << c.profile;
    if (c.code != EXIT_OK || !*c.out) {
      EXPECT_EQ(o.out, c.out) << c.profile;
    }
  }
}

TEST(InfFile, LinesAreSplitAtLineFeedsOnly) {
  std::vector<std::string> seen;
  auto collect = [&](const char* line) { seen.emplace_back(line); };
  const std::string text("a\r\n\r\n\nb\rc\n\n");
  for_each_inf_line(text.data(), text.size(), collect);
  EXPECT_EQ(seen, (std::vector<std::string>{"a\r", "\r", "b\rc"}));
  seen.clear();
  for_each_inf_line("\n\n", 2, collect);
  EXPECT_TRUE(seen.empty());
}

}  // namespace
