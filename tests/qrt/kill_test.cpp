// The simulated machine's state when the console tool is killed at any
// moment of a session that installs the register access driver and changes
// the display settings and the driver's registry configuration: the next run
// loads the state, each change is there whole or not at all, and the next
// install clears what the killed run left.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "commands/registry_store.h"
#include "lumainfo.h"
#include "oal/oal.h"
#include "support/run_tool.h"
#include "support/sim_fixture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// What the script changes in the registry, as the next run reads it.
struct RegistryView {
  std::string name;        // configuration 3's "Name"
  std::string brightness;  // configuration 3, port 4: "Brightness"
  std::string config_id;   // the default configuration id
  std::string first;       // configuration 1 with everything below it; "" when gone

  bool operator==(const RegistryView& o) const {
    return name == o.name && brightness == o.brightness && config_id == o.config_id && first == o.first;
  }
};

std::ostream& operator<<(std::ostream& out, const RegistryView& v) {
  return out << "{Name " << v.name.substr(0, 12) << ", Brightness " << v.brightness << ", ConfigId " << v.config_id
             << ", configuration 1 " << (v.first.empty() ? "gone" : "there") << "}";
}

// One line of the script and what it does to the registry.
struct ScriptStep {
  std::string line;
  void (*change)(RegistryView&, int round);
  int round;
};

std::string round_name(int round) { return "Round" + std::to_string(round) + "-" + std::string(200, 'a' + round); }

// Rounds that each change both screens' modes twice and three registry
// values; one of them also deletes a whole configuration. The names are long
// so that a torn value would show.
std::vector<ScriptStep> session_script(int rounds, int delete_round) {
  auto none = [](RegistryView&, int) {};
  std::vector<ScriptStep> steps;
  for (int r = 0; r < rounds; ++r) {
    steps.push_back({"set_scrn_res all 800x600x60", none, r});
    steps.push_back({"set_reg_value 3 0 x Name " + round_name(r), [](RegistryView& v, int n) { v.name = round_name(n); }, r});
    steps.push_back({"set_reg_value 3 4 Attributes Brightness " + std::to_string(100 + r),
                     [](RegistryView& v, int n) { v.brightness = std::to_string(100 + n); }, r});
    steps.push_back({"set_config_id " + std::to_string(10 + r),
                     [](RegistryView& v, int n) { v.config_id = std::to_string(10 + n); }, r});
    if (r == delete_round) steps.push_back({"del_reg All\\1", [](RegistryView& v, int) { v.first.clear(); }, r});
    steps.push_back({"set_scrn_res all 1024x768x60", none, r});
  }
  return steps;
}

// Every state of the registry the script passes through from `start`.
std::vector<RegistryView> states_through(const std::vector<ScriptStep>& script, const RegistryView& start) {
  std::vector<RegistryView> states{start};
  for (const ScriptStep& step : script) {
    RegistryView next = states.back();
    step.change(next, step.round);
    states.push_back(next);
  }
  return states;
}

