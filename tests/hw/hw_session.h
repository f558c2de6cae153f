// A simulated machine with an open session that installed the register
// access driver, and running commands of the full set on it.
#pragma once
#include <string>
#include <vector>

#include "core/command_table.h"
#include "hw/driver_client.h"
#include "lumainfo.h"
#include "support/command_line.h"
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
  // Runs a command line through the joined table, capturing standard output.
  Run run(const std::string& line) {
    Run r{};
    StdoutCapture capture;
    r.result = run_command_line(line, r.args);
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
