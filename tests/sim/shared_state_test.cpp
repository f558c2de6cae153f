// Several processes on one state directory at once: every change each of
// them commits is there afterwards, and a process sees what the others
// committed without restarting.
#include <gtest/gtest.h>

#include <string>

#include "oal/oal.h"
#include "support/processes.h"
#include "support/sim_fixture.h"

namespace {

const char kKey[] = "SOFTWARE\\SharedTest";

HKEY open_test_key() {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (oal::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition) !=
      ERROR_SUCCESS)
    return nullptr;
  return key;
}

bool read_dword(HKEY key, const std::string& name, DWORD& value) {
  DWORD type = 0, size = sizeof value;
  return oal::RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
             ERROR_SUCCESS &&
         type == REG_DWORD;
}

class SharedStateTest : public SimTest {
 protected:
  // A child's own boot of the machine on the shared folder.
  bool boot_child(const std::string& profile) {
    return sim::Machine::boot_text(profile, state_dir_).fault() == nullptr;
  }
};

TEST_F(SharedStateTest, RegistryWritesOfFourProcessesAllLand) {
  constexpr int kProcesses = 4, kWrites = 200;
  auto results = run_together(kProcesses, [&](int p) {
    if (!boot_child(profile())) return 2;
    for (int i = 0; i < kWrites; ++i) {
      // Each write opens the key as a command does; some create it.
      HKEY key = open_test_key();
      if (!key) return 3;
      DWORD value = static_cast<DWORD>(p * 1000 + i);
      std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
      LSTATUS status = oal::RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
      oal::RegCloseKey(key);
      if (status != ERROR_SUCCESS) return 4;
    }
    return 0;
  });
  EXPECT_EQ(results, std::vector<int>(kProcesses, 0));

  // This process sees the others' values before it reboots, and after.
  for (bool rebooted : {false, true}) {
    if (rebooted) {
      ASSERT_EQ(reboot().fault(), nullptr);
    }
    HKEY key = open_test_key();
    ASSERT_NE(key, nullptr);
    int missing = 0;
    for (int p = 0; p < kProcesses; ++p)
      for (int i = 0; i < kWrites; ++i) {
        DWORD value = 0;
        std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
        if (!read_dword(key, name, value) || value != static_cast<DWORD>(p * 1000 + i)) ++missing;
      }
    oal::RegCloseKey(key);
    EXPECT_EQ(missing, 0) << (rebooted ? "after the reboot" : "before the reboot");
  }
}

// A key another process deletes is gone for a handle opened here before.
TEST_F(SharedStateTest, AKeyDeletedElsewhereTakesNoValue) {
  HKEY key = open_test_key();
  ASSERT_NE(key, nullptr);
  auto results = run_together(1, [&](int) {
    if (!boot_child(profile())) return 2;
    return oal::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey) == ERROR_SUCCESS ? 0 : 3;
  });
  ASSERT_EQ(results, std::vector<int>{0});
  DWORD value = 7;
  EXPECT_EQ(oal::RegSetValueExA(key, "late", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
            static_cast<LSTATUS>(ERROR_KEY_DELETED));
  oal::RegCloseKey(key);
  key = open_test_key();  // created afresh: empty
  ASSERT_NE(key, nullptr);
  EXPECT_FALSE(read_dword(key, "late", value));
  oal::RegCloseKey(key);
}

// Each process changes its own screen's mode again and again; the next boot
// shows each screen in the last mode its process set.
class SharedDisplayTest : public SharedStateTest {
 protected:
  std::string profile() const override { return "base = dov-dual\n[machine]\nwait_scale = 0\n"; }
};

using ChangeEx = LONG (*)(LPCSTR, LPDEVMODEA, HWND, DWORD, LPVOID);

TEST_F(SharedDisplayTest, EachScreenKeepsTheLastModeItsProcessSet) {
  static const DWORD kModes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
  constexpr int kChanges = 30;
  const char* devices[] = {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2"};
  auto results = run_together(2, [&](int p) {
    if (!boot_child(profile())) return 2;
    auto change = oal::proc_address<ChangeEx>(oal::LoadLibraryA("user32.dll"), "ChangeDisplaySettingsExA");
    if (!change) return 3;
    for (int i = 0; i < kChanges; ++i) {
      DEVMODEA mode{};
      mode.dmSize = sizeof mode;
      mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL | DM_DISPLAYFREQUENCY;
      mode.dmPelsWidth = kModes[(i + p) % 4][0];
      mode.dmPelsHeight = kModes[(i + p) % 4][1];
      mode.dmBitsPerPel = 32;
      mode.dmDisplayFrequency = 60;
      if (change(devices[p], &mode, nullptr, CDS_UPDATEREGISTRY, nullptr) != DISP_CHANGE_SUCCESSFUL) return 4;
    }
    return 0;
  });
  ASSERT_EQ(results, std::vector<int>(2, 0));
  ASSERT_EQ(reboot().fault(), nullptr);
  for (int p = 0; p < 2; ++p)
    for (DWORD which : {ENUM_CURRENT_SETTINGS, ENUM_REGISTRY_SETTINGS}) {
      DEVMODEA mode{};
      mode.dmSize = sizeof mode;
      ASSERT_TRUE(oal::EnumDisplaySettingsA(devices[p], which, &mode)) << devices[p];
      const DWORD* last = kModes[(kChanges - 1 + p) % 4];
      EXPECT_EQ(std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight),
                std::to_string(last[0]) + "x" + std::to_string(last[1]))
          << devices[p] << (which == ENUM_CURRENT_SETTINGS ? " current" : " saved");
    }
}

// A file another process damaged is reported by the next change and left
// as it is; what was read before stays readable.
TEST_F(SharedStateTest, AChangeNeverOverwritesAFileDamagedMeanwhile) {
  auto& widget = machine().state("widget");
  ASSERT_TRUE(widget.set("kept", "1"));
  auto results = run_together(1, [&](int) {
    write_file(state_dir_ + "/widget.state.new", "not a state file\n");
    return std::rename((state_dir_ + "/widget.state.new").c_str(), (state_dir_ + "/widget.state").c_str());
  });
  ASSERT_EQ(results, std::vector<int>{0});
  EXPECT_FALSE(widget.set("other", "2"));
  EXPECT_NE(widget.last_error().find("damaged"), std::string::npos) << widget.last_error();
  EXPECT_EQ(read_file(state_dir_ + "/widget.state"), "not a state file\n");
  EXPECT_EQ(widget.get_or("kept", ""), "1");
}

}  // namespace
