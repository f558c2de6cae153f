// The simulated machine's profiles, saved state and Windows paths.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "oal/oal.h"
#include "sim/builtin_profiles.h"
#include "sim/modules.h"
#include "sim/profile.h"
#include "support/sim_fixture.h"

namespace {

struct BadProfile {
  const char* text;
  const char* error;
};

TEST(Profile, MalformedTextIsRefusedWithItsLine) {
  const BadProfile cases[] = {
      {"[os]\nmajor 5\n", "test:2: expected 'key = value'"},
      {"[os\n", "test:1: a section header must end with ']'"},
      {"[]\n", "test:1: a section needs a name"},
      {"major = 5\n", "test:1: 'major' must stand inside a [section]"},
      {"[os]\n= 5\n", "test:2: a key is missing before '='"},
      {"base = nosuch\n", "test:1: no built-in profile named 'nosuch'"},
      {"[os]\nmajor = \x01\n", "test:2: the line holds bytes that are not text"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(sim::Profile::parse(c.text, "test", error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

TEST(Profile, BaseIsExtendedAndOverridden) {
  std::string error;
  auto p = sim::Profile::parse("# mine\nbase = dov\n[os]\nminor = 0\n[extra 2]\n[extra 10]\n[extra 1]\n", "mine", error);
  ASSERT_TRUE(p) << error;
  EXPECT_EQ(p->name(), "mine");
  EXPECT_EQ(p->number("os", "major", 0), 5);  // from the base
  EXPECT_EQ(p->number("os", "minor", 9), 0);  // overridden
  EXPECT_EQ(p->sections_named("extra"), (std::vector<std::string>{"extra 1", "extra 2", "extra 10"}));
}

TEST(Profile, EveryBuiltInProfileBoots) {
  for (const auto& name : sim::builtin_profile_names()) {
    std::string dir = make_temp_dir("state");
    auto& m = sim::Machine::boot(name, dir);
    EXPECT_EQ(m.fault(), nullptr) << name << ": " << m.fault();
    remove_tree(dir);
  }
}

TEST(Profile, MissingProfileFileIsAClearFault) {
  std::string dir = make_temp_dir("state");
  auto& m = sim::Machine::boot("/nonexistent/machine.profile", dir);
  remove_tree(dir);
  ASSERT_NE(m.fault(), nullptr);
  EXPECT_STREQ(m.fault(), "simulated machine: cannot open the profile file /nonexistent/machine.profile");
  EXPECT_NE(oal::platform_fault(), nullptr);
}

TEST(Profile, WaitScaleMustBeFiniteAndSane) {
  const std::pair<const char*, bool> cases[] = {
      {"0", true},    {"0.25", true}, {"1000", true}, {"inf", false},  {"-inf", false},
      {"nan", false}, {"1e13", false}, {"1001", false}, {"-1", false}, {"fast", false},
  };
  std::string dir = make_temp_dir("state");
  for (auto [scale, good] : cases) {
    auto& m = sim::Machine::boot_text(std::string("base = dov\n[machine]\nwait_scale = ") + scale + "\n", dir);
    EXPECT_EQ(m.fault() == nullptr, good) << scale << ": " << (m.fault() ? m.fault() : "");
    if (!good && m.fault()) {
      EXPECT_NE(std::string(m.fault()).find("wait_scale must be a number from 0 to 1000"), std::string::npos) << m.fault();
    }
  }
  remove_tree(dir);
}

TEST(Profile, KillAtWriteTakesOnlyAWriteNumber) {
  const std::pair<const char*, bool> cases[] = {
      {"1", true}, {"400", true}, {"0", false}, {"-3", false}, {"", false}, {"2x", false}, {"99999999999999999999", false},
  };
  for (auto [n, good] : cases) {
    // Without a state folder the fault is checked but never armed.
    auto& m = sim::Machine::boot_text(std::string("base = dov\n[faults]\nkill_at_write = ") + n + "\n", "");
    EXPECT_EQ(m.fault() == nullptr, good) << n << ": " << (m.fault() ? m.fault() : "");
    if (!good && m.fault()) {
      EXPECT_NE(std::string(m.fault()).find("kill_at_write"), std::string::npos) << m.fault();
    }
  }
}

TEST(Machine, WithoutAStateFolderItsDrivesLiveInAPrivateTemporaryFolder) {
  std::string drive;
  {
    auto& m = sim::Machine::boot_text("base = dov\n[machine]\nwait_scale = 0\n", "");
    ASSERT_EQ(m.fault(), nullptr) << m.fault();
    drive = m.host_path("C:\\");
    EXPECT_NE(drive.rfind("/drive_c", 0), 0u) << drive;
    std::string folder = drive.substr(0, drive.size() - std::string("/drive_c/").size());
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0) << folder;
    EXPECT_EQ(st.st_mode & 077, 0u) << "the folder is private";
    // A file written on C: lands there.
    FILE* f = oal::fopen("C:\\note.txt", "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(::stat((drive + "note.txt").c_str(), &st), 0);
  }
  // The next machine takes its place and the folder goes with the old one.
  std::string dir = make_temp_dir("state");
  sim::Machine::boot("dov", dir);
  struct stat st {};
  EXPECT_NE(::stat(drive.c_str(), &st), 0) << drive;
  remove_tree(dir);
}

class StateTest : public SimTest {};

TEST_F(StateTest, ChangesSurviveARebootAndEscapesRoundTrip) {
  std::string tricky = "a\\b\nc\rd=e";
  ASSERT_TRUE(machine().state("widget").set("key", tricky));
  ASSERT_TRUE(machine().state("widget").set_number("n", -5));
  auto& m = reboot();
  EXPECT_EQ(m.state("widget").get_or("key", ""), tricky);
  EXPECT_EQ(m.state("widget").number_or("n", 0), -5);
  // Written whole: no temporary files are left beside it.
  std::string listing = read_file(state_dir_ + "/widget.state");
  EXPECT_EQ(listing.rfind("# luma-sim state 1\n", 0), 0u);
}

TEST_F(StateTest, KeysThatCannotReadBackAreRefused) {
  auto& widget = machine().state("widget");
  ASSERT_TRUE(widget.set("good", "1"));
  for (const char* key : {"", "a=b", "line\nbreak", "cr\r"}) {
    EXPECT_FALSE(widget.set(key, "x")) << key;
    EXPECT_FALSE(widget.set_many({{"other", "2"}, {key, "x"}})) << key;
  }
  // Nothing of a refused batch was kept, and the file still reads back.
  auto& m = reboot();
  ASSERT_EQ(m.fault(), nullptr);
  EXPECT_EQ(m.state("widget").keys(), std::vector<std::string>{"good"});
}

TEST_F(StateTest, DamagedStateIsReportedAndLeftAlone) {
  const char* damaged[] = {"garbage\n", "# luma-sim state 1\nno equals sign\n", "# luma-sim state 1\nk=bad\\escape\n", ""};
  for (const char* content : damaged) {
    write_file(state_dir_ + "/widget.state", content);
    auto& m = reboot();
    ASSERT_NE(m.fault(), nullptr) << content;
    EXPECT_NE(std::string(m.fault()).find("widget.state"), std::string::npos) << m.fault();
    EXPECT_EQ(read_file(state_dir_ + "/widget.state"), content);
  }
}

TEST_F(StateTest, StateDirectoryBelongsToItsProfile) {
  auto& m = sim::Machine::boot("dov", state_dir_);
  ASSERT_NE(m.fault(), nullptr);
  EXPECT_NE(std::string(m.fault()).find("belongs to the profile 'test', not 'dov'"), std::string::npos) << m.fault();
}

TEST_F(StateTest, WindowsPathsMapIntoTheMachine) {
  EXPECT_EQ(machine().host_path("C:\\WINDOWS\\hwpeek.sys"), state_dir_ + "/drive_c/WINDOWS/hwpeek.sys");
  EXPECT_EQ(machine().host_path("d:/data"), state_dir_ + "/drive_d/data");
  EXPECT_EQ(machine().host_path("sub\\file.txt"), "sub/file.txt");
  EXPECT_EQ(machine().host_path("/tmp/x"), "/tmp/x");
  // A drive's path never climbs out of the drive's folder.
  const std::pair<const char*, const char*> drive_cases[] = {
      {"C:\\..\\..\\etc\\passwd", "/drive_c/etc/passwd"},
      {"C:\\WINDOWS\\..\\..\\x", "/drive_c/x"},
      {"C:\\a\\.\\b\\..\\c", "/drive_c/a/c"},
      {"C:\\WINDOWS\\", "/drive_c/WINDOWS/"},
      {"C:\\", "/drive_c/"},
      {"C:", "/drive_c/"},
  };
  for (auto [windows, host] : drive_cases) EXPECT_EQ(machine().host_path(windows), state_dir_ + host) << windows;
  char dir[MAX_PATH];
  ASSERT_EQ(oal::GetWindowsDirectoryA(dir, sizeof dir), 10u);
  EXPECT_STREQ(dir, "C:\\WINDOWS");
  EXPECT_EQ(oal::GetWindowsDirectoryA(dir, 5), 11u);  // too small: the size needed
}

TEST_F(StateTest, FilesBehaveAsOnWindows) {
  const std::string path = "C:\\WINDOWS\\test.bin";
  HANDLE f = oal::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(oal::WriteFile(f, "abc", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  ASSERT_TRUE(oal::CloseHandle(f));
  EXPECT_FALSE(oal::CloseHandle(f));
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  EXPECT_EQ(oal::CreateFileA("C:\\WINDOWS\\none", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(oal::CreateFileA("C:\\NODIR\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // MoveFile never replaces; DeleteFile of a missing file fails.
  ASSERT_TRUE(oal::CopyFileA(path.c_str(), "C:\\WINDOWS\\copy.bin", TRUE));
  EXPECT_FALSE(oal::MoveFileA("C:\\WINDOWS\\copy.bin", path.c_str()));
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(oal::DeleteFileA(path.c_str()));
  ASSERT_TRUE(oal::MoveFileA("C:\\WINDOWS\\copy.bin", path.c_str()));
  ASSERT_TRUE(oal::DeleteFileA(path.c_str()));
  EXPECT_FALSE(oal::DeleteFileA(path.c_str()));
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

class DeniedFileTest : public SimTest {
 protected:
  std::string profile() const override { return "base = dov\n[faults]\ndeny_files = C:\\WINDOWS\\hwpeek.sys\n"; }
};

TEST_F(DeniedFileTest, ProfileCanDenyAFile) {
  EXPECT_EQ(oal::CreateFileA("c:\\windows\\HWPEEK.SYS", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // Another spelling of the same file is denied too.
  EXPECT_EQ(oal::CreateFileA("C:\\WINDOWS\\..\\windows\\.\\hwpeek.sys", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                             nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(StateTest, LibrariesLoadByWindowsName) {
  HMODULE user32 = oal::LoadLibraryA("USER32.DLL");
  ASSERT_NE(user32, nullptr);
  EXPECT_EQ(oal::GetProcAddress(user32, "NoSuchEntry"), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_TRUE(oal::FreeLibrary(user32));
  EXPECT_EQ(oal::LoadLibraryA("no_such_library.dll"), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(sim::shared_library_file("test_mini_dll.dll"), "libtest_mini_dll.so");
  EXPECT_EQ(sim::shared_library_file("C:\\x\\Other.DLL"), "libOther.so");
}

class FailingLibraryTest : public SimTest {
 protected:
  std::string profile() const override { return "base = dov\n[faults]\nload_library = user32.dll\n"; }
};

TEST_F(FailingLibraryTest, ProfileCanMakeALibraryMissing) {
  EXPECT_EQ(oal::LoadLibraryA("user32.dll"), nullptr);
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

struct LoadCase {
  const char* memory;
  DWORD load;
};

class MemoryLoadTest : public SimTest, public ::testing::WithParamInterface<LoadCase> {
 protected:
  std::string profile() const override { return std::string("base = dov\n[memory]\n") + GetParam().memory; }
};

TEST_P(MemoryLoadTest, LoadIsTheShareOfPhysicalMemoryInUse) {
  MEMORYSTATUS status{};
  oal::GlobalMemoryStatus(&status);
  EXPECT_EQ(status.dwMemoryLoad, GetParam().load);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, MemoryLoadTest,
    ::testing::Values(LoadCase{"total_phys = 1000\navail_phys = 250\n", 75},
                      LoadCase{"total_phys = 1000\navail_phys = 1000\n", 0},
                      // More available than there is: no load, not a wrapped one.
                      LoadCase{"total_phys = 1000\navail_phys = 4000\n", 0},
                      LoadCase{"total_phys = 0\navail_phys = 10\n", 0},
                      LoadCase{"total_phys = 1000\navail_phys = 4000\nload = 42\n", 42}),
    [](const auto& param) { return "case" + std::to_string(param.index); });

TEST_F(StateTest, SystemTextsEndWithALineBreakAsOnWindows) {
  char* text = nullptr;
  DWORD n = oal::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, ERROR_SERVICE_ALREADY_RUNNING, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  ASSERT_GT(n, 0u);
  EXPECT_STREQ(text, "An instance of the service is already running.\r\n");
  oal::LocalFree(text);
}

}  // namespace
