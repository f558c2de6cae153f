// The register tables of the dump commands, each family's MMIO ranges and
// constants, and the choice of the family at session start.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>

#include "core/msglog.h"
#include "devices/device_ids.h"
#include "hw/driver_client.h"
#include "hw/hw_regs.h"

namespace {

constexpr uint8_t AVA = FAM_AVA, DOV = FAM_DOV, CYR = FAM_CYR, EFT = FAM_EFT, FYN = FAM_FYN, BEX = FAM_BEX;
constexpr uint8_t ALL = AVA | DOV | CYR | EFT | FYN | BEX;

// Each table in dump order; a family dumps the rows that name it.
const reg_row_t kPlaneRows[] = {
    {0x70180, "Display A Plane Control Register", DECODE_PLANE_A_CTRL, ALL, "plane_a_ctrl"},
    {0x70184, "Display A Start Address Register", DECODE_START_ADDR, ALL, "plane_a_start_addr"},
    {0x70188, "Display A Stride Register", DECODE_STRIDE, ALL, "plane_a_stride"},
    {0x70190, "Sprite Height and Width Register", DECODE_SPRITE_SIZE, AVA | DOV | CYR | EFT, "sprite_a_size"},
    {0x70194, "Sprite Color Key Value Register", DECODE_COLOR_KEY, ALL, "sprite_a_color_key"},
    {0x7019C, "Display A Stereo Second Eye Address", DECODE_SECOND_EYE_ADDR, AVA | DOV | CYR, "plane_a_second_eye_addr"},
    {0x71180, "Display B Plane Control Register", DECODE_PLANE_B_CTRL, ALL, "plane_b_ctrl"},
    {0x71184, "Display B Start Address Register", DECODE_START_ADDR, ALL, "plane_b_start_addr"},
    {0x71188, "Display B Stride Register", DECODE_STRIDE, ALL, "plane_b_stride"},
    {0x71190, "Sprite Height and Width Register", DECODE_SPRITE_SIZE, ALL, "sprite_b_size"},
    {0x71194, "Sprite Color Key Value Register", DECODE_COLOR_KEY, ALL, "sprite_b_color_key"},
    {0x7119C, "Display B Stereo Second Eye Address", DECODE_SECOND_EYE_ADDR, AVA | DOV | CYR, "plane_b_second_eye_addr"},
};

const reg_row_t kPortRows[] = {
    {0x61180, "LVDS Port", DECODE_LVDS_PORT, FYN | BEX, "lvds_port"},
    {0x61100, "Analog Port", DECODE_ANALOG_PORT, AVA | DOV | CYR | BEX, "analog_port"},
    {0x61120, "DVO A Port", DECODE_DVO_A_PORT, AVA | DOV | CYR, "dvo_a_port"},
    {0x61140, "DVO B Port", DECODE_DVO_PORT, AVA | DOV | CYR | EFT, "dvo_b_port"},
    {0x61140, "DVOB Port", DECODE_DVO_PORT, FYN, "dvo_b_port"},
    {0x61140, "DVO/HDMIB Port", DECODE_DVO_PORT, BEX, "dvo_b_port"},
    {0x61160, "DVO C Port", DECODE_DVO_PORT, AVA | DOV | CYR, "dvo_c_port"},
    {0x61160, "DVO/HDMIC Port", DECODE_DVO_PORT, BEX, "dvo_c_port"},
    {0x61150, "DVO/DISPLAY Port DFT", DECODE_DP_DFT_PORT, BEX, "dp_dft_port"},
    {0x64100, "DVO/DISPLAY Port B", DECODE_DP_PORT, BEX, "dp_b_port"},
    {0x64200, "DVO/DISPLAY Port C", DECODE_DP_PORT, BEX, "dp_c_port"},
    {0x7000, "CDVO Port", DECODE_PORT_7000, FYN, "cdvo_port"},
};

// Offsets 0: taken from the family's error register offsets.
const reg_row_t kErrorRows[] = {
    {0, "Page Table Error Register", DECODE_PGTBL_ER, ALL, "pgtbl_er"},
    {0, "Instruction Parser Error Indication Register", DECODE_IPEIR, AVA | DOV | CYR, "ipeir"},
    {0, "Instruction Parser Error Header Register", DECODE_IPEHR, AVA | DOV | CYR, "ipehr"},
    {0, "Active Head Pointer Register", DECODE_ACTHD, AVA | DOV | CYR, "acthd"},
    {0, "Interrupt Status Register", DECODE_INT_STATUS, ALL, "int_status"},
    {0, "Error Status Register", DECODE_ERROR_STATUS, ALL, "error_status"},
    {0, "Primary DMA Fetch Address Register", DECODE_DMA_FADD, AVA | DOV | CYR, "dma_fadd"},
};

// Offsets 0: the family's DPLL A registers.
const reg_row_t kPipeRows[] = {
    {0, "A Control Register", DECODE_DPLL_A_CTRL, ALL, "dpll_a_ctrl"},
    {0, "DPLL A Divisor Register 0", DECODE_DPLL_DIVISOR, ALL, "dpll_a_divisor0"},
    {0, "DPLL A Divisor Register 1", DECODE_DPLL_DIVISOR, ALL, "dpll_a_divisor1"},
    {0x70008, "Pipe A Configuration Register", DECODE_PIPE_A_CONF, ALL, "pipe_a_conf"},
    {0x60000, "Pipe A Horizantal Total Register", DECODE_PIPE_A_HTOTAL, ALL, "pipe_a_htotal"},
    {0x60004, "Pipe A Horizantal Blank Register", DECODE_PIPE_A_HBLANK, ALL, "pipe_a_hblank"},
    {0x60008, "Pipe A Horizantal Sync Register", DECODE_PIPE_A_HSYNC, ALL, "pipe_a_hsync"},
    {0x6000C, "Pipe A Vertical Total Register", DECODE_PIPE_A_VTOTAL, ALL, "pipe_a_vtotal"},
    {0x60010, "Pipe A Vertical Blank Register", DECODE_PIPE_A_VBLANK, ALL, "pipe_a_vblank"},
    {0x60014, "Pipe A Vertical Sync Register", DECODE_PIPE_A_VSYNC, ALL, "pipe_a_vsync"},
    {0x6001C, "Pipe A Source Image Size", DECODE_PIPE_A_SRC_SIZE, ALL, "pipe_a_src_size"},
    {0x6018, "B Control Register", DECODE_DPLL_B_CTRL, ALL, "dpll_b_ctrl"},
    {0x6048, "DPLL B Divisor Register 0", DECODE_DPLL_B_DIVISOR0, ALL, "dpll_b_divisor0"},
    {0x604C, "DPLL B Divisor Register 1", DECODE_DPLL_B_DIVISOR1, ALL, "dpll_b_divisor1"},
    {0x71008, "Pipe B Configuration Register", DECODE_PIPE_B_CONF, ALL, "pipe_b_conf"},
    {0x61000, "Pipe B Horizantal Total Register", DECODE_PIPE_B_HTOTAL, ALL, "pipe_b_htotal"},
    {0x61004, "Pipe B Horizantal Blank Register", DECODE_PIPE_B_HBLANK, ALL, "pipe_b_hblank"},
    {0x61008, "Pipe B Horizantal Sync Register", DECODE_PIPE_B_HSYNC, ALL, "pipe_b_hsync"},
    {0x6100C, "Pipe B Vertical Total Register", DECODE_PIPE_B_VTOTAL, ALL, "pipe_b_vtotal"},
    {0x61010, "Pipe B Vertical Blank Register", DECODE_PIPE_B_VBLANK, ALL, "pipe_b_vblank"},
    {0x61014, "Pipe B Vertical Sync Register", DECODE_PIPE_B_VSYNC, ALL, "pipe_b_vsync"},
    {0x6101C, "Pipe B Source Image Size", DECODE_PIPE_B_SRC_SIZE, ALL, "pipe_b_src_size"},
};

const reg_row_t kTvRows[] = {
    {0x68000, "TV-Out Control Register", DECODE_TV_CTRL, ALL, "tv_ctrl"},
    {0x68080, "TV Filter Control Register", DECODE_TV_FILTER_CTRL, ALL, "tv_filter_ctrl"},
    {0x6808C, "Cosine Rom Register", DECODE_TV_COSINE_ROM, ALL, "tv_cosine_rom"},
    {0x68090, "Closed Caption Control Register", DECODE_TV_CC_CTRL, ALL, "tv_cc_ctrl"},
    {0x68098, "Closed Caption Data Field 2 Register", DECODE_TV_CC_DATA, ALL, "tv_cc_data"},
    {0x680B0, "Wide Screen Signaling Control Register", DECODE_TV_WSS_CTRL, ALL, "tv_wss_ctrl"},
    {0x680B4, "Wide Screen Signaling Data Register", DECODE_TV_WSS_DATA, ALL, "tv_wss_data"},
};

// The registers of get_vgacntrl and get_reg_lvds; the LVDS one is the
// port table's LVDS Port register under another layout.
const reg_row_t kVgaCntrlRow = {0x71400, "VGACNTRL Value", DECODE_NONE, ALL, "vgacntrl"};
const reg_row_t kLvdsRow = {0x61180, "LVDS Value", DECODE_NONE, ALL, "lvds_ctrl"};

const bit_field_t kVgaCntrlFields[] = {
    {31, 31, "vga_display_disable"}, {30, 30, "vga_popup_2x_centered_mode_scaling"},
    {29, 29, "vga_pipe_select"}, {28, 27, "reserved2"},
    {26, 26, "vga_border_enable"}, {25, 24, "vga_centering_enable"},
    {23, 23, "vga_palette_read_select"}, {22, 22, "vga_palette_a_write_disable"},
    {21, 21, "dual_pipe_vga_palette_b_write_disable"}, {20, 20, "legacy_vga_8_bit_palette_enable"},
    {19, 19, "palette_bypass"}, {18, 18, "nine_dot_disable"},
    {17, 17, "vga_fast_arbiter"}, {16, 8, "reserved1"}, {7, 6, "blink_duty_cycle"}, {5, 0, "vsync_blink_rate"},
};

const bit_field_t kLvdsFields[] = {
    {31, 31, "lvds_port_enable"}, {30, 30, "lvds_port_pipe_assign"}, {29, 25, "reserved3"},
    {24, 24, "data_format_select"}, {23, 23, "le_ctrl_enable"}, {22, 22, "lf_ctrl_enable"},
    {21, 21, "vsync_polarity"},
    {20, 20, "hsync_polarity_or_lp_invert"}, {19, 19, "de_invert"}, {18, 17, "second_channel_control_signals"},
    {16, 16, "channel_reserved_bits"},
    {15, 15, "lvds_border_enable"}, {14, 11, "reserved2"}, {10, 10, "buffer_power_down_state"},
    {9, 8, "clk_aX_ctrl"},
    {7, 6, "eight_bit_color_channel_ctrl"}, {5, 4, "two_channels_mode_clkb_ctrl"},
    {3, 2, "two_channels_mode_bX_ctrl"}, {1, 0, "reserved1"},
};

// MMIO ranges. eft and fyn share theirs; bex starts with ava's first eight.
using range_row_t = mmio_range_row_t;
#define AVA_RANGES_1_TO_8                                                      \
  {0x1000, 0x2FFF, "Instruction and Interrupt Control Registers"},             \
      {0x3000, 0x3FFF, "Memory Control Registers"},                            \
      {0x5000, 0x5FFF, "I/O Control Registers"},                               \
      {0x6000, 0x6FFF, "Clock Control and Power Management Registers"},        \
      {0xA000, 0xAFFF, "Display Palette Registers"},                           \
      {0x10000, 0x2FFFF, "Graphics Translation Table Range Definition"},       \
      {0x30000, 0x3FFFF, "Overlay Registers"},                                 \
      {0x60000, 0x6FFFF, "Display Engine Pipeline Registers"}

const range_row_t kAvaRanges[] = {
    AVA_RANGES_1_TO_8,
    {0x70000, 0x71FFF, "Display and Cursor Control Registers"},
};
const range_row_t kDovRanges[] = {
    {0x2000, 0x2FFF, "Instruction, Memory and Interrupt Control Registers"},
    {0x4000, 0x4FFF, "Non Secure Accessible Registers"},
    {0x5000, 0x5FFF, "I/O Control Registers"},
    {0x6000, 0x6FFF, "Clock Control Registers"},
    {0xA000, 0xAFFF, "Display Palette Registers"},
    {0x10000, 0x13FFF, "MMIO MCH BAR"},
    {0x30000, 0x3FFFF, "Overlay Registers"},
    {0x60000, 0x6FFFF, "Display Engine Pipeline Registers"},
    {0x70000, 0x71FFF, "Display and Cursor Control Registers"},
};
const range_row_t kCyrRanges[] = {
    {0x2000, 0x2FFF, "Instruction, Memory and Interrupt Control Registers"},
    {0x3000, 0x31FF, "FENCE & Per Process GTT Control Registers"},
    {0x3200, 0x3FFF, "Frame Buffer Compression Registers"},
    {0x5000, 0x5FFF, "I/O Control Registers"},
    {0x6000, 0x6FFF, "Clock Control Registers"},
    {0x7000, 0x73FF, "3D Internal Debug Registers"},
    {0x7400, 0x88FF, "GPE Debug Registers (3D/Media Mixed Functions)"},
    {0xA000, 0xAFFF, "Display Palette Registers"},
    {0x10000, 0x13FFF, "MMIO MCH BAR"},
    {0x30000, 0x3FFFF, "Overlay Registers"},
    {0x60000, 0x6FFFF, "Display Engine Pipeline Registers"},
    {0x70000, 0x72FFF, "Display and Cursor Registers"},
    {0x73000, 0x73FFF, "Performance Counters"},
};
const range_row_t kEftRanges[] = {
    AVA_RANGES_1_TO_8,
    {0x70000, 0x7000F, "Display and Cursor Control Registers"},
    {0x70180, 0x7019F, "Display and Cursor Control Registers"},
    {0x71000, 0x7100F, "Display and Cursor Control Registers"},
    {0x71180, 0x7119F, "Display and Cursor Control Registers"},
};
const range_row_t kBexRanges[] = {
    AVA_RANGES_1_TO_8,
    {0x70000, 0x70027, "Display Pipe A Control Registers"},
    {0x70028, 0x7009F, "Display Cursor Plane Registers A"},
    {0x700C0, 0x700DF, "Display Cursor Plane Registers B"},
    {0x70180, 0x7018C, "Display A Plane Control Registers"},
    {0x71000, 0x7100C, "Display Pipe B Control Registers"},
    {0x71180, 0x7119B, "Display B/Sprite Plane Control Registers"},
    {0x72180, 0x7219F, "Display C/Sprite Plane Control Registers"},
};
#undef AVA_RANGES_1_TO_8

template <size_t N>
constexpr size_t count_of(const range_row_t (&)[N]) {
  return N;
}

const decode_row_t* find_row(family_bit family, decode_op op) {
  decode_rows_t rows = family_decode_rows(family);
  for (size_t i = 0; i < rows.count; ++i)
    if (rows.rows[i].op == op) return &rows.rows[i];
  return nullptr;
}

// A fresh heap table of the rows that name the family.
void copy_rows(const cmn_hw_regs_t& family, reg_table which, reg_desc_t** table, uint32_t* count,
               const char* leak_message) {
  if (!table || !count) return;
  if (*table && vol_above(0)) writeMsg(MSG_WARNING, "%s", leak_message);
  *table = nullptr;
  *count = 0;
  size_t n = 0;
  const reg_row_t* rows = register_rows(which, &n);
  uint32_t used = 0;
  for (size_t i = 0; i < n; ++i) used += (rows[i].families & family.family()) != 0;
  auto* copy = new (std::nothrow) reg_desc_t[used ? used : 1];
  if (!copy) return;
  used = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!(rows[i].families & family.family())) continue;
    reg_desc_t& d = copy[used++];
    d.offset = rows[i].offset;
    d.decode = rows[i].decode;
    std::snprintf(d.title, sizeof d.title, "%s", rows[i].title);
    if (which == reg_table::error) d.offset = family.error_reg_offset(d.decode);
  }
  *table = copy;
  *count = used;
}

