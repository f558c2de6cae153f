// The command catalogue, the joined table, names, help texts and the tokenizer.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/command_table.h"
#include "commands/handler_tables.h"
#include "commands/handlers.h"
#include "core/msglog.h"
#include "support/sim_fixture.h"

namespace {

std::vector<const CommandInfo*> commands_in(CommandGroup group) {
  size_t n = 0;
  const CommandInfo* rows = command_catalog(&n);
  std::vector<const CommandInfo*> out;
  for (size_t i = 0; i < n; ++i)
    if (rows[i].name && rows[i].group == group) out.push_back(&rows[i]);
  return out;
}

// The handler the joined table carries for a command, or null.
cmd_handler_t joined_handler(uint32_t id) {
  int32_t n = 0;
  cmd_entry_t* t = get_command_table(&n);
  for (int32_t i = 0; i < n; ++i)
    if (t[i].id == id) return t[i].handler;
  return nullptr;
}

// Every row must be sane: the interpreter and the help listing trust them.
TEST(CommandCatalog, RowsAreConsistent) {
  size_t n = 0;
  const CommandInfo* rows = command_catalog(&n);
  std::set<uint32_t> ids;
  std::set<std::string> names, uppers;
  for (size_t i = 0; i < n; ++i) {
    const CommandInfo& c = rows[i];
    SCOPED_TRACE(c.upper);
    EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
    EXPECT_TRUE(uppers.insert(c.upper).second);
    for (const char* p = c.upper; *p; ++p) EXPECT_FALSE(std::islower(static_cast<unsigned char>(*p)));
    if (!c.name) continue;
    EXPECT_TRUE(names.insert(c.name).second);
    EXPECT_LT(std::strlen(c.name), 256u);
    for (const char* p = c.name; *p; ++p) EXPECT_FALSE(std::isupper(static_cast<unsigned char>(*p)));
    EXPECT_GE(c.min_tokens, 1);
    EXPECT_LE(c.min_tokens, c.max_tokens);
    EXPECT_LE(c.max_tokens, kMaxTokens);
    EXPECT_TRUE(c.in_all == 0 || c.in_all == 1);
    EXPECT_EQ(c.usage == nullptr, c.description == nullptr);
    if (c.usage) {
      EXPECT_EQ(c.description[0], '(');
      for (const char* p : c.params)
        if (p) {
          EXPECT_EQ(std::string(p).rfind("\t ", 0), 0u) << p;
        }
    }
  }
}

TEST(CommandCatalog, TablesHoldTheDeliverablesCommands) {
  EXPECT_EQ(commands_in(CommandGroup::DisplaySystem).size(), 22u);
  EXPECT_EQ(commands_in(CommandGroup::RegistryInventory).size(), 10u);
  auto hw = commands_in(CommandGroup::Hardware);
  EXPECT_EQ(22u + 10u + hw.size(), 61u);
  // The console deliverables' hardware table holds read_mmio_regs alone.
  for (size_t i = 0; i < console_hardware_handlers.count; ++i)
    EXPECT_EQ(console_hardware_handlers.rows[i].id, CMD_READ_MMIO_REGS);
  EXPECT_EQ(commands_in(CommandGroup::DisplaySystem).front()->id, CMD_GET_OS_NAME);
  EXPECT_EQ(hw.back()->id, CMD_READ_MMIO_REGS);
}

TEST(CommandCatalog, UpperCaseNamesById) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0, "GET_OS_NAME"},          {63, "GET_WINDOWS_MODES"},     {35, "ENABLE_PORT"},
      {36, "DISABLE_PORT"},        {10, "GET_CURRENT_DISP_CONFIG"}, {11, "GET_DISP_INFO"},
      {13, "GET_VBIOS_VERSION"},   {16, "GET_DEVICES_INFO"},      {20, "GET_PTR_TAIL"},
      {21, "GET_PTR_START"},       {15, "Unknown"},               {22, "Unknown"},
      {69, "Unknown"},             {0xFFFFFFFF, "Unknown"},       {45, "GET_DRIVER_MODE_LIST"},
      {46, "GET_DISP_PORT_MAPPING"}, {2, "GET_SYSTEM_MEMORY"},    {19, "READ_ERROR"},
  };
  for (auto [id, name] : cases) {
    char buf[256];
    get_command_id_name(id, buf);
    EXPECT_STREQ(buf, name) << id;
  }
}

