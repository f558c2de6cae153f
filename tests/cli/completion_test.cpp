// What Tab completes at luma_cli's prompt, word by word.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli_terminal/completion.h"
#include "cli_terminal/register_completion.h"
#include "support/sim_fixture.h"

namespace {

const std::vector<std::string> kCommands = {"get_plane_regs", "get_pipe_regs", "get_port_regs", "read_ring_ins",
                                            "read_mem", "read_mmio", "read_mmio_regs", "parse_qrt", "enable"};

TEST(Completion, CommandNamesThenEachArgumentsOwnWords) {
  struct Case {
    const char* line;
    size_t start;
    std::vector<std::string> candidates;
  } const cases[] = {
      {"", 0, {"enable", "exit", "get_pipe_regs", "get_plane_regs", "get_port_regs", "help", "parse_qrt", "quit",
               "read_mem", "read_mmio", "read_mmio_regs", "read_ring_ins"}},
      {"get_pla", 0, {"get_plane_regs"}},
      {"GET_P", 0, {"get_pipe_regs", "get_plane_regs", "get_port_regs"}},
      {"read_mmio", 0, {"read_mmio", "read_mmio_regs"}},
      {"  he", 2, {"help"}},
      {"help get_po", 5, {"get_port_regs"}},       // help's topic is a command name
      {"read_ring_ins ", 14, {"hw", "pri", "sec"}},
      {"read_ring_ins S", 14, {"sec"}},             // any case
      {"read_ring_ins pri ", 18, {}},               // the count takes no words
      {"enable l", 7, {"LVDS"}},
      {"enable SDVO", 7, {"SDVOA", "SDVOB", "SDVOC"}},
      {"read_mem 0x1000 16 ", 19, {"16", "32", "8"}},
      {"read_mem 0x1000 16 3", 19, {"32"}},
      {"read_mem 0x", 9, {}},                        // an address: nothing to offer
      {"read_mmio_regs 8 1", 17, {"16"}},
      {"nosuch_command ", 15, {}},
      {"get_plane_regs x", 15, {}},
  };
  for (const Case& c : cases) {
    Completion got = complete_line(c.line, kCommands);
    EXPECT_EQ(got.start, c.start) << c.line;
    EXPECT_EQ(got.candidates, c.candidates) << c.line;
    EXPECT_FALSE(got.file) << c.line;
  }
}

TEST(Completion, FileArgumentsCompletePathsWithFoldersEndingInASlash) {
  std::string dir = make_temp_dir("completion");
  std::filesystem::create_directory(dir + "/logs");
  std::ofstream(dir + "/logs/good.log").put('\n');
  std::ofstream(dir + "/logs/bad.log").put('\n');
  std::ofstream(dir + "/logs/.hidden").put('\n');
  std::ofstream(dir + "/expected.txt").put('\n');
  for (const char* command : {"parse_qrt", "check_regs", "get_pci_info", "get_edid_info"}) {
    std::string line = std::string(command) + " " + dir + "/";
    Completion all = complete_line(line, kCommands);
    EXPECT_TRUE(all.file) << command;
    EXPECT_EQ(all.start, std::string(command).size() + 1);
    EXPECT_EQ(all.candidates, (std::vector<std::string>{dir + "/expected.txt", dir + "/logs/"})) << command;
  }
  EXPECT_EQ(complete_line("parse_qrt " + dir + "/logs/g", kCommands).candidates,
            std::vector<std::string>{dir + "/logs/good.log"});
  EXPECT_EQ(complete_line("parse_qrt " + dir + "/logs/.", kCommands).candidates,
            std::vector<std::string>{dir + "/logs/.hidden"});
  // A folder that does not exist offers nothing and fails nothing.
  EXPECT_TRUE(complete_line("parse_qrt " + dir + "/none/x", kCommands).candidates.empty());
  remove_tree(dir);
}

TEST(Completion, ArgumentKindsGoByCommandInAnyCaseAndPosition) {
  EXPECT_EQ(argument_kind("read_mem", 3), ArgumentKind::kWidth);
  EXPECT_EQ(argument_kind("READ_MEM", 3), ArgumentKind::kWidth);
  EXPECT_EQ(argument_kind("read_mem", 5), ArgumentKind::kNone);
  EXPECT_EQ(argument_kind("read_mem", 0), ArgumentKind::kNone);
}

// The dov family's names: registers, REG.FIELD after a dot, fields alone
// only where the family has them once.
TEST(Completion, RegisterAndFieldNamesOfTheFamily) {
  auto has = [](const std::vector<std::string>& words, const std::string& w) {
    return std::find(words.begin(), words.end(), w) != words.end();
  };
  std::vector<std::string> plane = register_names_for(2, "PLANE_A_");
  EXPECT_TRUE(has(plane, "plane_a_ctrl"));
  EXPECT_TRUE(has(plane, "plane_a_stride"));
  EXPECT_FALSE(has(plane, "plane_b_ctrl"));
  std::vector<std::string> fields = register_names_for(2, "plane_a_ctrl.disp_");
  EXPECT_TRUE(has(fields, "plane_a_ctrl.disp_plane_a_enable"));
  EXPECT_TRUE(has(fields, "plane_a_ctrl.disp_a_pipe_select"));
  for (const auto& f : fields) EXPECT_EQ(f.rfind("plane_a_ctrl.", 0), 0u) << f;
  EXPECT_TRUE(has(register_names_for(2, "disp_plane_a_en"), "disp_plane_a_enable"));
  EXPECT_TRUE(register_names_for(99, "plane").empty());

  // Through the provider, for the commands that take names.
  set_word_provider(ArgumentKind::kRegister, [](const std::string& p) { return register_names_for(2, p); });
  EXPECT_EQ(complete_line("read_reg plane_a_str", kCommands).candidates, std::vector<std::string>{"plane_a_stride"});
  EXPECT_EQ(complete_line("read_reg pipe_a_conf plane_a_str", kCommands).candidates,
            std::vector<std::string>{"plane_a_stride"});
  EXPECT_EQ(complete_line("watch_reg plane_a_ctrl 100 ", kCommands).candidates, std::vector<std::string>{});
  set_word_provider(ArgumentKind::kRegister, nullptr);
  EXPECT_TRUE(complete_line("read_reg plane_a_str", kCommands).candidates.empty());
}

TEST(Completion, CommonPrefixKeepsTheFirstCandidatesCase) {
  EXPECT_EQ(common_prefix({}), "");
  EXPECT_EQ(common_prefix({"get_plane_regs"}), "get_plane_regs");
  EXPECT_EQ(common_prefix({"get_pipe_regs", "get_plane_regs", "GET_PORT_REGS"}), "get_p");
  EXPECT_EQ(common_prefix({"read_mmio", "read_mmio_regs"}), "read_mmio");
  EXPECT_EQ(common_prefix({"hw", "pri"}), "");
}

}  // namespace