// Which devices belong to which family; any other is ava (1).
struct FamilyIds {
  int family_id;
  std::initializer_list<uint16_t> ids;
};
const FamilyIds kFamilyIds[] = {
    {7, {BEX_DID_0, BEX_DID_1, BEX_DID_2, BEX_DID_3, BEX_DID_4, BEX_DID_5, BEX_DID_6}},
    {2, {DOV_DID_1, DOV_DID_2, DOV_DID_3, DOV_DID_4, DOV_DID_5, DOV_DID_6, DOV_DID_7, DOV_DID_8}},
    {4, {CYR_DID_1, CYR_DID_2, CYR_DID_3, CYR_DID_4, CYR_DID_5, CYR_DID_6, CYR_DID_7, CYR_DID_8, CYR_DID_9,
         CYR_DID_10, CYR_DID_11, CYR_DID_12, CYR_DID_13}},
    {6, {FYN_DID}},
    {5, {EFT_DID}},
};

// Where cyr devices keep their aperture size in the host bridge.
const std::initializer_list<uint16_t> kCyrApertureAt62 = {CYR_DID_1, CYR_DID_2, CYR_DID_3, CYR_DID_4};
const std::initializer_list<uint16_t> kCyrApertureAt66 = {CYR_DID_5,  CYR_DID_6,  CYR_DID_7,  CYR_DID_8, CYR_DID_9,
                                                          CYR_DID_10, CYR_DID_11, CYR_DID_12, CYR_DID_13};

