// The simulated machine's state when the console tool is killed at any
// moment of a session that installs the register access driver and changes
// the display settings: the next run loads the state, each change is there
// whole or not at all, and the next install clears what the killed run left.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "lumainfo.h"
#include "oal/oal.h"
#include "support/run_tool.h"
#include "support/sim_fixture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const char kModes[] = "set_scrn_res all 800x600x60\nset_scrn_res all 1024x768x60\n";

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = make_temp_dir("kill-state");
    work_ = make_temp_dir("kill-work");
    profile_ = work_ + "/machine.profile";
    write_file(profile_, "base = dov-dual\n[machine]\nwait_scale = 0\n");
    std::string script;
    for (int i = 0; i < 15; ++i) script += kModes;
    write_file(work_ + "/script.txt", script + "quit\n");
  }
  void TearDown() override {
    remove_tree(work_);
    remove_tree(state_);
  }

  // Starts luma_qrt --script on the script; returns its process id.
  pid_t start() {
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(work_.c_str()) != 0) _exit(127);
      int in = open("script.txt", O_RDONLY);
      int out = open("/dev/null", O_WRONLY);
      if (in < 0 || out < 0) _exit(127);
      dup2(in, 0);
      dup2(out, 1);
      dup2(out, 2);
      setenv("LUMA_SIM_STATE", state_.c_str(), 1);
      setenv("LUMA_SIM_PROFILE", profile_.c_str(), 1);
      std::string program = std::string(LUMA_BIN_DIR) + "/luma_qrt";
      execl(program.c_str(), "luma_qrt", "--script", static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  }

  // Each screen's current and saved mode is one of the modes the script sets
  // or the one it started from, never a mix of two.
  void expect_whole_modes(const std::set<std::string>& allowed, const std::string& when) {
    auto& m = sim::Machine::boot(profile_, state_);
    ASSERT_EQ(m.fault(), nullptr) << when << ": " << m.fault();
    for (const char* device : {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2"})
      for (DWORD which : {ENUM_CURRENT_SETTINGS, ENUM_REGISTRY_SETTINGS}) {
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        ASSERT_TRUE(oal::EnumDisplaySettingsA(device, which, &mode)) << when << " " << device;
        std::string text = std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "x" +
                           std::to_string(mode.dmDisplayFrequency);
        EXPECT_TRUE(allowed.count(text)) << when << ": " << device << " shows " << text;
      }
    sim::Machine::boot(profile_, "");  // let go of the state folder
  }

  std::vector<std::string> leftovers() {
    std::vector<std::string> names;
    if (DIR* d = opendir(state_.c_str())) {
      while (dirent* e = readdir(d))
        if (std::string(e->d_name).find(".tmp.") != std::string::npos) names.push_back(e->d_name);
      closedir(d);
    }
    return names;
  }

  std::string state_, work_, profile_;
};

std::string current_mode_text(const std::string& profile, const std::string& state) {
  auto& m = sim::Machine::boot(profile, state);
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  std::string text = "?";
  if (!m.fault() && oal::EnumDisplaySettingsA("\\\\.\\DISPLAY1", ENUM_CURRENT_SETTINGS, &mode))
    text = std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "x" +
           std::to_string(mode.dmDisplayFrequency);
  sim::Machine::boot(profile, "");
  return text;
}

TEST_F(KillTest, EveryKillLeavesAStateTheNextRunLoadsAndClears) {
  std::set<std::string> allowed = {current_mode_text(profile_, state_), "800x600x60", "1024x768x60"};
  // One whole run, timed, so the kills spread over a session's length.
  auto begin = Clock::now();
  pid_t whole = start();
  int status = 0;
  ASSERT_EQ(waitpid(whole, &status, 0), whole);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin).count();
  ASSERT_GT(span, 0);

  const int kKills = 40;
  std::srand(16);
  for (int i = 0; i < kKills; ++i) {
    std::string when = "kill " + std::to_string(i);
    pid_t pid = start();
    long delay = span * i / kKills + std::rand() % (span / kKills + 1);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    expect_whole_modes(allowed, when);

    // The next run installs the driver over whatever was left, runs and
    // removes it again.
    ToolRun next = run_tool("luma_qrt", {"--script"}, "get_current_disp_mode\nquit\n",
                            {{"LUMA_SIM_STATE", state_}, {"LUMA_SIM_PROFILE", profile_}});
    remove_tree(next.dir);
    ASSERT_EQ(next.status, 0) << when << "\n" << next.console;
    EXPECT_NE(next.log.find("ULTSUMMARY 1 0"), std::string::npos) << when << "\n" << next.log;
    std::string services = read_file(state_ + "/services.state");
    EXPECT_EQ(services.find("hwpeek."), std::string::npos) << when << "\n" << services;
    EXPECT_NE(::access((state_ + "/drive_c/WINDOWS/hwpeek.sys").c_str(), F_OK), 0) << when;
    EXPECT_EQ(leftovers(), std::vector<std::string>{}) << when;
    if (HasFailure()) break;
  }
}

}  // namespace