TEST(CommandCatalog, TokenRangesOfTheTrickyCommands) {
  struct Range {
    uint32_t id;
    int32_t min, max;
  };
  const Range cases[] = {{CMD_DEL_REG, 2, 3},        {CMD_GET_FRAME_BUFFER, 1, 6}, {CMD_SET_REG_VALUE, 6, 6},
                         {CMD_GET_EDID_INFO, 1, 2},  {CMD_GET_VIDEO_FPS, 2, 2},    {CMD_READ_MMIO, 2, 5},
                         {CMD_GET_SURFACE_DATA, 2, 2}, {CMD_WAIT, 2, 2}};
  for (auto c : cases) {
    const CommandInfo* info = find_command_info(c.id);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->min_tokens, c.min) << info->name;
    EXPECT_EQ(info->max_tokens, c.max) << info->name;
  }
}

// A handler registered in another group's table would join at the wrong
// place, and a console deliverable would carry a hardware handler.
TEST(CommandTable, EachHandlerTableHoldsOnlyItsGroupsCommandsOnce) {
  const std::pair<const CommandHandlerTable*, CommandGroup> tables[] = {
      {&display_system_handlers, CommandGroup::DisplaySystem},
      {&registry_inventory_handlers, CommandGroup::RegistryInventory},
      {&hardware_handlers, CommandGroup::Hardware},
      {&console_hardware_handlers, CommandGroup::Hardware},
  };
  for (auto [table, group] : tables) {
    std::set<uint32_t> ids;
    for (size_t i = 0; i < table->count; ++i) {
      const CommandHandlerRow& row = table->rows[i];
      const CommandInfo* info = find_command_info(row.id);
      ASSERT_NE(info, nullptr) << row.id;
      ASSERT_NE(info->name, nullptr) << info->upper;
      EXPECT_EQ(info->group, group) << info->name;
      EXPECT_NE(row.handler, nullptr) << info->name;
      EXPECT_TRUE(ids.insert(row.id).second) << info->name;
    }
  }
  EXPECT_EQ(display_system_handlers.count, 22u);
}

TEST(CommandTable, JoinsCarriedCommandsInTableOrder) {
  int32_t count = 0;
  cmd_entry_t* t = get_command_table(&count);
  ASSERT_NE(t, nullptr);
  ASSERT_GT(count, 0);
  EXPECT_EQ(get_command_table(nullptr), t);  // kept between calls
  // Only built handlers join, in the order of the three tables.
  int last_group = 0;
  for (int32_t i = 0; i < count; ++i) {
    ASSERT_NE(t[i].handler, nullptr);
    const CommandInfo* info = find_command_info(t[i].id);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(t[i].name, info->name);
    int group = static_cast<int>(info->group);
    EXPECT_GE(group, last_group) << t[i].name;
    last_group = group;
  }
  release_command_table();
}

TEST(CommandHelp, WritesUsageDescriptionAndParameterLines) {
  cmd_args_t args{};
  args.help = 1;
  std::strcpy(args.slot[0], "wait");
  cmd_handler_t wait = joined_handler(CMD_WAIT);
  ASSERT_NE(wait, nullptr);
  ASSERT_EQ(wait(&args), EXIT_OK);
  ASSERT_EQ(args.count, 3);
  EXPECT_STREQ(args.slot[0], "wait num_seconds");
  EXPECT_STREQ(args.slot[1], "(Waits for user specified number of seconds)");
  EXPECT_STREQ(args.slot[2], "\t num_seconds - Number of seconds to wait for");

  cmd_args_t fps{};
  ASSERT_EQ(write_help(&fps, CMD_GET_VIDEO_FPS), EXIT_OK);
  ASSERT_EQ(fps.count, 3);
  EXPECT_STREQ(fps.slot[2],
               "\t options   - START/FPS\n\t\t START - Starts counting frame per second\n\t\t FPS\t- Stops counting and gets fps");

  cmd_args_t del{};
  ASSERT_EQ(write_help(&del, CMD_DEL_REG), EXIT_OK);
  ASSERT_EQ(del.count, 5);
  EXPECT_STREQ(del.slot[2],
               "\t reg - The exact path to the registry key with \\ for sub-hives, starting from ALL/Config/Chipset Id");

  // Commands without a help text give no lines.
  cmd_args_t i2c{};
  std::strcpy(i2c.slot[0], "read_i2c_reg");
  ASSERT_EQ(write_help(&i2c, CMD_READ_I2C_REG), EXIT_OK);
  EXPECT_EQ(i2c.count, 0);
  EXPECT_EQ(i2c.slot[0][0], '\0');
}

