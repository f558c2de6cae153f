// The display commands' lines in the report log of luma_qrt --script, on
// the simulated dov machines.
#include <regex>
#include <string>

#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

struct Expectation {
  const char* name;
  const char* profile;
  const char* lines;    // the script; the last command's block is checked
  const char* upper;
  const char* pattern;  // the whole block between its two Function lines
  const char* code;
};

#define OK_TAIL "\n\n"
// The system's text after the change and after the commit.
#define CHANGED "(?:The operation completed successfully\\.\r?\n\n){2}"

const Expectation kCommands[] = {
    {"CurDc", "dov", "get_cur_dc", "GET_CURRENT_DC",
     "The current dc is 0x41\nThe current display mode is MULTI_TYPE_SINGLE\nPRIMARY_MASTER is 4\nPRIMARY_TWIN1 is 0\n"
     "PRIMARY_TWIN2 is 0\nPRIMARY_TWIN3 is 0\nSECONDARY_MASTER is 0\nSECONDARY_TWIN1 is 0\nSECONDARY_TWIN2 is 0\n" OK_TAIL,
     "EXIT_OK"},
    {"CurrentDispMode", "dov", "get_current_disp_mode", "GET_CURRENT_DISP_MODE",
     "Current DC is 0x41\n\nPort number is 0x4\n\nDisplay1\nWidth {43}: 1024\nHeight {42}: 768\nDepth {43}: 32\n"
     "Refresh {41}: 60\nEdid {44}: 1\nEnable {42}: 1\nTiming_Owner {36}: 0\nPd_name {41}: lvds\n"
     "User Alias {38}: lvds_port\nPd_version {38}: 65538\nPd_type {41}: 4\n" OK_TAIL,
     "EXIT_OK"},
    {"CurrentDispModeDual", "dov-dual", "get_current_disp_mode", "GET_CURRENT_DISP_MODE",
     "Current DC is 0x500048\n\nPort number is 0x4\n\nPort number is 0x5\n\nDisplay1\n[^]*Pd_type {41}: 4\n"
     "Display5\nWidth {43}: 1280\nHeight {42}: 1024\n[^]*Pd_type {41}: 5\n" OK_TAIL,
     "EXIT_OK"},
    {"RotStatus", "dov", "get_rot_status", "GET_ROT_STATUS",
     "Port number {37}: 0x4\nRotation Degrees {32}: 0\nFlip {44}: 0\n" OK_TAIL, "EXIT_OK"},
    {"PortAttrib", "dov", "get_port_attrib", "GET_PORT_ATTRIB",
     "ID\tTYPE\tName\tFlags\t\tDef Value\tCur Value\n(?:\\d+\t\\d\t[A-Z][A-Za-z ]+\t\\d+\t\\d+\t\\d+\n){10}" OK_TAIL,
     "EXIT_OK"},
    {"DcList", "dov", "get_dc_list", "GET_DC_LIST",
     "Total DCs available: 12\nDC list: \n1 0x00000041 LVDS\n(?:\\d+ 0x[0-9A-F]{8} [A-Z ,>-]+\n){10}"
     "12 0x00500028 DVOB -> ANALOG\n" OK_TAIL,
     "EXIT_OK"},
    {"DrvModeList", "dov", "get_drv_mode_list", "GET_DRIVER_MODE_LIST",
     "Total Modes available: 4\n\nWidth\tHeight\tRefresh Rate\n\n640\t480\t60\n800\t600\t60\n1024\t768\t60\n"
     "1280\t800\t60\n" OK_TAIL,
     "EXIT_OK"},
    {"DispPortMap", "dov-dual", "get_disp_port_map", "GET_DISP_PORT_MAPPING",
     "ABSOLUTE DISPLAY NUM {5}RELATIVE DISPLAY NUM {5}IS PRIMARY {5}PORTS {5}\n0 {24}0 {24}YES {12}4  \n"
     "1 {24}1 {24}NO {13}5  \n" OK_TAIL,
     "EXIT_OK"},
    {"VideoFpsStart", "dov", "get_video_fps START", "GET_VIDEO_FPS", "get_video_fps\n" OK_TAIL, "EXIT_OK"},
    {"VideoFps", "dov", "get_video_fps start\nget_video_fps fps", "GET_VIDEO_FPS",
     "FPS {45}: 30\\.000000\nUsed Hardware Decode {28}: 1\nUsed Overlay {36}: 1\n" OK_TAIL, "EXIT_OK"},
    {"VideoFpsPause", "dov", "get_video_fps pause", "GET_VIDEO_FPS", "", "EXIT_INVALID_PARAM_ERROR"},
    {"EnableHdmi", "dov", "enable HDMI", "ENABLE_PORT", "Invalid port specified\n\n", "EXIT_INVALID_PARAM_ERROR"},
    {"DisableCrt", "dov", "disable crt", "DISABLE_PORT", OK_TAIL, "EXIT_OK"},
    {"RotateUnknownPort", "dov", "rotate hdmi 90", "ROTATE", "Invalid port specified\n\n",
     "EXIT_INVALID_PARAM_ERROR"},
    {"RotateLvds", "dov", "rotate lvds 90", "ROTATE",
     "New width = 768\nNew height = 1024\nNew Freq = 60\nNew bpp = 32\n" CHANGED OK_TAIL, "EXIT_OK"},
    {"RotateThenStatus", "dov", "rotate lvds 90\nflip Lvds 1\nget_rot_status", "GET_ROT_STATUS",
     "Port number {37}: 0x4\nRotation Degrees {32}: 90\nFlip {44}: 1\n" OK_TAIL, "EXIT_OK"},
    {"ScrnResAll", "dov", "set_scrn_res all 800x600x60", "SET_SCRN_RES",
     "New width = 800\nNew height = 600\nNew Freq = 60\nNew bpp = 32\n" CHANGED OK_TAIL, "EXIT_OK"},
    {"ScrnResNoScreen", "dov", "set_scrn_res 1 800x600x60", "SET_SCRN_RES", "ERROR: Invalid screen number\n",
     "EXIT_OS_CALL_ERROR"},
    {"SetModeClone", "dov", "set_display_mode clone 1024x768x60", "SET_DISPLAY_MODE",
     "Setting clone mode with 1024x768x60\nNew width = 1024\nNew height = 768\nNew Freq = 60\nNew bpp = 32\n"
     CHANGED OK_TAIL,
     "EXIT_OK"},
    {"SetModeCloneThenDc", "dov", "set_display_mode clone 1024x768x60\nget_cur_dc", "GET_CURRENT_DC",
     "The current dc is 0x542\nThe current display mode is MULTI_TYPE_CLONE\nPRIMARY_MASTER is 4\n"
     "PRIMARY_TWIN1 is 5\n[^]*",
     "EXIT_OK"},
    {"SetModeUnlistedDc", "dov", "set_display_mode 0x12345 800x600x60", "SET_DISPLAY_MODE", "",
     "EXIT_INVALID_PARAM_ERROR"},
    {"SetModeTwoPieces", "dov", "set_display_mode single 1024x768", "SET_DISPLAY_MODE", "",
     "EXIT_INVALID_PARAM_ERROR"},
    {"SetModeNoMatch", "dov", "set_display_mode single 1024x768x75", "SET_DISPLAY_MODE",
     "Setting single mode with 1024x768x75\nERROR no valid mode found that matches 1024x768x75\n",
     "EXIT_INVALID_PARAM_ERROR"},
};

