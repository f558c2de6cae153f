// The message writer's formats, destinations and the debug volume gates.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/msglog.h"
#include "core/session.h"
#include "lumainfo.h"
#include "oal/oal.h"
#include "support/sim_fixture.h"

namespace {

class MsgLogTest : public SimTest {
 protected:
  // Runs `write` and returns what reached standard output; the debugger
  // output is kept in `debugger_`.
  template <class F>
  std::string written(F write) {
    machine().take_debug_output();
    StdoutCapture capture;
    write();
    std::string out = capture.stop();
    debugger_ = machine().take_debug_output();
    return out;
  }
  std::string debugger_;
};

TEST_F(MsgLogTest, MessageGoesToStdoutAndDebuggerWithoutColourCodesWhenRedirected) {
  std::string out = written([] { writeMsg(MSG_ERROR, "value %d", 42); });
  EXPECT_EQ(out, "value 42\n");
  // The debugger receives the text and then a separate line end.
  EXPECT_EQ(debugger_, "value 42\n");
}

// "%s" is copied without the formatter; it must cut and end lines as the
// formatter does.
TEST_F(MsgLogTest, MessagesAreCutAt260CharactersAndEndAtTheirFirstNul) {
  const std::string x300(300, 'x'), x260(260, 'x'), x259(259, 'x');
  struct Case {
    const char* format;
    const char* arg;
    std::string expected;
  } cases[] = {
      {"%s", x300.c_str(), x260 + "\n"},    {"%s!", x300.c_str(), x260 + "\n"},
      {"%s", x260.c_str(), x260 + "\n"},    {"%s!", x259.c_str(), x259 + "!\n"},
      {"%s", "", "\n"},                      {"%s", nullptr, "(null)\n"},
      {"%s%c-", "a", "a\n"},                 // the text ends at the NUL the format wrote
  };
  for (const Case& c : cases) {
    std::string out = written([&] { writeMsg(MSG_PLAIN, c.format, c.arg, 0); });
    EXPECT_EQ(out, c.expected) << c.format << " " << (c.arg ? std::strlen(c.arg) : 0);
    EXPECT_EQ(debugger_, c.expected) << c.format;
  }
}

TEST_F(MsgLogTest, PercentSignInFormattedValueIsPrintedAsIs) {
  std::string out = written([] { writeFormattedMsg(MSG_PLAIN, "Load", "%d %%", 5); });
  EXPECT_EQ(out, "Load" + std::string(46, '.') + "5 %\n");
}

struct PadCase {
  std::string label;
  int result;
  std::string expected;
};

TEST_F(MsgLogTest, PassFailLinesArePaddedTo70AndFollowedByAnEmptyLine) {
  const PadCase cases[] = {
      {"Test", RESULT_PASS, "Test" + std::string(66, '.') + "PASS\n\n\n"},
      {"Test", RESULT_FAIL, "Test" + std::string(66, '.') + "FAIL\n\n\n"},
      {"Test", 7, "Test" + std::string(66, '.') + "INVALID RESULT\n\n\n"},
      {std::string(80, 'L'), RESULT_PASS, std::string(80, 'L') + "PASS\n\n\n"},
      // A label that fills the line leaves no room: the line stays at 260.
      {std::string(300, 'L'), RESULT_PASS, std::string(260, 'L') + "\n\n\n"},
  };
  for (const auto& c : cases) {
    std::string out = written([&] { writePassFail(c.label.c_str(), c.result); });
    EXPECT_EQ(out, c.expected) << c.label.size() << " " << c.result;
  }
}

TEST_F(MsgLogTest, FormattedMessagePadsLabelTo50Dots) {
  const std::pair<std::string, std::string> cases[] = {
      {"Name", "Name" + std::string(46, '.') + "v\n"},
      {std::string(50, 'a'), std::string(50, 'a') + "v\n"},
      {std::string(60, 'a'), std::string(60, 'a') + "v\n"},
      {"", std::string(50, '.') + "v\n"},
  };
  for (const auto& [label, expected] : cases) {
    std::string out = written([&] { writeFormattedMsg(MSG_PLAIN, label.c_str(), "%s", "v"); });
    EXPECT_EQ(out, expected) << label;
  }
}

TEST_F(MsgLogTest, FormattedMessageNeverExceeds260Characters) {
  std::string value(400, 'v');
  std::string out = written([&] { writeFormattedMsg(MSG_PLAIN, "Label", "%s", value.c_str()); });
  ASSERT_EQ(out.size(), 261u);
  EXPECT_EQ(out.substr(0, 50), "Label" + std::string(45, '.'));
}

// Standard output on a terminal, where the console's attributes show as
// colour codes: what writeMsg sets around each message is visible.
class TerminalOutput {
 public:
  TerminalOutput() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    int slave = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
    if (slave < 0) return;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    std::fflush(stdout);
    saved_ = ::dup(1);
    ::dup2(slave, 1);
    ::close(slave);
  }
  ~TerminalOutput() {
    restore();
    if (master_ >= 0) ::close(master_);
  }
  bool ok() const { return saved_ >= 0; }
  std::string take() {
    std::fflush(stdout);
    std::string out;
    char buffer[512];
    for (;;) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) break;
      ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  void restore() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    ::dup2(saved_, 1);
    ::close(saved_);
    saved_ = -1;
  }

 private:
  int master_ = -1;
  int saved_ = -1;
};