// Every carried handler runs behind the shared head: a null record gives 5
// and a help request writes exactly the command's help lines, touching
// nothing else (a wait of 5 seconds, a debug volume of 7).
TEST(CommandHandlers, NullRecordGivesInvalidParamAndHelpWritesTheHelpLines) {
  int32_t n = 0;
  cmd_entry_t* t = get_command_table(&n);
  ASSERT_GT(n, 0);
  for (int32_t i = 0; i < n; ++i) {
    SCOPED_TRACE(t[i].name);
    EXPECT_EQ(t[i].handler(nullptr), EXIT_INVALID_PARAM_ERROR);
    cmd_args_t asked{};
    ASSERT_TRUE(tokenize_command_line((std::string(t[i].name) + " 7 5 5 5 5").c_str(), &asked));
    asked.help = 1;
    cmd_args_t expected{};
    ASSERT_EQ(write_help(&expected, t[i].id), EXIT_OK);
    EXPECT_EQ(t[i].handler(&asked), EXIT_OK);
    ASSERT_EQ(asked.count, expected.count);
    for (int s = 0; s < kArgSlots; ++s) EXPECT_STREQ(asked.slot[s], expected.slot[s]) << s;
  }
  release_command_table();
}

struct TokenCase {
  std::string line;
  bool accepted;
  int count;
  std::string first, last;
};

std::string words(int n) {
  std::string s = "cmd";
  for (int i = 1; i < n; ++i) s += " p" + std::to_string(i);
  return s;
}

TEST(Tokenizer, SplitsAtBlanksTabsAndNewlinesUpTo22Tokens) {
  const TokenCase cases[] = {
      {"get_os_name", true, 1, "get_os_name", "get_os_name"},
      {"   rotate\tLVDS  90\n", true, 3, "rotate", "90"},
      {"", true, 0, "", ""},
      {" \t \n", true, 0, "", ""},
      {words(22), true, 22, "cmd", "p21"},
      {words(23), false, 23, "cmd", "p22"},
      {words(40), false, 23, "cmd", "p22"},
  };
  for (const auto& c : cases) {
    cmd_args_t args{};
    EXPECT_EQ(tokenize_command_line(c.line.c_str(), &args), c.accepted) << c.line;
    EXPECT_EQ(args.count, c.count) << c.line;
    if (c.count) {
      EXPECT_STREQ(args.slot[0], c.first.c_str());
      EXPECT_STREQ(args.slot[c.count - 1], c.last.c_str());
    }
  }
}

TEST(Tokenizer, ReadsAtMost255CharactersOfTheLine) {
  std::string line = "cmd " + std::string(300, 'a');
  cmd_args_t args{};
  ASSERT_TRUE(tokenize_command_line(line.c_str(), &args));
  ASSERT_EQ(args.count, 2);
  EXPECT_EQ(std::strlen(args.slot[1]), 251u);
}

TEST(NumberParsing, AutomaticBase) {
  const std::pair<const char*, uint32_t> good[] = {{"0", 0}, {"10", 10}, {"0x1F", 31}, {"010", 8}, {"0xffffffff", 0xFFFFFFFFu}};
  for (auto [text, value] : good) {
    uint32_t v = 1234;
    EXPECT_TRUE(parse_unsigned(text, v)) << text;
    EXPECT_EQ(v, value) << text;
  }
  for (const char* bad : {"", "abc", "12x", "-1", "0x100000000", "08"}) {
    uint32_t v = 0;
    EXPECT_FALSE(parse_unsigned(bad, v)) << bad;
  }
}