bool listed(std::initializer_list<uint16_t> ids, uint16_t id) {
  for (uint16_t listed_id : ids)
    if (listed_id == id) return true;
  return false;
}

// The device id, when the register access driver can tell it.
bool device_id(uint16_t* id) { return drv_read_device_id(id, nullptr); }

}  // namespace

const reg_row_t* register_rows(reg_table table, size_t* count) {
  switch (table) {
    case reg_table::plane: *count = sizeof kPlaneRows / sizeof *kPlaneRows; return kPlaneRows;
    case reg_table::port: *count = sizeof kPortRows / sizeof *kPortRows; return kPortRows;
    case reg_table::error: *count = sizeof kErrorRows / sizeof *kErrorRows; return kErrorRows;
  }
  *count = 0;
  return nullptr;
}

const reg_row_t* pipe_rows(size_t* count) {
  *count = sizeof kPipeRows / sizeof *kPipeRows;
  return kPipeRows;
}

const reg_row_t* tv_rows(size_t* count) {
  *count = sizeof kTvRows / sizeof *kTvRows;
  return kTvRows;
}

void dpll_a_offsets(int family_id, uint32_t offsets[3]) {
  // fyn keeps its DPLL A registers at 0xF000; every other family, bex too
  // (its DPLL B sits beside them at 0x6018), at 0x6000.
  uint32_t base = family_id == 6 ? 0xF000 : 0x6000;
  offsets[0] = base + 0x14;
  offsets[1] = base + 0x40;
  offsets[2] = base + 0x44;
}