class DisplayLines : public ::testing::TestWithParam<Expectation> {
 protected:
  void SetUp() override { state_ = make_temp_dir("display-lines"); }
  void TearDown() override {
    remove_tree(state_);
    if (!run_.dir.empty()) remove_tree(run_.dir);
  }
  std::string state_;
  ToolRun run_;
};

void PrintTo(const Expectation& e, std::ostream* os) { *os << e.lines; }

TEST_P(DisplayLines, LogHoldsTheLines) {
  const Expectation& e = GetParam();
  run_ = run_tool("luma_qrt", {"--script"}, std::string(e.lines) + "\nquit\n",
                  {{"LUMA_SIM_STATE", state_}, {"LUMA_SIM_PROFILE", e.profile}});
  std::string start = "Function: " + std::string(e.upper) + "\n";
  std::string end = "Function: " + std::string(e.upper) + ", Exit Code: ";
  size_t b = run_.log.rfind(start);
  ASSERT_NE(b, std::string::npos) << run_.log;
  size_t e_at = run_.log.find(end, b);
  ASSERT_NE(e_at, std::string::npos) << run_.log;
  std::string text = run_.log.substr(b + start.size(), e_at - b - start.size());
  EXPECT_TRUE(std::regex_match(text, std::regex(e.pattern, std::regex::ECMAScript))) << text;
  size_t code_at = e_at + end.size();
  EXPECT_EQ(run_.log.substr(code_at, run_.log.find('\n', code_at) - code_at), e.code);
}

INSTANTIATE_TEST_SUITE_P(Commands, DisplayLines, ::testing::ValuesIn(kCommands),
                         [](const ::testing::TestParamInfo<Expectation>& p) { return std::string(p.param.name); });

}  // namespace
