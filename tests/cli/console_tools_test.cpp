// luma_cli end to end, and the MMIO section of the automatic report that
// the report-log parser reads back.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <vector>

#include "support/run_tool.h"
#include "support/sim_fixture.h"

namespace {

const char kSeparator[] = "\t============================\n";

class ConsoleToolsTest : public ::testing::Test {
 protected:
  void SetUp() override { state_ = make_temp_dir("cli-state"); }
  void TearDown() override {
    for (auto& dir : dirs_) remove_tree(dir);
    remove_tree(state_);
  }
  ToolRun run(const std::string& tool, const std::vector<std::string>& args, const std::string& input = "") {
    ToolRun r = run_tool(tool, args, input, {{"LUMA_SIM_STATE", state_}, {"LUMA_SIM_PROFILE", profile_}});
    dirs_.push_back(r.dir);
    return r;
  }
  // A profile file whose MMIO ranges hold counters.
  void counter_profile() {
    dirs_.push_back(make_temp_dir("cli-profile"));
    profile_ = dirs_.back() + "/counter.profile";
    write_file(profile_,
               "base = dov\n[machine]\nwait_scale = 0\n[mmio 2 fill]\n0x1000 = 0xA000 counter\n"
               "0x10000 = 0x4000 counter\n0x30000 = 0x10000 counter\n0x60000 = 0x9000 counter\n"
               "0x70000 = 0x2000 counter\n");
  }
  std::vector<std::string> dirs_;
  std::string state_;
  std::string profile_ = "dov";
};

bool exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// The registers the simulated display sets from its screens: pipe
// configuration and timings, the pipes' CRC results, planes, ports.
bool follows_screen(uint32_t word) {
  for (uint32_t block : {0x60000u, 0x61000u, 0x70180u, 0x71180u})
    if (word - block < 0x20) return true;
  for (uint32_t crc : {0x60060u, 0x61060u})
    if (word - crc < 0x10) return true;
  for (uint32_t reg : {0x70008u, 0x71008u, 0x68000u, 0x61100u, 0x61140u, 0x61160u, 0x61180u, 0x64100u, 0x64200u})
    if (word == reg) return true;
  return false;
}

// The bytes of the read_mmio_regs section, read as the report-log parser
// reads them: lines between the two lines naming the command; of those, the
// ones whose first token does not begin with a letter; every token after the
// address is a byte.
std::vector<uint8_t> mmio_section_bytes(const std::string& log) {
  std::vector<uint8_t> bytes;
  std::istringstream in(log);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.find("Function: READ_MMIO_REGS") != std::string::npos) {
      inside = !inside;
      continue;
    }
    std::istringstream tokens(line);
    std::string address, byte;
    if (!inside || !(tokens >> address) || std::isalpha(static_cast<unsigned char>(address[0]))) continue;
    while (tokens >> byte) bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
  }
  return bytes;
}

TEST_F(ConsoleToolsTest, ReportSectionHoldsTheNineRangesByteByByte) {
  counter_profile();
  const struct {
    uint32_t first, last;
  } ranges[] = {{0x1000, 0xAFFF},  {0x10000, 0x13FFF}, {0x30000, 0x3FFFF}, {0x60000, 0x68FFF}, {0x70000, 0x7000F},
                {0x70180, 0x7019F}, {0x71000, 0x7100F}, {0x71180, 0x7119F}, {0x71400, 0x7140F}};
  for (const char* tool : {"luma_qrt", "luma_cli"}) {
    ToolRun r = run(tool, {});
    ASSERT_EQ(r.status, 0) << r.console;
    std::vector<uint8_t> bytes = mmio_section_bytes(r.log);
    size_t at = 0;
    for (auto& range : ranges)
      for (uint32_t word = range.first; word <= range.last; word += 4, at += 4) {
        ASSERT_LE(at + 4, bytes.size()) << tool;
        // Registers that follow the simulated screens, the profile's own
        // settings and the I2C controller's registers hold what they hold.
        if (follows_screen(word) || word - 0x2030 < 0x10 || word - 0x5100 < 0x24) continue;
        uint32_t value = bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
        // A counter, or a register the family tables name: the family's
        // tag over its own offset. Either way the offset shows.
        if (value != word) {
          ASSERT_EQ(value, 0x22000000u | word) << tool << " at " << std::hex << word;
        }
      }
    EXPECT_EQ(bytes.size(), 159856u) << tool;
    EXPECT_NE(r.log.find("Function: READ_MMIO_REGS\n00001000     00 10 00 00\n00001004     04 10 00 00\n"),
              std::string::npos)
        << tool;
    EXPECT_NE(r.log.find("0007140C     0C 14 07 00\n\n\n\n\nFunction: READ_MMIO_REGS, Exit Code: EXIT_OK\n"),
              std::string::npos)
        << tool;
  }
}

