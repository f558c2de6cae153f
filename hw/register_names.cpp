#include "hw/register_names.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "core/msglog.h"

namespace {

const int kFamilyIds[] = {1, 2, 4, 5, 6, 7};

// The fields a decode operation prints, following its "decode as" hops.
void fields_of(const cmn_hw_regs_t& family, decode_op op, const bit_field_t** fields, size_t* count) {
  const decode_row_t* row = family.decode_row(op);
  for (int hops = 0; row && row->as != DECODE_NONE && hops < DECODE_OP_COUNT; ++hops) row = family.decode_row(row->as);
  *fields = row ? row->fields : nullptr;
  *count = row ? row->count : 0;
}

bool has_wildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// An offset as the grammar writes it: 0x and hexadecimal digits only.
bool parse_offset(const std::string& text, uint32_t* offset) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  for (size_t i = 2; i < text.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str() + 2, nullptr, 16);
  if (errno == ERANGE || v > 0xFFFFFFFFull) return false;
  *offset = static_cast<uint32_t>(v);
  return true;
}

// Lower case, blanks as '_': how a title is compared with a pattern.
std::string title_key(const char* title) {
  std::string key(title);
  for (char& c : key) c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

bool register_matches(const named_reg_t& reg, const std::string& part) {
  uint32_t offset = 0;
  if (parse_offset(part, &offset)) return reg.offset == offset;
  std::string key = title_key(part.c_str());
  return glob_match(key.c_str(), reg.name) || glob_match(key.c_str(), title_key(reg.title).c_str());
}

// Every field of the map whose name the pattern matches.
std::vector<reg_match_t> matching_fields(const std::vector<const named_reg_t*>& regs, const std::string& pattern) {
  std::vector<reg_match_t> out;
  for (const named_reg_t* reg : regs)
    for (size_t i = 0; i < reg->field_count; ++i)
      if (glob_match(pattern.c_str(), reg->fields[i].name)) out.push_back({reg, static_cast<int>(i)});
  return out;
}

// Up to three names of the map nearest the pattern, nearest first; none
// further than half the pattern's length (at least 3) away.
std::vector<std::string> suggestions(const RegisterMap& map, const std::string& pattern, bool dotted) {
  std::vector<std::pair<size_t, std::string>> scored;
  size_t limit = std::max<size_t>(3, pattern.size() / 2);
  auto consider = [&](const std::string& name) {
    size_t d = edit_distance(pattern, name);
    if (d <= limit) scored.emplace_back(d, name);
  };
  for (const named_reg_t& reg : map.registers()) {
    consider(reg.name);
    for (size_t i = 0; i < reg.field_count; ++i)
      consider(dotted ? std::string(reg.name) + "." + reg.fields[i].name : std::string(reg.fields[i].name));
  }
  std::sort(scored.begin(), scored.end());
  std::vector<std::string> out;
  for (const auto& s : scored) {
    if (std::find(out.begin(), out.end(), s.second) != out.end()) continue;
    out.push_back(s.second);
    if (out.size() == 3) break;
  }
  return out;
}

name_lookup_t lookup(const RegisterMap& map, const char* pattern_text, bool need_one) {
  name_lookup_t result;
  std::string pattern = pattern_text ? pattern_text : "";
  for (char& c : pattern) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t dot = pattern.find('.');
  std::string reg_part = pattern.substr(0, dot);
  std::string field_part = dot == std::string::npos ? std::string() : pattern.substr(dot + 1);
  bool dotted = dot != std::string::npos;
  if (!pattern.empty() && (!dotted || (!reg_part.empty() && !field_part.empty()))) {
    std::vector<const named_reg_t*> regs;
    for (const named_reg_t& reg : map.registers())
      if (register_matches(reg, reg_part)) regs.push_back(&reg);
    if (dotted) {
      result.matches = matching_fields(regs, field_part);
    } else if (!regs.empty()) {
      for (const named_reg_t* reg : regs) result.matches.push_back({reg, -1});
    } else {
      std::vector<const named_reg_t*> every;
      for (const named_reg_t& reg : map.registers()) every.push_back(&reg);
      result.matches = matching_fields(every, reg_part);
      // A field name alone stands for a field only where it is unique.
      if (result.matches.size() > 1 && !has_wildcard(reg_part)) {
        result.status = name_status::ambiguous;
        return result;
      }
    }
  }
  if (result.matches.empty()) {
    result.status = name_status::no_match;
    result.suggestions = suggestions(map, pattern, dotted);
  } else if (need_one && result.matches.size() > 1) {
    result.status = name_status::ambiguous;
  } else {
    result.status = name_status::found;
  }
  return result;
}

}  // namespace

const char* dump_table_command(dump_table table) {
  switch (table) {
    case dump_table::plane: return "get_plane_regs";
    case dump_table::port: return "get_port_regs";
    case dump_table::error: return "read_error";
    case dump_table::pipe: return "get_pipe_regs";
    case dump_table::tv: return "get_tv_regs";
    case dump_table::vgacntrl: return "get_vgacntrl";
    case dump_table::lvds: return "get_reg_lvds";
  }
  return "";
}

