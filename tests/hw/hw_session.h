// A simulated machine with an open session that installed the register
// access driver, and running commands of the full set on it.
#pragma once
#include <strings.h>

#include <string>
#include <vector>

#include "commands/command_table.h"
#include "hw/driver_client.h"
#include "lumainfo.h"
#include "support/sim_fixture.h"

class HwSessionTest : public SimTest {
 protected:
  explicit HwSessionTest(std::string profile = "base = dov\n[machine]\nwait_scale = 0\n")
      : profile_(std::move(profile)) {}
  std::string profile() const override { return profile_; }
  void SetUp() override {
    SimTest::SetUp();
    ASSERT_EQ(opal_open(1), EXIT_OK);
    ASSERT_TRUE(driver_loaded);
  }
  void TearDown() override {
    opal_close();
    driver_loaded = false;
    SimTest::TearDown();
  }

  struct Run {
    opal_exit_t result;
    std::string out;
    cmd_args_t args;
  };
  // Runs a command line through its handler, capturing standard output.
  // `count` is what the caller left in the record's count beforehand.
  Run run(const std::string& line, int32_t preset_count = -1) {
    Run r{};
    EXPECT_TRUE(tokenize_command_line(line.c_str(), &r.args)) << line;
    int32_t id_count = 0;
    cmd_entry_t* table = get_command_table(&id_count);
    cmd_handler_t handler = nullptr;
    for (int32_t i = 0; i < id_count; ++i)
      if (strcasecmp(table[i].name, r.args.slot[0]) == 0) handler = table[i].handler;
    EXPECT_NE(handler, nullptr) << line;
    if (!handler) return r;
    if (preset_count >= 0) r.args.count = preset_count;
    StdoutCapture capture;
    r.result = handler(&r.args);
    std::fflush(stdout);
    r.out = capture.stop();
    return r;
  }
  std::string profile_;
};

// Lines of a text.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}