TEST_F(ConsoleToolsTest, CliRunsTheFullAllSetIntoItsOwnLog) {
  ToolRun r = run("luma_cli", {});
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_EQ(r.console, "Varnel\256 Lumagraph\nLUMA_CLI output redirected to luma_cli.log\n");
  EXPECT_EQ(r.log.rfind("LUMA_CLI:1.15.3664\n\n", 0), 0u);
  EXPECT_FALSE(exists(r.dir + "/luma_qrt.log"));
  // The hardware table's "all" commands run after the other two tables.
  size_t os = r.log.find("Function: GET_OS_NAME\n");
  size_t pci = r.log.find("Function: GET_PCI_INFO\n");
  size_t regs = r.log.find("Function: READ_MMIO_REGS\n");
  ASSERT_NE(pci, std::string::npos) << r.log.substr(0, 2000);
  EXPECT_LT(os, pci);
  EXPECT_LT(pci, regs);
  EXPECT_NE(r.log.find("Function: GET_PCI_INFO, Exit Code: EXIT_OK\n"), std::string::npos);
  EXPECT_EQ(r.log.find("ULTSUMMARY"), std::string::npos);
  EXPECT_EQ(r.log.find("READ_MEM"), std::string::npos);  // not in "all"

  // The console report tool carries read_mmio_regs alone of the hardware table.
  ToolRun q = run("luma_qrt", {"--script"}, "get_pci_info\nread_mmio 0x70180\n");
  EXPECT_NE(q.log.find("No command found by the name: get_pci_info\n"), std::string::npos) << q.log;
  EXPECT_NE(q.log.find("ULTSUMMARY 0 0"), std::string::npos);
}

struct ScriptCase {
  const char* line;
  const char* block;  // text of the line's block in the log
};