TEST_F(MsgLogTest, EachMessageTypeSetsItsAttributeAndRestoresTheNormalOne) {
  struct Case {
    int type;
    std::string shown;  // on a terminal: the attribute's colour, the text, then back to 7
  } cases[] = {
      {MSG_ERROR, "\033[91mtext\n\033[0m"},   // 12, bright red
      {MSG_WARNING, "\033[93mtext\n\033[0m"}, // 14, yellow
      {MSG_SUCCESS, "\033[92mtext\n\033[0m"}, // 10, bright green
      {MSG_PLAIN, "text\n"},                   // 7 already: no change at all
      {0, "text\n"},
      {99, "text\n"},
  };
  for (const Case& c : cases) {
    TerminalOutput terminal;
    ASSERT_TRUE(terminal.ok());
    writeMsg(c.type, "text");
    std::string shown = terminal.take();
    terminal.restore();
    EXPECT_EQ(shown, c.shown) << "type " << c.type;
  }
}

TEST_F(MsgLogTest, WriterKeepsTheCallersLastError) {
  oal::SetLastError(ERROR_FILE_NOT_FOUND);
  written([] { writeMsg(MSG_ERROR, "x"); });
  EXPECT_EQ(oal::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(MsgLogTest, PrintLastErrorWritesTheSystemText) {
  oal::SetLastError(ERROR_FILE_NOT_FOUND);
  std::string out = written([] { print_last_error(); });
  EXPECT_EQ(out, "The system cannot find the file specified.\r\n\n");
  // A code the system has no text for writes nothing.
  oal::SetLastError(0xDEAD);
  EXPECT_EQ(written([] { print_last_error(); }), "");
}

TEST_F(MsgLogTest, DebugVolumeGatesByLevel) {
  // Real callers, one at each threshold: a refused argument (above 0), the
  // wait notice (above 1) and the display trace of a dc name (above 2).
  char name[64] = {};
  opal_set_debug_volume(0);
  ASSERT_EQ(opal_get_dc_name(0x41, name), EXIT_OK);
  const std::string error = "ERROR: Input dc name is NULL. Caller must specify a NON NULL dc name\n";
  const std::string wait = "Waiting for:     0 seconds\n\n\n";
  char trace[128];
  std::snprintf(trace, sizeof trace, "%-20s 0x41\n", name);
  auto traced = [&](uint32_t volume) {
    opal_set_debug_volume(volume);
    return written([] {
      char n[64];
      opal_get_dc_name(0x41, nullptr);
      opal_wait(0);
      opal_get_dc_name(0x41, n);
    });
  };
  EXPECT_EQ(traced(0), "");
  EXPECT_EQ(traced(1), error);
  EXPECT_EQ(traced(2), error + wait);
  EXPECT_EQ(traced(3), error + wait + trace);
  EXPECT_EQ(opal_set_debug_volume(7), 7u);
}

TEST_F(MsgLogTest, DebuggerOutputCanBeWrittenToAFile) {
  std::string dir = make_temp_dir("dbg");
  setenv("LUMA_SIM_DEBUG_LOG", (dir + "/debug.txt").c_str(), 1);
  reboot();
  unsetenv("LUMA_SIM_DEBUG_LOG");
  written([] { writeMsg(MSG_PLAIN, "to the debugger"); });
  reboot();  // closes the file
  EXPECT_EQ(read_file(dir + "/debug.txt"), "to the debugger\n");
  remove_tree(dir);
}

struct Heard {
  std::vector<std::pair<int, std::string>> lines;
  static void take(int type, const char* text, void* context) {
    static_cast<Heard*>(context)->lines.emplace_back(type, text);
  }
};

TEST_F(MsgLogTest, AttachedListenerHearsEveryMessageBesideOrInsteadOfStdout) {
  Heard heard;
  ASSERT_EQ(opal_set_message_listener(Heard::take, &heard, 0), EXIT_OK);
  // Beside standard output: both get the cut text; the debugger too.
  std::string long_text(300, 'y');
  std::string out = written([&] {
    writeMsg(MSG_ERROR, "bad %d", 7);
    writeMsg(MSG_PLAIN, "%s", long_text.c_str());
  });
  EXPECT_EQ(out, "bad 7\n" + std::string(260, 'y') + "\n");
  EXPECT_EQ(debugger_, "bad 7\n" + std::string(260, 'y') + "\n");
  ASSERT_EQ(heard.lines.size(), 2u);
  EXPECT_EQ(heard.lines[0], std::make_pair(MSG_ERROR, std::string("bad 7")));
  EXPECT_EQ(heard.lines[1].second, std::string(260, 'y'));

  // Instead of standard output: a library error reaches the listener only.
  heard.lines.clear();
  ASSERT_EQ(opal_set_message_listener(Heard::take, &heard, OPAL_LISTENER_ONLY), EXIT_OK);
  out = written([] { opal_get_dc_name(0x41, nullptr); });
  EXPECT_EQ(out, "");
  EXPECT_NE(debugger_, "");
  ASSERT_EQ(heard.lines.size(), 1u);
  EXPECT_EQ(heard.lines[0].first, MSG_ERROR);
  EXPECT_EQ(heard.lines[0].second, "ERROR: Input dc name is NULL. Caller must specify a NON NULL dc name");

  // An unknown flag is refused and keeps the listener as it was; detaching
  // brings standard output back.
  EXPECT_EQ(opal_set_message_listener(nullptr, nullptr, 2), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(written([] { writeMsg(MSG_PLAIN, "still"); }), "");
  ASSERT_EQ(opal_set_message_listener(nullptr, nullptr, OPAL_LISTENER_ONLY), EXIT_OK);
  heard.lines.clear();
  EXPECT_EQ(written([] { writeMsg(MSG_PLAIN, "back"); }), "back\n");
  EXPECT_TRUE(heard.lines.empty());
}

struct PrefixCase {
  const char* text;
  const char* prefix;
  int32_t expected;
};

TEST(StrPrefix, ComparesIgnoringCase) {
  const PrefixCase cases[] = {
      {"GET_OS_NAME", "get_", 0}, {"get_os_name", "GET_", 0}, {"ge", "get_", -1},
      {"abc", "", 1},             {"", "a", -1},              {"abc", "abd", -1},
      {"abd", "abc", 1},          {"//comment", "//", 0},     {nullptr, "a", -1},
      {"a", nullptr, -1},         {"exact", "EXACT", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(strprefix(c.text, c.prefix), c.expected)
        << (c.text ? c.text : "(null)") << " / " << (c.prefix ? c.prefix : "(null)");
}

}  // namespace