RegisterMap::RegisterMap(int family_id) : family_(create_hw_regs_for(family_id), destroy_hw_regs) {
  const cmn_hw_regs_t& fam = *family_;
  auto add = [&](const reg_row_t& row, uint32_t offset, dump_table table) {
    if (!(row.families & fam.family())) return;
    named_reg_t reg{row.name, row.title, offset, 2, row.decode, table, nullptr, 0};
    const decode_row_t* decode = fam.decode_row(row.decode);
    if (decode && decode->reread_device) reg.device = decode->reread_device;
    fields_of(fam, row.decode, &reg.fields, &reg.field_count);
    registers_.push_back(reg);
  };
  const struct {
    reg_table which;
    dump_table table;
  } kFamilyTables[] = {{reg_table::plane, dump_table::plane}, {reg_table::port, dump_table::port},
                       {reg_table::error, dump_table::error}};
  for (const auto& t : kFamilyTables) {
    size_t n = 0;
    const reg_row_t* rows = register_rows(t.which, &n);
    for (size_t i = 0; i < n; ++i)
      add(rows[i], t.which == reg_table::error ? fam.error_reg_offset(rows[i].decode) : rows[i].offset, t.table);
  }
  uint32_t dpll[3];
  dpll_a_offsets(family_id, dpll);
  size_t n = 0;
  const reg_row_t* rows = pipe_rows(&n);
  for (size_t i = 0; i < n; ++i) add(rows[i], i < 3 ? dpll[i] : rows[i].offset, dump_table::pipe);
  rows = tv_rows(&n);
  for (size_t i = 0; i < n; ++i) add(rows[i], rows[i].offset, dump_table::tv);
  for (auto [row, get, table] : {std::make_tuple(&vgacntrl_row(), &vgacntrl_fields, dump_table::vgacntrl),
                                 std::make_tuple(&lvds_row(), &lvds_fields, dump_table::lvds)}) {
    add(*row, row->offset, table);
    registers_.back().fields = get(&registers_.back().field_count);
  }
}

const RegisterMap* RegisterMap::of_family(int family_id) {
  static const std::vector<std::unique_ptr<RegisterMap>> maps = [] {
    std::vector<std::unique_ptr<RegisterMap>> built;
    for (int id : kFamilyIds) built.push_back(std::make_unique<RegisterMap>(id));
    return built;
  }();
  for (const auto& map : maps)
    if (map->family_id() == family_id) return map.get();
  return nullptr;
}

std::vector<const RegisterMap*> RegisterMap::all() {
  std::vector<const RegisterMap*> out;
  for (int id : kFamilyIds) out.push_back(of_family(id));
  return out;
}

const named_reg_t* RegisterMap::by_name(const char* name) const {
  for (const named_reg_t& reg : registers_)
    if (name && std::strcmp(reg.name, name) == 0) return &reg;
  return nullptr;
}

name_lookup_t find_names(const RegisterMap& map, const char* pattern) { return lookup(map, pattern, false); }
name_lookup_t find_one_name(const RegisterMap& map, const char* pattern) { return lookup(map, pattern, true); }

opal_exit_t report_name_failure(const RegisterMap& map, const char* pattern, const name_lookup_t& lookup) {
  if (lookup.status == name_status::found) return EXIT_OK;
  if (!vol_above(0)) return EXIT_INVALID_PARAM_ERROR;
  if (lookup.status == name_status::no_match) {
    std::string close;
    for (const std::string& s : lookup.suggestions) close += (close.empty() ? "" : ", ") + s;
    if (close.empty())
      writeMsg(MSG_ERROR, "ERROR: No register or field of the %s family is named %.200s", map.family_name(),
               pattern ? pattern : "");
    else
      writeMsg(MSG_ERROR, "ERROR: No register or field of the %s family is named %.200s; close names: %s",
               map.family_name(), pattern ? pattern : "", close.c_str());
    return EXIT_INVALID_PARAM_ERROR;
  }
  writeMsg(MSG_ERROR, "ERROR: %.200s names %zu registers or fields of the %s family; name one of them:",
           pattern ? pattern : "", lookup.matches.size(), map.family_name());
  for (const reg_match_t& m : lookup.matches) writeMsg(MSG_ERROR, "    %s", match_name(m).c_str());
  return EXIT_INVALID_PARAM_ERROR;
}

std::string match_name(const reg_match_t& match) {
  std::string name = match.reg->name;
  if (match.field >= 0) name += std::string(".") + match.reg->fields[match.field].name;
  return name;
}

bool glob_match(const char* pattern, const char* text) {
  // Iterative, with one backtrack point: linear in practice and never
  // recursive, whatever the pattern.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*text) {
    char p = static_cast<char>(std::tolower(static_cast<unsigned char>(*pattern)));
    char t = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
    if (*pattern == '*') {
      star = pattern++;
      resume = text;
    } else if (*pattern && (*pattern == '?' || p == t)) {
      ++pattern;
      ++text;
    } else if (star) {
      pattern = star + 1;
      text = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return !*pattern;
}

size_t edit_distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

uint32_t field_mask(const bit_field_t& field) {
  unsigned width = field.high - field.low + 1u;
  uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
  return mask << field.low;
}

uint32_t field_value(const bit_field_t& field, uint32_t value) { return (value & field_mask(field)) >> field.low; }

bool is_reserved_field(const bit_field_t& field) {
  if (std::strncmp(field.name, "reserved", 8) != 0 || !field.name[8]) return false;
  const char* digits = field.name + 8;
  for (const char* p = digits; *p; ++p)
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
  return true;
}

uint32_t reserved_mask(const named_reg_t& reg) {
  uint32_t mask = 0;
  for (size_t i = 0; i < reg.field_count; ++i)
    if (is_reserved_field(reg.fields[i])) mask |= field_mask(reg.fields[i]);
  return mask;
}
