// The console report tool end to end, as a test harness runs it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <regex>

#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

class ReportToolTest : public ::testing::Test {
 protected:
  void SetUp() override { state_ = make_temp_dir("qrt-state"); }
  void TearDown() override {
    for (auto& dir : dirs_) remove_tree(dir);
    remove_tree(state_);
  }
  ToolRun run(const std::vector<std::string>& args, const std::string& input = "",
              std::map<std::string, std::string> env = {}) {
    env.emplace("LUMA_SIM_STATE", state_);
    env.emplace("LUMA_SIM_PROFILE", profile_);
    ToolRun r = run_tool("luma_qrt", args, input, env);
    dirs_.push_back(r.dir);
    return r;
  }
  std::string temp_dir(const char* tag) {
    dirs_.push_back(make_temp_dir(tag));
    return dirs_.back();
  }
  std::vector<std::string> dirs_;
  ToolRun script(const std::string& input) { return run({"--script"}, input); }
  std::string state_;
  std::string profile_ = "dov";
};

size_t count_of(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

const char kConsole[] = "Varnel\256 Lumagraph\nLUMA_QRT output redirected to luma_qrt.log\n";
const char kBanner[] = "LUMA_QRT:1.15.3664\n\n";
const char kSeparator[] = "\t============================\n";

// Runs luma_qrt --script (empty script) with its standard output and error
// on a terminal whose locale is `lang`; returns what the terminal showed.
std::string on_terminal(const std::string& state, const std::string& lang) {
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "<no terminal>";
  std::string slave_name = ptsname(master);
  std::string dir = make_temp_dir("tty");
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int slave = open(slave_name.c_str(), O_RDWR);
    int in = open("/dev/null", O_RDONLY);
    if (slave < 0 || in < 0 || chdir(dir.c_str()) != 0) _exit(127);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    dup2(in, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    setenv("LUMA_SIM_STATE", state.c_str(), 1);
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    setenv("LANG", lang.c_str(), 1);
    std::string program = std::string(LUMA_BIN_DIR) + "/luma_qrt";
    execl(program.c_str(), "luma_qrt", "--script", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string shown;
  char buffer[256];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) break;
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // the tool closed the terminal
    shown.append(buffer, static_cast<size_t>(n));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  remove_tree(dir);
  return shown;
}

// The name's one byte of the ANSI code page becomes UTF-8 only on a UTF-8
// terminal; elsewhere, and in redirected output, the byte is kept.
TEST_F(ReportToolTest, BannerNameIsConvertedOnlyForAUtf8Terminal) {
  const std::pair<const char*, const char*> cases[] = {
      {"C.UTF-8", "Varnel\xC2\xAE Lumagraph\n"},
      {"en_GB.utf8", "Varnel\xC2\xAE Lumagraph\n"},
      {"C", "Varnel\xAE Lumagraph\n"},
  };
  for (auto [lang, line] : cases) {
    std::string shown = on_terminal(state_, lang);
    EXPECT_EQ(shown.rfind(line, 0), 0u) << lang << ": " << shown;
  }
  ToolRun redirected = run({"--script"}, "", {{"LANG", "C.UTF-8"}});
  EXPECT_EQ(redirected.console, kConsole);
}

TEST_F(ReportToolTest, AutomaticRunReportsEveryAllCommandInTableOrder) {
  ToolRun r = run({});
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_EQ(r.console, kConsole);
  ASSERT_EQ(r.log.rfind(kBanner, 0), 0u) << r.log;
  EXPECT_NE(r.log.find("Function: GET_OS_NAME\nOS NAME: Windows XP: Service Pack 2\n\n\n"
                       "Function: GET_OS_NAME, Exit Code: EXIT_OK\n\t============================\n"),
            std::string::npos)
      << r.log;
  // Blocks appear in table order and only for "all" commands without parameters.
  EXPECT_LT(r.log.find("Function: GET_OS_NAME\n"), r.log.find("Function: GET_SYSTEM_MEMORY\n"));
  EXPECT_EQ(r.log.find("GET_WINDOWS_MODES"), std::string::npos);  // not in "all"
  EXPECT_EQ(r.log.find("GET_VIDEO_FPS"), std::string::npos);      // needs a parameter
  EXPECT_EQ(r.log.find("ULTSUMMARY"), std::string::npos);
  EXPECT_EQ(r.log.find("No command found"), std::string::npos);
  EXPECT_EQ(count_of(r.log, "Function: ") / 2, count_of(r.log, kSeparator));
  EXPECT_EQ(r.log.find('\033'), std::string::npos);  // no colour codes in a log
}

TEST_F(ReportToolTest, AutomaticRunReportsTheRegistryAndTheSoftwareSide) {
  ToolRun r = run({});
  ASSERT_EQ(r.status, 0) << r.console;
  const std::string blocks[] = {
      "Function: GET_REG_INFO\n\nHKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
      "{4d36e968-e325-11ce-bfc1-08002be10318}\\0001\n\nVALUE NAME                  DATA\n",
      "\n\nFunction: GET_REG_INFO, Exit Code: EXIT_OK\n\t============================\n"
      "Function: GET_DIRECTX_VERSION\nDirectX Version                                 : 9c\n\n\n"
      "Function: GET_DIRECTX_VERSION, Exit Code: EXIT_OK\n\t============================\n"
      "Function: GET_ALL_SOFTWARE\n7-Zip 4.42\nAdobe Reader 7.0.5\nmicrosoft .NET Framework 1.1\n"
      "Varnel Lumagraph Graphics Driver\nWindows XP Hotfix - KB896358\nWinZip\n\n\n"
      "Function: GET_ALL_SOFTWARE, Exit Code: EXIT_OK\n\t============================\n",
  };
  for (const auto& block : blocks) EXPECT_NE(r.log.find(block), std::string::npos) << block << "\n---\n" << r.log;
  // In table order after the display and system commands; the INF file is
  // not part of the automatic report.
  EXPECT_LT(r.log.find("Function: GET_DISP_PORT_MAPPING\n"), r.log.find("Function: GET_REG_INFO\n"));
  EXPECT_EQ(r.log.find("GET_INF_FILE"), std::string::npos);
}

TEST_F(ReportToolTest, RegistryChangesCarryOverToTheNextRun) {
  ToolRun first = script("set_reg_value 2 5 General Edid 0x20\nset_config_id 2\ndel_reg All\\3\nquit\n");
  EXPECT_NE(first.log.find("\nULTSUMMARY 3 0\n"), std::string::npos) << first.log;
  ToolRun second = script("get_reg_value 0 5 General Edid\nget_config_id\nget_reg_value 3 0 x Name\nquit\n");
  EXPECT_NE(second.log.find("Function: GET_REG_VALUE\nValue                                           : 0x20\n"
                            "Type                                            : DWORD\n"),
            std::string::npos)
      << second.log;
  EXPECT_NE(second.log.find("Default Configuration id                        : 2\n"), std::string::npos);
  EXPECT_NE(second.log.find("Function: GET_REG_VALUE\nThe system cannot find the file specified.\r\n\n"
                            "Function: GET_REG_VALUE, Exit Code: EXIT_REGISTRY_ERROR\n"),
            std::string::npos)
      << second.log;
  EXPECT_NE(second.log.find("\nULTSUMMARY 2 1\n"), std::string::npos);
}

TEST_F(ReportToolTest, AutomaticRunWithoutTheDriverReportsTheRegistryError) {
  profile_ = "dov-nodriver";
  ToolRun r = run({});
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_NE(r.log.find("Function: GET_REG_INFO\nThe system cannot find the file specified.\r\n\n"
                       "Function: GET_REG_INFO, Exit Code: EXIT_REGISTRY_ERROR\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("Function: GET_DIRECTX_VERSION, Exit Code: EXIT_OK"), std::string::npos);
}

TEST_F(ReportToolTest, HelpOptionsPrintUsageInAnyLetterCase) {
  for (const char* option : {"/?", "--help", "--HELP", "--Help"}) {
    ToolRun r = run({option});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console,
              "LUMA_QRT:1.15.3664\n\nUSAGE:\nLUMA_QRT [/? or --help] [command1]\n\n\n"
              "/? or --help - Display usage of this test to the user\n\n"
              "--script - Read command lines from standard input instead of running the report\n"
              "--junit FILE - Also write a JUnit XML report of the run to FILE\n"
              "--json FILE - Also write the run as JSON Lines to FILE\n\n"
              "For help on commands, first enter program by providing no args and then type \"help\"\n\n"
              "EXAMPLE:\n\tLUMA_QRT /? or --help\n\tLUMA_QRT < input_file_name\n\tLUMA_QRT --script < input_file_name\n\n"
              "LUMA_QRT:1.15.3664\n\n")
        << option;
    EXPECT_TRUE(r.log.empty());  // the library was never opened
  }
}

TEST_F(ReportToolTest, UnknownArgumentIsIgnored) {
  ToolRun r = run({"whatever"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.log.find("Function: GET_OS_NAME"), std::string::npos);
}

TEST_F(ReportToolTest, ScriptedRunCountsPassesAndFailures) {
  std::string dir = temp_dir("profile");
  write_file(dir + "/noversion.profile", "base = dov\n[faults]\nversion = fail\n");
  profile_ = dir + "/noversion.profile";
  ToolRun r = script("get_sys_mem\nget_os_name\nquit\n");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.log.find("Function: GET_OS_NAME\nIncorrect function.\r\n\n"
                       "Function: GET_OS_NAME, Exit Code: EXIT_OS_CALL_ERROR\n\t============================\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("\n\nULTSUMMARY 1 1\n"), std::string::npos) << r.log;
}

struct LineCase {
  std::string input;
  std::string expected;      // a text the log must hold
  std::string summary;       // the closing line
  std::string absent = "No command found";  // a text the log must not hold
};

TEST_F(ReportToolTest, ScriptedLinesAreClassifiedAsTheToolDefines) {
  const LineCase cases[] = {
      {"Get_Os_Name\n", "Function: GET_OS_NAME, Exit Code: EXIT_OK", "ULTSUMMARY 1 0"},
      {"GET_OS_NAME\nQ\nget_os_name\n", "Function: GET_OS_NAME", "ULTSUMMARY 1 0"},
      {"exit\nget_os_name\n", kBanner, "ULTSUMMARY 0 0"},
      // A quit in any case ends the script: the command after it never runs.
      {"QuIt\nget_os_name\n", kBanner, "ULTSUMMARY 0 0", "GET_OS_NAME"},
      {"QuIt\n", kBanner, "ULTSUMMARY 0 0"},
      {"quit now\n", "No command found by the name: quit now\n", "ULTSUMMARY 0 0"},
      {"// a comment\n", kBanner, "ULTSUMMARY 0 0"},
      {"//get_os_name\n", kBanner, "ULTSUMMARY 0 0", "GET_OS_NAME"},
      {"\n", "No command found by the name: \n", "ULTSUMMARY 0 0"},
      {"no_such_command 1\n", "No command found by the name: no_such_command 1\n", "ULTSUMMARY 0 0"},
      {"wait\n", "Function:WAIT, requires exactly 1 parameters\n", "ULTSUMMARY 0 0"},
      {"wait 1 2\n", "Function:WAIT, requires exactly 1 parameters\n", "ULTSUMMARY 0 0"},
      {"get_os_name extra\n", "Function:GET_OS_NAME, requires exactly 0 parameters\n", "ULTSUMMARY 0 0"},
      {"get_edid_info a b\n", "Function:GET_EDID_INFO, requires in between 0 and 1 parameters\n", "ULTSUMMARY 0 0"},
      {"  wait\t0  \n", "Function: WAIT, Exit Code: EXIT_OK", "ULTSUMMARY 1 0"},
      // The last line counts even without a line end; a CR of a CRLF file is a line end.
      {"get_os_name", "Function: GET_OS_NAME, Exit Code: EXIT_OK", "ULTSUMMARY 1 0"},
      {"get_os_name\r\nget_sys_mem\r\n", "Function: GET_SYSTEM_MEMORY, Exit Code: EXIT_OK", "ULTSUMMARY 2 0"},
  };
  for (const auto& c : cases) {
    ToolRun r = script(c.input);
    EXPECT_EQ(r.status, 0) << c.input;
    EXPECT_NE(r.log.find(c.expected), std::string::npos) << c.input << "\n" << r.log;
    EXPECT_NE(r.log.find("\n" + c.summary + "\n"), std::string::npos) << c.input << "\n" << r.log;
    if (c.expected.find(c.absent) == std::string::npos) {
      EXPECT_EQ(r.log.find(c.absent), std::string::npos) << c.input << "\n" << r.log;
    }
  }
}

TEST_F(ReportToolTest, QuitStopsTheScript) {
  ToolRun r = script("quit\nget_os_name\n");
  EXPECT_EQ(r.log.find("GET_OS_NAME"), std::string::npos);
}

std::string tokens(int n) {
  std::string s = "get_os_name";
  for (int i = 1; i < n; ++i) s += " x";
  return s + "\n";
}

TEST_F(ReportToolTest, LinesTheRecordCannotHoldAreRefused) {
  ToolRun r = script(tokens(23));
  EXPECT_NE(r.log.find("Maximum number of arguments exceeded\nNo command found by the name: get_os_name x"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("ULTSUMMARY 0 1"), std::string::npos);
  // 22 tokens are accepted (and then refused by the command's own range).
  r = script(tokens(22));
  EXPECT_NE(r.log.find("Function:GET_OS_NAME, requires exactly 0 parameters"), std::string::npos);
  EXPECT_NE(r.log.find("ULTSUMMARY 0 0"), std::string::npos);

  r = script("get_os_name " + std::string(300, 'a') + "\nget_os_name\n");
  EXPECT_NE(r.log.find("ERROR: Command line longer than 255 characters refused\n"), std::string::npos) << r.log;
  EXPECT_NE(r.log.find("ULTSUMMARY 1 1"), std::string::npos);

  r = script(std::string("get_os\x01name\nget_os_name\n"));
  EXPECT_NE(r.log.find("ERROR: Command line with non-text bytes refused\n"), std::string::npos) << r.log;
  EXPECT_NE(r.log.find("ULTSUMMARY 1 1"), std::string::npos);

  r = script(std::string("get_os_name\0x\n", 14));
  EXPECT_NE(r.log.find("ERROR: Command line with non-text bytes refused\n"), std::string::npos) << r.log;
}

TEST_F(ReportToolTest, HelpListsCommandsFilteredByPrefix) {
  ToolRun r = script("help get_sys_m\n");
  const std::string rule(82, '/');
  EXPECT_NE(r.log.find("///////////////////////////////////HELP OPTIONS///////////////////////////////////\n//\n"
                       "// get_sys_mem\n// (Gets the system memory info)\n//\n//\n" + rule + "\n\n"),
            std::string::npos)
      << r.log;
  r = script("help\n");
  EXPECT_NE(r.log.find("// wait num_seconds\n// (Waits for user specified number of seconds)\n"
                       "// \t num_seconds - Number of seconds to wait for\n//\n//\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("// get_os_name\n"), std::string::npos);
  EXPECT_NE(r.log.find("ULTSUMMARY 0 0"), std::string::npos);
}

TEST_F(ReportToolTest, UnopenableSessionExitsWith7AndWritesNoLog) {
  write_file(state_ + "/machine.state", "damaged\n");
  ToolRun r = run({});
  EXPECT_EQ(r.status, 7);
  EXPECT_NE(r.console.find("ERROR: simulated machine: the saved state is damaged"), std::string::npos) << r.console;
  struct stat st {};
  EXPECT_NE(stat((r.dir + "/luma_qrt.log").c_str(), &st), 0);
  EXPECT_EQ(read_file(state_ + "/machine.state"), "damaged\n");
}

TEST_F(ReportToolTest, MalformedProfileExitsWith7WithItsReason) {
  std::string dir = temp_dir("profile");
  write_file(dir + "/bad.profile", "[os]\nmajor five\n");
  profile_ = dir + "/bad.profile";
  ToolRun r = run({});
  EXPECT_EQ(r.status, 7);
  EXPECT_NE(r.console.find("bad:2: expected 'key = value'"), std::string::npos) << r.console;
}

TEST_F(ReportToolTest, UnwritableLogIsReported) {
  // A directory in the log's place cannot be opened for writing, even by root.
  std::string dir = temp_dir("ro");
  ASSERT_EQ(mkdir((dir + "/luma_qrt.log").c_str(), 0755), 0);
  ToolRun r = run_tool("luma_qrt", {}, "", {{"LUMA_SIM_STATE", state_}}, dir);
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.console.find("ERROR: Cannot write the report log luma_qrt.log in the current directory: Is a directory"),
            std::string::npos)
      << r.console;
}

TEST_F(ReportToolTest, MachineStateCarriesOverBetweenRuns) {
  ASSERT_EQ(run({}).status, 0);
  ToolRun second = run({});
  EXPECT_EQ(second.status, 0) << second.console;
  EXPECT_EQ(read_file(state_ + "/machine.state"), "# luma-sim state 1\nprofile=dov\n");
}

}  // namespace