const bit_field_t* vgacntrl_fields(size_t* count) {
  *count = sizeof kVgaCntrlFields / sizeof *kVgaCntrlFields;
  return kVgaCntrlFields;
}

const bit_field_t* lvds_fields(size_t* count) {
  *count = sizeof kLvdsFields / sizeof *kLvdsFields;
  return kLvdsFields;
}

const reg_row_t& vgacntrl_row() { return kVgaCntrlRow; }
const reg_row_t& lvds_row() { return kLvdsRow; }

// ---- The class tree --------------------------------------------------------

cmn_hw_regs_t::~cmn_hw_regs_t() { delete[] ranges_; }

void cmn_hw_regs_t::set_ranges(const mmio_range_row_t* rows, size_t count) {
  delete[] ranges_;
  ranges_ = nullptr;
  range_count_ = 0;
  auto* table = new (std::nothrow) mmio_range_t[count];
  if (!table) return;
  for (size_t i = 0; i < count; ++i) {
    table[i].first = rows[i].first;
    table[i].last = rows[i].last;
    std::snprintf(table[i].title, sizeof table[i].title, "%s", rows[i].title);
  }
  ranges_ = table;
  range_count_ = static_cast<uint32_t>(count);
}

void cmn_hw_regs_t::get_plane_regs(reg_desc_t** table, uint32_t* count) {
  copy_rows(*this, reg_table::plane, table, count, "Plane regs is not NULL. Possible memory leak!");
}

