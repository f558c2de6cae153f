// The chipset families: which graphics registers a family has, where, and
// what their bitfields mean. One family object lives from opal_open to
// opal_close, chosen by the graphics device id.
//
// The maps are data: register rows (offset, title, decode operation, the
// families that have them) and bitfield rows (bits, name) per decode
// operation. A family class replaces rows of its parent, never code; one
// decoder prints any of them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "hw/mmio_range.h"

class RegisterSource;

// Decode operations, in the order of the family's operation slots.
enum decode_op : uint8_t {
  DECODE_NONE,
  DECODE_PLANE_A_CTRL,
  DECODE_START_ADDR,
  DECODE_STRIDE,
  DECODE_SPRITE_SIZE,
  DECODE_COLOR_KEY,
  DECODE_SECOND_EYE_ADDR,
  DECODE_PLANE_B_CTRL,
  DECODE_ANALOG_PORT,
  DECODE_DVO_A_PORT,
  DECODE_DVO_PORT,
  DECODE_DP_DFT_PORT,
  DECODE_DP_PORT,
  DECODE_LVDS_PORT,
  DECODE_PORT_7000,
  DECODE_DPLL_A_CTRL,
  DECODE_DPLL_DIVISOR,
  DECODE_PIPE_A_CONF,
  DECODE_PIPE_A_HTOTAL,
  DECODE_PIPE_A_HBLANK,
  DECODE_PIPE_A_HSYNC,
  DECODE_PIPE_A_VTOTAL,
  DECODE_PIPE_A_VBLANK,
  DECODE_PIPE_A_VSYNC,
  DECODE_PIPE_A_SRC_SIZE,
  DECODE_DPLL_B_CTRL,
  DECODE_DPLL_B_DIVISOR0,
  DECODE_DPLL_B_DIVISOR1,
  DECODE_PIPE_B_CONF,
  DECODE_PIPE_B_HTOTAL,
  DECODE_PIPE_B_HBLANK,
  DECODE_PIPE_B_HSYNC,
  DECODE_PIPE_B_VTOTAL,
  DECODE_PIPE_B_VBLANK,
  DECODE_PIPE_B_VSYNC,
  DECODE_PIPE_B_SRC_SIZE,
  DECODE_PGTBL_ER,
  DECODE_IPEIR,
  DECODE_IPEHR,
  DECODE_ACTHD,
  DECODE_INT_STATUS,
  DECODE_ERROR_STATUS,
  DECODE_DMA_FADD,
  DECODE_TV_CTRL,
  DECODE_TV_FILTER_CTRL,
  DECODE_TV_COSINE_ROM,
  DECODE_TV_CC_CTRL,
  DECODE_TV_CC_DATA,
  DECODE_TV_WSS_CTRL,
  DECODE_TV_WSS_DATA,
  DECODE_OP_COUNT
};
const char* decode_op_name(decode_op op);

// One bitfield: bits high..low (equal for a one-bit field).
struct bit_field_t {
  uint8_t high, low;
  const char* name;
};

// What a family does for one decode operation: print `fields`, or decode
// as operation `as`. With `reread_device` set it first reads the
// register again from that PCI device and prints a device line ("Device
// N") and, when `header` is set, a header line for the value read; the
// header comes first when `header_first` is set.
struct decode_row_t {
  decode_op op;
  const bit_field_t* fields;
  uint8_t count;
  decode_op as = DECODE_NONE;
  uint8_t reread_device = 0;
  const char* header = nullptr;
  bool header_first = false;
};


// A range as the family tables write it.
struct mmio_range_row_t {
  uint32_t first, last;
  const char* title;
};

// One register of a dump table.
struct reg_desc_t {
  uint32_t offset;
  char title[260];
  decode_op decode;
};

// A family's bit in the register rows' family masks.
enum family_bit : uint8_t { FAM_AVA = 1, FAM_DOV = 2, FAM_CYR = 4, FAM_EFT = 8, FAM_FYN = 16, FAM_BEX = 32 };

class cmn_hw_regs_t {
 public:
  virtual ~cmn_hw_regs_t();
  cmn_hw_regs_t(const cmn_hw_regs_t&) = delete;
  cmn_hw_regs_t& operator=(const cmn_hw_regs_t&) = delete;

  // 1 ava, 2 dov, 4 cyr, 5 eft, 6 fyn, 7 bex.
  virtual int family_id() const = 0;
  virtual family_bit family() const = 0;

  // Fresh heap copies of the family's register tables; the caller frees
  // them with free_reg_table. An out-pointer that is already set is
  // reported as a possible leak and overwritten.
  virtual void get_plane_regs(reg_desc_t** table, uint32_t* count);
  virtual void get_port_regs(reg_desc_t** table, uint32_t* count);
  virtual void get_error_regs(reg_desc_t** table, uint32_t* count);

  // The family's row for a decode operation; null when it prints nothing.
  virtual const decode_row_t* decode_row(decode_op op) const;
  // Prints the fields of the register at `offset` holding `value`.
  // Operations that read the register again do so through `regs`.
  void decode(decode_op op, uint32_t offset, uint32_t value, RegisterSource& regs) const;