TEST_F(ConsoleToolsTest, CliScriptRunsHardwareCommandsWithTheirEdgeCases) {
  const ScriptCase cases[] = {
      {"read_mem 0x1000", "Function: READ_MEM\n00001000     00000000\n\n\n\n\nFunction: READ_MEM, Exit Code: EXIT_OK\n"},
      {"write_mem 0x100 0xFF 8 4",
       "WROTE: From Address: 0x100 to 0x104 address, Value: 0xFF\n\n\nFunction: WRITE_MEM, Exit Code: EXIT_OK\n"},
      {"read_mem 0x100 1", "00000100     FFFFFFFF\n"},
      {"write_mem 0x100 1 24", "Function: WRITE_MEM, Exit Code: EXIT_INVALID_PARAM_ERROR\n"},
      {"read_mmio 0x70180", "READ: Register: 0x70180 Value: 0x98000000\n\n\nFunction: READ_MMIO, Exit Code: EXIT_OK\n"},
      // The plane as the 1024x768, 32-bit screen set it: surface, stride,
      // size; registers it leaves alone keep their own values.
      {"read_mmio 0x70180 8 32",
       "Function: READ_MMIO\n00070180     98000000 00080000 00001000 00000000\n"
       "00070190     02FF03FF 22070194 00000000 2207019C\n\n\n\n\nFunction: READ_MMIO, Exit Code: EXIT_OK\n"},
      {"write_mmio 0x70180 typo", "ERROR: Invalid value: typo\nFunction: WRITE_MMIO, Exit Code: EXIT_INVALID_PARAM_ERROR\n"},
      {"read_mmio 0x70180", "READ: Register: 0x70180 Value: 0x98000000\n"},  // the typo changed nothing
      {"read_mem 0xFFFFF000 4096", "Function: READ_MEM, Exit Code: EXIT_INVALID_PARAM_ERROR\n"},
      {"get_pci_info 0:2", "ERROR: Invalid parameters\nFunction: GET_PCI_INFO, Exit Code: EXIT_INVALID_PARAM_ERROR\n"},
      {"get_pci_info 0:2:0", "vendor_id                                       : 0x1E1D\n"},
      {"read_mmio_regs",
       "Instruction, Memory and Interrupt Control Registers [0x2FFF : 0x2000]\n\n00002000     00 00 00 00\n"},
      {"read_i2c_reg 0x70", "Function: READ_I2C_REG\n\n\nFunction: READ_I2C_REG, Exit Code: EXIT_OK\n"},
  };
  std::string script;
  for (auto& c : cases) script += std::string(c.line) + "\n";
  script += "read_mem\nhelp read_i2c\nhelp read_mem\nquit\n";
  ToolRun r = run("luma_cli", {"--script"}, script);
  ASSERT_EQ(r.status, 0);
  // One block per dispatched line, in order.
  std::vector<std::string> blocks;
  size_t from = 0;
  for (size_t at; (at = r.log.find(kSeparator, from)) != std::string::npos; from = at + sizeof kSeparator - 1)
    blocks.push_back(r.log.substr(from, at - from));
  ASSERT_EQ(blocks.size(), sizeof cases / sizeof *cases) << r.log.substr(0, 3000);
  for (size_t i = 0; i < blocks.size(); ++i)
    EXPECT_NE(blocks[i].find(cases[i].block), std::string::npos) << cases[i].line << "\n" << blocks[i].substr(0, 800);
  // The family's range dump reads each register at its own offset.
  EXPECT_NE(r.log.find("\n00002024     24 20 00 22\n"), std::string::npos);
  EXPECT_NE(r.log.find("Function:READ_MEM, requires in between 1 and 3 parameters\n"), std::string::npos);
  // The I2C commands have no help text; read_mem has its own.
  EXPECT_NE(r.log.find("HELP OPTIONS///////////////////////////////////\n//\n" + std::string(82, '/') + "\n"),
            std::string::npos);
  EXPECT_NE(r.log.find("//\n// read_mem start [length] [8/16/32]\n// (Prints the memory addresses)\n"), std::string::npos);
  EXPECT_NE(r.log.find("\nULTSUMMARY 9 4\n"), std::string::npos) << r.log.substr(r.log.size() - 200);
}

// One usage, generated from the option definitions; refused options exit 2
// before any session is opened, so no log is written.
TEST_F(ConsoleToolsTest, CliOptionsAreParsedWithOneGeneratedUsage) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* text;  // in what it printed
  } const cases[] = {
      {{"/?"}, 0, "--compare LOG LOG "},
      {{"/?"}, 0, "--html OUT LOG [LOG]   "},  // the counts its words spell out, on the option's line
      {{"--HELP"}, 0, "--script"},
      {{"--help"}, 0, "luma_cli --compare good.log bad.log"},
      {{"--script", "-h"}, 0, "Usage: luma_cli [OPTIONS]"},
      {{"--bogus"}, 2, "--bogus"},
      {{"stray"}, 2, "stray"},
      {{"--compare", "one.log"}, 2, "--compare"},
      {{"--compare", "a.log", "b.log", "c.log"}, 2, "received 3"},
      {{"--script", "--compare", "a.log", "b.log"}, 2, "does not go with --script"},
  };
  for (const Case& c : cases) {
    ToolRun r = run("luma_cli", c.args);
    std::string what = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
    EXPECT_EQ(r.status, c.status) << what << "\n" << r.console;
    EXPECT_NE(r.console.find(c.text), std::string::npos) << what << "\n" << r.console;
    EXPECT_TRUE(r.log.empty()) << what;
    EXPECT_EQ(r.console.find("output redirected"), std::string::npos) << what;
  }
}

}  // namespace