void cmn_hw_regs_t::get_port_regs(reg_desc_t** table, uint32_t* count) {
  copy_rows(*this, reg_table::port, table, count, "Port regs is not NULL. Possible memory leak!");
}

void cmn_hw_regs_t::get_error_regs(reg_desc_t** table, uint32_t* count) {
  copy_rows(*this, reg_table::error, table, count, "Error regs is not NULL. Possible memory leak!");
}

uint32_t cmn_hw_regs_t::error_reg_offset(decode_op op) const {
  switch (op) {
    case DECODE_PGTBL_ER: return pgtbl_er_offset();
    case DECODE_IPEIR: return ipeir_offset();
    case DECODE_IPEHR: return ipehr_offset();
    case DECODE_ACTHD: return acthd_offset();
    case DECODE_INT_STATUS: return isr_offset();
    case DECODE_ERROR_STATUS: return esr_offset();
    default: return dma_fadd_offset();
  }
}

// The base prints nothing.
const decode_row_t* cmn_hw_regs_t::decode_row(decode_op) const { return nullptr; }

void free_reg_table(reg_desc_t* table) { delete[] table; }

// Each family: its own rows first, then its parent's.
ava_hw_regs_t::ava_hw_regs_t() { set_ranges(kAvaRanges, count_of(kAvaRanges)); }
const decode_row_t* ava_hw_regs_t::decode_row(decode_op op) const {
  const decode_row_t* row = find_row(FAM_AVA, op);
  return row ? row : cmn_hw_regs_t::decode_row(op);
}

