// The command set below its handlers: the argument record, the catalogue of
// every command's names and help texts, the joined table of the commands a
// deliverable carries, and the tokenizer that fills a record. The handlers
// themselves live in the command layer's tables.
#pragma once
#include <cstddef>
#include <cstdint>

#include "lumainfo.h"

constexpr int kArgSlots = 23;
constexpr int kArgSlotSize = 256;
constexpr int kMaxTokens = kArgSlots - 1;  // the command word and 21 parameters
constexpr int kCommandLineMax = 255;

struct cmd_args_t {
  int32_t count;
  int32_t help;
  char slot[kArgSlots][kArgSlotSize];
};

typedef opal_exit_t (*cmd_handler_t)(cmd_args_t* args);

struct cmd_entry_t {
  uint32_t id;
  char name[256];
  int32_t min_tokens;
  int32_t max_tokens;
  int32_t in_all;
  cmd_handler_t handler;
};

// Command ids. Some ids have an upper-case name but no command.
enum command_id : uint32_t {
  CMD_GET_OS_NAME = 0,
  CMD_GET_CHIPSET_NAME = 1,
  CMD_GET_SYSTEM_MEMORY = 2,
  CMD_GET_CPU_INFO = 3,
  CMD_GET_DRIVER_VERSION = 4,
  CMD_GET_PLANE_REGS = 5,
  CMD_GET_PORT_REGS = 6,
  CMD_GET_PIPE_REGS = 7,
  CMD_GET_FUSE_REGS = 8,
  CMD_GET_CURRENT_DISP_MODE = 9,
  CMD_GET_CURRENT_DISP_CONFIG = 10,
  CMD_GET_DISP_INFO = 11,
  CMD_GET_SYS_BIOS_VERSION = 12,
  CMD_GET_VBIOS_VERSION = 13,
  CMD_GET_CMOS_SETTINGS = 14,
  CMD_GET_DEVICES_INFO = 16,
  CMD_GET_VGACNTRL = 17,
  CMD_GET_REG_LVDS = 18,
  CMD_READ_ERROR = 19,
  CMD_GET_PTR_TAIL = 20,
  CMD_GET_PTR_START = 21,
  CMD_READ_MMIO = 23,
  CMD_WRITE_MMIO = 24,
  CMD_GET_ROT_STATUS = 25,
  CMD_GET_PORT_ATTRIB = 26,
  CMD_GET_EDID_INFO = 27,
  CMD_READ_I2C_REG = 28,
  CMD_WRITE_I2C_REG = 29,
  CMD_READ_MMIO_REGS = 30,
  CMD_READ_MEM = 31,
  CMD_WRITE_MEM = 32,
  CMD_GET_TV_REGS = 33,
  CMD_SET_DISPLAY_MODE = 34,
  CMD_ENABLE_PORT = 35,
  CMD_DISABLE_PORT = 36,
  CMD_GET_CURRENT_DC = 37,
  CMD_WAIT = 38,
  CMD_SET_SCRN_RES = 39,
  CMD_READ_RING_INS = 40,
  CMD_DECODE_INS = 41,
  CMD_ROTATE = 42,
  CMD_FLIP = 43,
  CMD_GET_DC_LIST = 44,
  CMD_GET_DRIVER_MODE_LIST = 45,
  CMD_GET_DISP_PORT_MAPPING = 46,
  CMD_CHECK_REGS = 47,
  CMD_GET_CRC_VALUES = 48,
  CMD_GET_FRAME_BUFFER = 49,
  CMD_SET_DEBUG_VOL = 50,
  CMD_PARSE_QRT = 51,
  CMD_GET_PCI_INFO = 52,
  CMD_VIDEO_CRC_START = 53,
  CMD_VIDEO_CRC_STOP = 54,
  CMD_GET_CRC = 55,
  CMD_GET_CRC_DEBUG_INFO = 56,
  CMD_GET_SURFACE_DATA = 57,
  CMD_GET_VIDEO_FPS = 58,
  CMD_GET_REG_INFO = 59,
  CMD_GET_INF_FILE = 60,
  CMD_GET_DIRECTX_VERSION = 61,
  CMD_GET_ALL_SOFTWARE = 62,
  CMD_GET_WINDOWS_MODES = 63,
  CMD_GET_REG_VALUE = 64,
  CMD_SET_REG_VALUE = 65,
  CMD_DEL_REG = 66,
  CMD_GET_CONFIG_ID = 67,
  CMD_SET_CONFIG_ID = 68,
};

// The three tables, joined in this order.
enum class CommandGroup { DisplaySystem, RegistryInventory, Hardware };

// One command as the catalogue knows it: its texts, not its handler.
struct CommandInfo {
  uint32_t id;
  const char* name;   // command word; null for ids that only have a name
  const char* upper;  // upper-case name
  CommandGroup group;
  int32_t min_tokens;
  int32_t max_tokens;
  int32_t in_all;
  const char* usage;        // null: no help text
  const char* description;
  const char* params[5];
};

// Every id with a name, commands in table order first.
const CommandInfo* command_catalog(size_t* count);
const CommandInfo* find_command_info(uint32_t id);

// A table of handlers by command id; the command layer defines one per
// group (and a smaller hardware table for the console deliverables).
struct CommandHandlerRow {
  uint32_t id;
  cmd_handler_t handler;
};
struct CommandHandlerTable {
  const CommandHandlerRow* rows;
  size_t count;
};

// Which handler tables a deliverable links. Only the tables named here
// reach its binary; help texts and names answer for every id regardless.
// Defined once per deliverable, in its parts object.
struct CommandSet {
  const CommandHandlerTable* tables[3];
};
extern const CommandSet kCommandSet;

// Commands a front end carries beyond its parts object's command set
// (luma_cli's register commands): their catalogue rows and handlers, in
// one table linked into that front end only. They never join the
// library's table below; the console appends them to its own copy, and
// once registered their names and help texts answer like the others'.
struct ExtraCommands {
  const CommandInfo* info;
  const CommandHandlerRow* handlers;  // one per row of `info`, same order
  size_t count;
};
void register_extra_commands(const ExtraCommands* extra);
const ExtraCommands* registered_extra_commands();

// The joined table, built on first use and kept until release.
extern "C" cmd_entry_t* get_command_table(int32_t* count);
void release_command_table();
void get_command_id_name(uint32_t id, char* name);

// Fills `args` with the command's help text and returns 0: the usage
// line, the description and one line per parameter.
opal_exit_t write_help(cmd_args_t* args, uint32_t id);

// Result lines: appends one formatted line to the record (ignored when the
// slots are full) and returns false once they are.
bool add_result(cmd_args_t* args, const char* format, ...) LUMA_PRINTF(2, 3);

// Splits a command line into the record. False when the line holds more
// than 22 tokens.
bool tokenize_command_line(const char* line, cmd_args_t* args);

// Reads a number with automatic base (0x hexadecimal, leading 0 octal);
// false when the text is not wholly a number.
bool parse_unsigned(const char* text, uint32_t& value);
