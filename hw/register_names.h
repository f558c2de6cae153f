// Registers and fields by name. A family's register map is one list: every
// register a dump command prints, with its short name, offset, title and
// the fields the dump decodes. Every command, export and file that names a
// register goes through the one grammar below:
//
//   REG          a short name (plane_a_ctrl), an MMIO offset (0x70180), or
//                a title in any case, a blank written as a blank or as '_'
//   REG.FIELD    one field of it (pipe_a_conf.pipe_a_enable)
//   FIELD        a field alone, where its name is unique in the family
//   * and ?      wildcards in either part (pipe_a_*, *.disp_*_enable, *enable*)
//
// A part without '.' names registers when any register matches it, fields
// otherwise. A name that matches nothing gets up to three close names of
// the family (edit distance); where one is needed and several match, the
// matches are listed and the name refused. Both are exit code 5.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hw/hw_regs.h"
#include "lumainfo.h"

// The dump command that prints a register.
enum class dump_table : uint8_t { plane, port, error, pipe, tv, vgacntrl, lvds };
const char* dump_table_command(dump_table table);  // "get_plane_regs", ...

// One register of a family, as the dumps print it.
struct named_reg_t {
  const char* name;    // short name, unique in the family
  const char* title;   // as the dump prints it
  uint32_t offset;
  // The PCI device whose value the fields describe: 2, or the second
  // function (3 on fyn) for the rows its dump reads again from there.
  uint32_t device;
  decode_op decode;    // how the dumps decode it; DECODE_NONE for vgacntrl and lvds_ctrl
  dump_table table;
  const bit_field_t* fields;  // the dump's field lines, most significant first; may be none
  size_t field_count;
};

// The register map of one family; built once, alive to the end of the process.
class RegisterMap {
 public:
  // The map of family id 1, 2, 4, 5, 6 or 7; null for any other id.
  static const RegisterMap* of_family(int family_id);
  // Every family's map, in family id order.
  static std::vector<const RegisterMap*> all();

  int family_id() const { return family_->family_id(); }
  const char* family_name() const { return family_short_name(family_id()); }
  // The family object the dumps decode with.
  const cmn_hw_regs_t& family() const { return *family_; }
  // In dump order: plane, port, error, pipe, tv, vgacntrl, lvds tables.
  const std::vector<named_reg_t>& registers() const { return registers_; }
  const named_reg_t* by_name(const char* name) const;

  explicit RegisterMap(int family_id);

 private:
  std::unique_ptr<cmn_hw_regs_t, void (*)(cmn_hw_regs_t*)> family_;
  std::vector<named_reg_t> registers_;
};

// A register, or one field of it.
struct reg_match_t {
  const named_reg_t* reg;
  int field;  // index into reg->fields; -1 for the whole register
  const bit_field_t* bit_field() const { return field < 0 ? nullptr : &reg->fields[field]; }
};

enum class name_status { found, no_match, ambiguous };

struct name_lookup_t {
  name_status status = name_status::no_match;
  std::vector<reg_match_t> matches;      // found, ambiguous: in map order, fields in register order
  std::vector<std::string> suggestions;  // no_match: up to three close names
};

// Every register or field the pattern names. A field name alone that
// several registers have is ambiguous (a wildcard is not).
name_lookup_t find_names(const RegisterMap& map, const char* pattern);
// Exactly one register or field: several matches are ambiguous.
name_lookup_t find_one_name(const RegisterMap& map, const char* pattern);
// The no-match or ambiguous message for a lookup that failed; returns
// EXIT_INVALID_PARAM_ERROR (EXIT_OK for a lookup that found).
opal_exit_t report_name_failure(const RegisterMap& map, const char* pattern, const name_lookup_t& lookup);

// "plane_a_ctrl" or "plane_a_ctrl.disp_plane_a_enable".
std::string match_name(const reg_match_t& match);
// True when the glob pattern (* and ?) matches all of the text; letters
// compare in any case.
bool glob_match(const char* pattern, const char* text);
// The Levenshtein distance of two texts.
size_t edit_distance(const std::string& a, const std::string& b);

// Bits of a field in its register, and its value in a register value.
uint32_t field_mask(const bit_field_t& field);
uint32_t field_value(const bit_field_t& field, uint32_t value);
// Fields named reservedN; a write keeps their bits as they are.
bool is_reserved_field(const bit_field_t& field);
uint32_t reserved_mask(const named_reg_t& reg);