// A key's values and subkeys as text, depth first in enumeration order.
void describe_key(HKEY key, const std::string& indent, std::string& out) {
  char name[256];
  BYTE data[1024];
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name, data_size = sizeof data, type = 0;
    if (oal::RegEnumValueA(key, i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS) break;
    out += indent + std::string(name, name_size) + " " + std::to_string(type) + " " +
           std::string(reinterpret_cast<char*>(data), data_size) + "\n";
  }
  for (DWORD i = 0;; ++i) {
    DWORD name_size = sizeof name;
    if (oal::RegEnumKeyExA(key, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    std::string sub(name, name_size);
    ASSERT_EQ(oal::RegOpenKeyExA(key, sub.c_str(), 0, KEY_READ, &child), ERROR_SUCCESS) << sub;
    out += indent + "[" + sub + "]\n";
    describe_key(child, indent + "  ", out);
    oal::RegCloseKey(child);
  }
}

// The registry view on the machine as booted now.
RegistryView read_registry() {
  RegistryView v;
  char value[OPAL_REG_VALUE_SIZE] = "";
  uint32_t type = 0;
  if (opal_get_reg_value(3, 0, nullptr, "Name", value, &type) == EXIT_OK) v.name = value;
  if (opal_get_reg_value(3, 4, "Attributes", "Brightness", value, &type) == EXIT_OK) v.brightness = value;
  uint32_t id = 0;
  if (opal_get_config_id(&id) == EXIT_OK) v.config_id = std::to_string(id);
  HKEY video = nullptr, first = nullptr;
  if (open_video_key(KEY_READ, &video) != EXIT_OK) return v;
  if (oal::RegOpenKeyExA(video, "All\\1", 0, KEY_READ, &first) == ERROR_SUCCESS) {
    v.first = "[All\\1]\n";  // an emptied key is not a deleted one
    describe_key(first, "  ", v.first);
    oal::RegCloseKey(first);
  }
  oal::RegCloseKey(video);
  return v;
}

const char kProfile[] = "base = dov-dual\n[machine]\nwait_scale = 0\n";

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = make_temp_dir("kill-state");
    work_ = make_temp_dir("kill-work");
    profile_ = work_ + "/machine.profile";
    write_file(profile_, kProfile);
  }
  void TearDown() override {
    remove_tree(work_);
    remove_tree(state_);
  }

  // The script as luma_qrt reads it.
  void write_script(const std::vector<ScriptStep>& steps) {
    std::string script;
    for (const ScriptStep& step : steps) script += step.line + "\n";
    write_file(work_ + "/script.txt", script + "quit\n");
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

  // The modes the screens may show: the ones they start with and the ones
  // the script sets.
  std::set<std::string> allowed_modes();

  // Each screen's current and saved mode is one of the modes the script sets
  // or the one it started from, never a mix of two; the registry is in one
  // of the states the script passes through. Returns the registry as read.
  RegistryView expect_whole_state(const std::set<std::string>& modes, const std::vector<RegistryView>& states,
                                  const std::string& when) {
    RegistryView seen;
    auto& m = sim::Machine::boot(profile_, state_);
    EXPECT_EQ(m.fault(), nullptr) << when << ": " << m.fault();
    if (!m.fault()) {
      for (const char* device : {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2"})
        for (DWORD which : {ENUM_CURRENT_SETTINGS, ENUM_REGISTRY_SETTINGS}) {
          DEVMODEA mode{};
          mode.dmSize = sizeof mode;
          EXPECT_TRUE(oal::EnumDisplaySettingsA(device, which, &mode)) << when << " " << device;
          std::string text = std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "x" +
                             std::to_string(mode.dmDisplayFrequency);
          EXPECT_TRUE(modes.count(text)) << when << ": " << device << " shows " << text;
        }
      seen = read_registry();
      if (!states.empty()) {
        EXPECT_NE(std::find(states.begin(), states.end(), seen), states.end())
            << when << ": the registry holds " << seen << ", a state the session never passed through";
      }
    }
    sim::Machine::boot(profile_, "");  // let go of the state folder
    return seen;
  }

  // The next run installs the driver over whatever a killed run left, runs
  // and removes it again, and the killed run's temporary files are gone.
  void expect_next_run_clears(const std::string& when) {
    ToolRun next = run_tool("luma_qrt", {"--script"}, "get_current_disp_mode\nquit\n",
                            {{"LUMA_SIM_STATE", state_}, {"LUMA_SIM_PROFILE", profile_}});
    remove_tree(next.dir);
    ASSERT_EQ(next.status, 0) << when << "\n" << next.console;
    EXPECT_NE(next.log.find("ULTSUMMARY 1 0"), std::string::npos) << when << "\n" << next.log;
    std::string services = read_file(state_ + "/services.state");
    EXPECT_EQ(services.find("hwpeek."), std::string::npos) << when << "\n" << services;
    EXPECT_NE(::access((state_ + "/drive_c/WINDOWS/hwpeek.sys").c_str(), F_OK), 0) << when;
    EXPECT_EQ(leftovers(), std::vector<std::string>{}) << when;
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

std::string current_mode_text(const std::string& profile, const std::string& state, const char* device) {
  auto& m = sim::Machine::boot(profile, state);
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  std::string text = "?";
  if (!m.fault() && oal::EnumDisplaySettingsA(device, ENUM_CURRENT_SETTINGS, &mode))
    text = std::to_string(mode.dmPelsWidth) + "x" + std::to_string(mode.dmPelsHeight) + "x" +
           std::to_string(mode.dmDisplayFrequency);
  sim::Machine::boot(profile, "");
  return text;
}

std::set<std::string> KillTest::allowed_modes() {
  return {current_mode_text(profile_, state_, "\\\\.\\DISPLAY1"), current_mode_text(profile_, state_, "\\\\.\\DISPLAY2"),
          "800x600x60", "1024x768x60"};
}

TEST_F(KillTest, EveryKillLeavesAStateTheNextRunLoadsAndClears) {
  const std::vector<ScriptStep> script = session_script(15, 7);
  write_script(script);
  const std::set<std::string> modes = allowed_modes();
  const RegistryView installed = expect_whole_state(modes, {}, "before");
  ASSERT_FALSE(installed.first.empty());
  const std::vector<RegistryView> states = states_through(script, installed);
  const std::string registry_file = state_ + "/registry.state";
  const std::string installed_file = read_file(registry_file);
  ASSERT_FALSE(installed_file.empty());

  // One whole run, timed, so the kills spread over a session's length.
  auto begin = Clock::now();
  pid_t whole = start();
  int status = 0;
  ASSERT_EQ(waitpid(whole, &status, 0), whole);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin).count();
  ASSERT_GT(span, 0);
  EXPECT_EQ(expect_whole_state(modes, states, "after a whole run"), states.back());

  const int kKills = 40;
  std::srand(16);
  for (int i = 0; i < kKills; ++i) {
    std::string when = "kill " + std::to_string(i);
    // Each session starts from the registry as installed, so that every one
    // changes it (the configuration it deletes is there to delete).
    write_file(registry_file, installed_file);
    pid_t pid = start();
    long delay = span * i / kKills + std::rand() % (span / kKills + 1);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    expect_whole_state(modes, states, when);
    expect_next_run_clears(when);
    if (HasFailure()) break;
  }
}

// Timed kills rarely land inside one change; here the process dies at each
// write of the saved state in turn, its new file written but not in place.
TEST_F(KillTest, AKillAtEachWriteOfTheStateLeavesAWholeState) {
  const std::vector<ScriptStep> script = session_script(3, 1);
  write_script(script);
  const std::set<std::string> modes = allowed_modes();
  const RegistryView installed = expect_whole_state(modes, {}, "before");
  const std::vector<RegistryView> states = states_through(script, installed);
  const std::string registry_file = state_ + "/registry.state";
  const std::string installed_file = read_file(registry_file);

  unsigned n = 1;
  for (;; ++n) {
    ASSERT_LT(n, 1000u) << "the session never ran to its end";
    std::string when = "killed at write " + std::to_string(n);
    write_file(registry_file, installed_file);
    write_file(profile_, std::string(kProfile) + "[faults]\nkill_at_write = " + std::to_string(n) + "\n");
    pid_t pid = start();
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    write_file(profile_, kProfile);
    if (WIFEXITED(status)) {
      // Fewer writes than n: the session ran whole.
      ASSERT_EQ(WEXITSTATUS(status), 0) << when;
      EXPECT_EQ(expect_whole_state(modes, states, "after a whole run"), states.back());
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << when << ": status " << status;
    expect_whole_state(modes, states, when);
    expect_next_run_clears(when);
    if (HasFailure()) break;
  }
  // Every registry change and mode change is a write of its own.
  EXPECT_GT(n, script.size()) << "fewer writes than the script has changes";
}

}  // namespace