  virtual uint32_t pgtbl_er_offset() const { return 0x2024; }
  virtual uint32_t ipeir_offset() const { return 0x2088; }
  virtual uint32_t ipehr_offset() const { return 0x208C; }
  virtual uint32_t acthd_offset() const { return 0x20C8; }
  virtual uint32_t isr_offset() const { return 0x20AC; }
  virtual uint32_t esr_offset() const { return 0x20B8; }
  virtual uint32_t dma_fadd_offset() const { return 0x20D0; }
  // The offset of the error table's register that `op` decodes.
  uint32_t error_reg_offset(decode_op op) const;
  // The display base address register of pipe A (0) or pipe B (non-zero).
  virtual uint32_t surface_addr_offset(int pipe_b) const = 0;
  // The graphics aperture in bytes; false when the host bridge (or the
  // device id it depends on) could not be read.
  virtual bool aperture_size(uint32_t* bytes) const = 0;
  // Rings the family can dump: 1 primary, 2 secondary, 4 hardware.
  virtual uint32_t supported_rings() const = 0;

  // The titled MMIO ranges that read_mmio_regs walks.
  const mmio_range_t* mmio_ranges(uint32_t* count) const {
    if (count) *count = range_count_;
    return ranges_;
  }

 protected:
  cmn_hw_regs_t() = default;
  // Replaces the range table (a derived constructor replaces its parent's).
  void set_ranges(const struct mmio_range_row_t* rows, size_t count);

 private:
  mmio_range_t* ranges_ = nullptr;
  uint32_t range_count_ = 0;
};

class ava_hw_regs_t : public cmn_hw_regs_t {
 public:
  ava_hw_regs_t();
  int family_id() const override { return 1; }
  family_bit family() const override { return FAM_AVA; }
  const decode_row_t* decode_row(decode_op op) const override;
  uint32_t surface_addr_offset(int pipe_b) const override { return pipe_b ? 0x71184 : 0x70184; }
  bool aperture_size(uint32_t* bytes) const override;
  uint32_t supported_rings() const override { return 7; }
};

class dov_hw_regs_t : public ava_hw_regs_t {
 public:
  dov_hw_regs_t();
  int family_id() const override { return 2; }
  family_bit family() const override { return FAM_DOV; }
  const decode_row_t* decode_row(decode_op op) const override;
  bool aperture_size(uint32_t* bytes) const override;
};

class cyr_hw_regs_t : public dov_hw_regs_t {
 public:
  cyr_hw_regs_t();
  int family_id() const override { return 4; }
  family_bit family() const override { return FAM_CYR; }
  const decode_row_t* decode_row(decode_op op) const override;
  uint32_t ipeir_offset() const override { return 0x2064; }
  uint32_t ipehr_offset() const override { return 0x2068; }
  uint32_t acthd_offset() const override { return 0x2074; }
  uint32_t dma_fadd_offset() const override { return 0x2078; }
  uint32_t surface_addr_offset(int pipe_b) const override { return pipe_b ? 0x7119C : 0x7019C; }
  bool aperture_size(uint32_t* bytes) const override;
  uint32_t supported_rings() const override { return 1; }
};

class eft_hw_regs_t : public dov_hw_regs_t {
 public:
  eft_hw_regs_t();
  int family_id() const override { return 5; }
  family_bit family() const override { return FAM_EFT; }
  const decode_row_t* decode_row(decode_op op) const override;
  bool aperture_size(uint32_t* bytes) const override;
  uint32_t supported_rings() const override { return 0; }
};

class fyn_hw_regs_t : public eft_hw_regs_t {
 public:
  fyn_hw_regs_t() = default;
  int family_id() const override { return 6; }
  family_bit family() const override { return FAM_FYN; }
  const decode_row_t* decode_row(decode_op op) const override;
};

class bex_hw_regs_t : public eft_hw_regs_t {
 public:
  bex_hw_regs_t();
  int family_id() const override { return 7; }
  family_bit family() const override { return FAM_BEX; }
  const decode_row_t* decode_row(decode_op op) const override;
};

void free_reg_table(reg_desc_t* table);

// The family of a graphics device id (the family id table); ava for ids
// it does not list.
int family_id_of_device(uint16_t device_id);
// Creates the family object of the session: by the device id the register
// access driver reports, ava when it is not loaded or cannot tell.
cmn_hw_regs_t* create_hw_regs();
cmn_hw_regs_t* create_hw_regs_for(int family_id);
// "ava", "dov", "cyr", "eft", "fyn" or "bex" for a family id; "unknown" else.
const char* family_short_name(int family_id);
void destroy_hw_regs(cmn_hw_regs_t* family);

// ---- The data behind the families (register_fields.cpp, register_maps.cpp).

// A family's decode rows: those it replaces of its parent's.
struct decode_rows_t {
  const decode_row_t* rows;
  size_t count;
};
decode_rows_t family_decode_rows(family_bit family);

// A register row of a shared dump table: the families that have it, and
// its short name (lower case with underscores, unique within each family
// that has the row) by which the register commands find it.
struct reg_row_t {
  uint32_t offset;
  const char* title;
  decode_op decode;
  uint8_t families;
  const char* name;
};
enum class reg_table { plane, port, error };
const reg_row_t* register_rows(reg_table table, size_t* count);

// The register tables the commands own: the pipe table (its first three
// offsets are the family's DPLL A registers) and the TV table.
const reg_row_t* pipe_rows(size_t* count);
const reg_row_t* tv_rows(size_t* count);
// The DPLL A control and divisor registers of a family id.
void dpll_a_offsets(int family_id, uint32_t offsets[3]);

// The field layout of get_vgacntrl and get_reg_lvds, and the one register
// each of them prints (decode DECODE_NONE: its fields are those above).
const bit_field_t* vgacntrl_fields(size_t* count);
const bit_field_t* lvds_fields(size_t* count);
const reg_row_t& vgacntrl_row();
const reg_row_t& lvds_row();