dov_hw_regs_t::dov_hw_regs_t() { set_ranges(kDovRanges, count_of(kDovRanges)); }
const decode_row_t* dov_hw_regs_t::decode_row(decode_op op) const {
  const decode_row_t* row = find_row(FAM_DOV, op);
  return row ? row : ava_hw_regs_t::decode_row(op);
}

cyr_hw_regs_t::cyr_hw_regs_t() { set_ranges(kCyrRanges, count_of(kCyrRanges)); }
const decode_row_t* cyr_hw_regs_t::decode_row(decode_op op) const {
  const decode_row_t* row = find_row(FAM_CYR, op);
  return row ? row : dov_hw_regs_t::decode_row(op);
}

eft_hw_regs_t::eft_hw_regs_t() { set_ranges(kEftRanges, count_of(kEftRanges)); }
const decode_row_t* eft_hw_regs_t::decode_row(decode_op op) const {
  const decode_row_t* row = find_row(FAM_EFT, op);
  return row ? row : dov_hw_regs_t::decode_row(op);
}

const decode_row_t* fyn_hw_regs_t::decode_row(decode_op op) const {
  const decode_row_t* row = find_row(FAM_FYN, op);
  return row ? row : eft_hw_regs_t::decode_row(op);
}

bex_hw_regs_t::bex_hw_regs_t() { set_ranges(kBexRanges, count_of(kBexRanges)); }
const decode_row_t* bex_hw_regs_t::decode_row(decode_op op) const {
  const decode_row_t* row = find_row(FAM_BEX, op);
  return row ? row : eft_hw_regs_t::decode_row(op);
}

