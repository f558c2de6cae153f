// The system information and EDID commands' lines in the report log of
// luma_qrt --script, on the default simulated machine.
#include <regex>
#include <string>

#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

class SystemLinesTest : public ::testing::Test {
 protected:
  void SetUp() override { state_ = make_temp_dir("sys-lines"); }
  void TearDown() override {
    remove_tree(state_);
    if (!run_.dir.empty()) remove_tree(run_.dir);
  }
  // The lines the command left in the log between its two Function lines.
  std::string block(const std::string& command_lines, const std::string& upper) {
    run_ = run_tool("luma_qrt", {"--script"}, command_lines + "quit\n", {{"LUMA_SIM_STATE", state_}});
    std::string start = "Function: " + upper + "\n";
    size_t b = run_.log.find(start);
    size_t e = run_.log.find("Function: " + upper + ", Exit Code:");
    if (b == std::string::npos || e == std::string::npos) return "(missing) " + run_.log;
    return run_.log.substr(b + start.size(), e - b - start.size());
  }
  std::string exit_code(const std::string& upper) {
    std::smatch m;
    std::regex re("Function: " + upper + ", Exit Code: (\\w+)");
    return std::regex_search(run_.log, m, re) ? m[1].str() : "(none)";
  }
  std::string state_;
  ToolRun run_;
};

struct Expectation {
  const char* line;
  const char* upper;
  const char* pattern;  // the whole block
  const char* code;
};

const Expectation kCommands[] = {
    {"get_chipset_name", "GET_CHIPSET_NAME", "Chipset: 0x[0-9A-F]+, Revision: 0x[0-9A-F]+, Name: [^\n]+\n\n\n", "EXIT_OK"},
    {"get_cpu_info", "GET_CPU_INFO",
     "CPU Identifier {34}: [^\n]+\nProcessor Name String {27}: [^ \n][^\n]*\nCPU Vendor ID {35}: [^\n]+\n\n\n",
     "EXIT_OK"},
    {"get_driver_version", "GET_DRIVER_VERSION", "[^\n]{48}: \\d+\\.\\d+\\.\\d+\nBuild Date {38}: [^\n]+\n\n\n",
     "EXIT_OK"},
    {"get_sys_bios_version", "GET_SYS_BIOS_VERSION",
     "Name {44}: Phoenix - AwardBIOS v6.00PG\nManufacturer {36}: Phoenix Technologies, LTD\n"
     "Version {41}: VARNEL - 42302e31\nReleaseDate {37}: 20060314000000.000000\\+000\n"
     "SMBIOSPresent {35}: True\nSMBIOSBIOSVersion {31}: 6.00 PG\n\n\n",
     "EXIT_OK"},
    {"get_sys_mem", "GET_SYSTEM_MEMORY",
     "Total Physical Memory {27}: \\d[\\d ]{3,} MB\n(?:[A-Za-z ]{48}: \\d[\\d ]{3,} MB\n){5}"
     "Current Memory Load {29}: \\d+ %\n\n\n",
     "EXIT_OK"},
    {"get_edid_info", "GET_EDID_INFO",
     "EDID Info for Port \\d\n\n\n\nRAW INFO\n\n(?:[0-9A-F]{8}    (?: [0-9A-F]{2}){8}\n){16}\nTRANSLATED INFO\n\n"
     "Manufacture ID='[A-Z]{3}', Product=0x[0-9a-f]+\n[\\s\\S]*Detailed Timing Descriptor 4:\n[\\s\\S]*",
     "EXIT_OK"},
};

class SystemLines : public SystemLinesTest, public ::testing::WithParamInterface<Expectation> {};

TEST_P(SystemLines, LogHoldsTheLines) {
  const Expectation& e = GetParam();
  std::string text = block(std::string(e.line) + "\n", e.upper);
  EXPECT_TRUE(std::regex_match(text, std::regex(e.pattern))) << text;
  EXPECT_EQ(exit_code(e.upper), e.code);
}

INSTANTIATE_TEST_SUITE_P(Commands, SystemLines, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<Expectation>& p) { return std::string(p.param.line); });

TEST_F(SystemLinesTest, EdidFileThroughTheConsole) {
  std::string file = std::string(LUMA_TEST_DATA_DIR) + "/edid/flat_panel.edid";
  std::string text = block("get_edid_info " + file + "\n", "GET_EDID_INFO");
  EXPECT_EQ(text, read_file(std::string(LUMA_TEST_DATA_DIR) + "/edid/flat_panel.expected") + "\n\n");
  EXPECT_EQ(exit_code("GET_EDID_INFO"), "EXIT_OK");
  text = block("get_edid_info nowhere.edid\n", "GET_EDID_INFO");
  EXPECT_EQ(text, "nowhere.edid not found\n");
  EXPECT_EQ(exit_code("GET_EDID_INFO"), "EXIT_INVALID_PARAM_ERROR");
}

}  // namespace
