// luma_cli's register commands as a user types them: read_reg on a report
// log gives what it gives live on the machine that wrote the log.
#include <gtest/gtest.h>

#include <string>

#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

class CapturedLikeLive : public ::testing::TestWithParam<const char*> {};

// The READ_REG blocks of a log, in order.
std::vector<std::string> read_blocks(const std::string& log) {
  std::vector<std::string> blocks;
  size_t at = 0;
  while ((at = log.find("Function: READ_REG\n", at)) != std::string::npos) {
    size_t end = log.find("Function: READ_REG, Exit Code:", at);
    blocks.push_back(log.substr(at, end - at));
    at = end;
  }
  return blocks;
}

TEST_P(CapturedLikeLive, ReadRegOnTheLogEqualsTheMachine) {
  const std::string family = GetParam();
  std::string dir = make_temp_dir("names-" + family);
  const std::string names = "read_reg pipe_a_* plane_a_ctrl.* int_status vgacntrl\n";
  std::string log = std::string(LUMA_TEST_DATA_DIR) + "/qrt_logs/" + family + ".log";
  // The log was written on a fresh machine of the family: read the same
  // one live, then the log on a machine of another family.
  ToolRun live = run_tool("luma_cli", {"--script"}, "set_debug_vol 2\n" + names + "quit\n",
                          {{"LUMA_SIM_PROFILE", family}, {"LUMA_SIM_STATE", dir + "/live"}});
  ToolRun offline = run_tool("luma_cli", {"--script"}, "set_debug_vol 2\nuse_log " + log + "\n" + names + "quit\n",
                             {{"LUMA_SIM_PROFILE", family == "dov" ? "bex" : "dov"}, {"LUMA_SIM_STATE", dir + "/other"}});
  auto want = read_blocks(live.log), got = read_blocks(offline.log);
  ASSERT_EQ(want.size(), 1u) << live.log;
  ASSERT_EQ(got.size(), 1u) << offline.log;
  EXPECT_EQ(got[0], want[0]);
  EXPECT_NE(want[0].find("Pipe A Configuration Register"), std::string::npos);
  EXPECT_NE(offline.log.find("Function: READ_REG, Exit Code: EXIT_OK"), std::string::npos);
  remove_tree(dir);
}

INSTANTIATE_TEST_SUITE_P(Families, CapturedLikeLive, ::testing::Values("ava", "dov", "cyr", "eft", "fyn", "bex"),
                         [](const ::testing::TestParamInfo<const char*>& p) { return std::string(p.param); });

}  // namespace