// ---- Aperture sizes --------------------------------------------------------

bool ava_hw_regs_t::aperture_size(uint32_t* bytes) const {
  uint16_t word = 0;
  if (!bytes || !drv_host_config_word(0xB4, &word)) return false;
  *bytes = word;
  return true;
}

bool dov_hw_regs_t::aperture_size(uint32_t* bytes) const {
  uint16_t word = 0;
  if (!bytes || !drv_host_config_word(0x62, &word)) return false;
  *bytes = (word & 2) ? 128u << 20 : 256u << 20;
  return true;
}

bool cyr_hw_regs_t::aperture_size(uint32_t* bytes) const {
  uint16_t id = 0;
  if (!bytes || !device_id(&id)) return false;
  uint32_t offset;
  if (listed(kCyrApertureAt62, id))
    offset = 0x62;
  else if (listed(kCyrApertureAt66, id))
    offset = 0x66;
  else {
    *bytes = 0;
    return true;
  }
  uint16_t word = 0;
  if (!drv_host_config_word(offset, &word)) return false;
  switch (word & 0xFF) {
    case 0: *bytes = 128u << 20; break;
    case 2: *bytes = 256u << 20; break;
    case 6: *bytes = 512u << 20; break;
    default: *bytes = 0; break;
  }
  return true;
}

bool eft_hw_regs_t::aperture_size(uint32_t* bytes) const {
  uint16_t word = 0;
  if (!bytes || !drv_host_config_word(0x62, &word)) return false;
  static const uint32_t kSizes[] = {0, 512u << 20, 256u << 20, 128u << 20};
  *bytes = kSizes[word & 3];
  return true;
}

// ---- The family of the session ---------------------------------------------

int family_id_of_device(uint16_t id) {
  for (const FamilyIds& row : kFamilyIds)
    for (uint16_t listed : row.ids)
      if (listed == id) return row.family_id;
  return 1;
}

cmn_hw_regs_t* create_hw_regs_for(int family_id) {
  switch (family_id) {
    case 2: return new (std::nothrow) dov_hw_regs_t;
    case 4: return new (std::nothrow) cyr_hw_regs_t;
    case 5: return new (std::nothrow) eft_hw_regs_t;
    case 6: return new (std::nothrow) fyn_hw_regs_t;
    case 7: return new (std::nothrow) bex_hw_regs_t;
    default: return new (std::nothrow) ava_hw_regs_t;
  }
}

cmn_hw_regs_t* create_hw_regs() {
  uint16_t id = 0;
  // Without the register access driver there is no id to go by.
  int family = driver_loaded && device_id(&id) ? family_id_of_device(id) : 1;
  return create_hw_regs_for(family);
}

void destroy_hw_regs(cmn_hw_regs_t* family) { delete family; }

const char* family_short_name(int family_id) {
  static const char* const kNames[] = {"", "ava", "dov", "", "cyr", "eft", "fyn", "bex"};
  return family_id > 0 && family_id < 8 && *kNames[family_id] ? kNames[family_id] : "unknown";
}