TEST(NumberParsing, DwordsTakeNegativeNumbersAsTheirTwosComplement) {
  const std::pair<const char*, uint32_t> good[] = {
      {"-1", 0xFFFFFFFFu}, {"-2147483648", 0x80000000u}, {"-0x10", 0xFFFFFFF0u}, {"-0", 0}, {" -5", 0xFFFFFFFBu},
      {"0xffffffff", 0xFFFFFFFFu}, {"12", 12}};
  for (auto [text, value] : good) {
    uint32_t v = 1234;
    EXPECT_TRUE(parse_dword(text, v)) << text;
    EXPECT_EQ(v, value) << text;
  }
  for (const char* bad : {"", "-", "--1", "-+1", "- 1", "-2147483649", "-0x80000001", "-abc", "-1x", "0x100000000"}) {
    uint32_t v = 7;
    EXPECT_FALSE(parse_dword(bad, v)) << bad;
    EXPECT_EQ(v, 7u) << bad;
  }
}

class CommandRunTest : public SimTest {};

TEST_F(CommandRunTest, SetDebugVolReadsAnyBaseAndRefusesText) {
  cmd_args_t args{};
  ASSERT_TRUE(tokenize_command_line("set_debug_vol 0x10", &args));
  EXPECT_EQ(cmd_set_debug_vol(&args), EXIT_OK);
  EXPECT_EQ(args.count, 0);
  EXPECT_EQ(debug_volume, 16u);
  opal_set_debug_volume(2);

  cmd_args_t bad{};
  ASSERT_TRUE(tokenize_command_line("set_debug_vol loud", &bad));
  StdoutCapture capture;
  EXPECT_EQ(cmd_set_debug_vol(&bad), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(capture.stop(), "ERROR: Invalid debug volume: loud\n");
}

TEST_F(CommandRunTest, WaitReadsDecimalSecondsAndTreatsTextAsZero) {
  const std::pair<const char*, unsigned long long> cases[] = {{"wait 2", 2000}, {"wait abc", 0}, {"wait 0", 0}, {"wait 010", 10000}};
  for (auto [line, ms] : cases) {
    cmd_args_t args{};
    ASSERT_TRUE(tokenize_command_line(line, &args));
    auto before = machine().waited_ms();
    StdoutCapture capture;
    EXPECT_EQ(cmd_wait(&args), EXIT_OK);
    capture.stop();
    EXPECT_EQ(args.count, 0);
    EXPECT_EQ(machine().waited_ms() - before, ms) << line;
  }
  cmd_args_t huge{};
  ASSERT_TRUE(tokenize_command_line("wait 4294967297", &huge));
  StdoutCapture capture;
  EXPECT_EQ(cmd_wait(&huge), EXIT_INVALID_PARAM_ERROR);
  EXPECT_EQ(capture.stop(), "ERROR: Invalid number of seconds: 4294967297\n");
}

class MemoryTest : public SimTest {
 protected:
  // 1 GiB and a half MiB of physical memory: not a whole number of MiB.
  std::string profile() const override {
    return "base = dov\n[memory]\ntotal_phys = 0x40080000\navail_phys = 0x20000001\n"
           "total_virtual = 0x7FFE0000\navail_virtual = 0x7F000000\n"
           "total_page_file = 0x60000000\navail_page_file = 0x30000000\nload = 50\n";
  }
};

TEST_F(MemoryTest, ReportsSevenLinesRoundingTheTotalDownAndTheRestUp) {
  cmd_args_t args{};
  ASSERT_TRUE(tokenize_command_line("get_sys_mem", &args));
  ASSERT_EQ(cmd_get_sys_mem(&args), EXIT_OK);
  ASSERT_EQ(args.count, 7);
  const char* expected[] = {
      "Total Physical Memory                           : 1024 MB",
      "Available Physical Memory                       : 513  MB",
      "Total Virtual Memory                            : 2048 MB",
      "Available Virtual Memory                        : 2032 MB",
      "Total Page file Memory                          : 1536 MB",
      "Available Page file Memory                      : 768  MB",
      "Current Memory Load                             : 50 %",
  };
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(args.slot[i], expected[i]);
}

}  // namespace
