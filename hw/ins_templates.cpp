#include "hw/ins_templates.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/command_table.h"

namespace {

// Splits a line at blanks and tabs.
std::vector<std::string> fields_of(std::string_view line) {
  std::vector<std::string> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.emplace_back(line.substr(start, i - start));
  }
  return fields;
}

// "cp_all", or family names joined by "|"; unknown names add nothing.
uint32_t families_of(const std::string& text) {
  if (strcasecmp(text.c_str(), "cp_all") == 0) return 1 | 2 | 4;
  static const struct {
    const char* name;
    uint32_t bit;
  } kFamilies[] = {{"ava", 1}, {"dov", 2}, {"cyr", 4}};
  uint32_t bits = 0;
  size_t start = 0;
  for (;;) {
    size_t bar = text.find('|', start);
    std::string name = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    for (const auto& f : kFamilies)
      if (strcasecmp(name.c_str(), f.name) == 0) bits |= f.bit;
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return bits;
}

bool parse_line(std::string_view line, ins_template_t& t) {
  std::vector<std::string> f = fields_of(line);
  if (f.size() < 6 || f[0].size() >= sizeof t.name) return false;
  std::memset(&t, 0, sizeof t);
  std::memcpy(t.name, f[0].data(), f[0].size());
  t.families = families_of(f[1]);
  return t.families != 0 && parse_unsigned(f[2].c_str(), t.value) && parse_unsigned(f[3].c_str(), t.mask) &&
         parse_unsigned(f[4].c_str(), t.length_mask) && parse_unsigned(f[5].c_str(), t.length_bias) &&
         t.mask != 0 && t.length_bias != 0;
}

// A file with an error gives no templates at all.
ins_parse_t failed(int line_no) {
  ins_parse_t result;
  result.ok = false;
  result.error_line = line_no;
  return result;
}

}  // namespace

ins_parse_t parse_ins_templates(std::string_view text) {
  ins_parse_t result;
  int line_no = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
    pos = next;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A line cut at the reader's limit would be parsed as two.
    if (line.size() > kInsLineMax || line.find('\0') != std::string_view::npos) return failed(line_no);
    if (line.substr(0, 2) == "//") continue;
    ins_template_t t;
    if (!parse_line(line, t)) return failed(line_no);
    result.templates.push_back(t);
  }
  return result;
}

void decode_instructions(const std::vector<ins_template_t>& templates, uint32_t family_id, uint32_t address,
                         const uint32_t* dwords, size_t count, const std::function<void(const char*)>& line) {
  uint64_t counter = 0, length = 1;
  char text[300];
  for (size_t i = 0; i < count; ++i) {
    unsigned long at = static_cast<unsigned long>(static_cast<uint32_t>(address + 4 * i));
    unsigned long dword = dwords[i];
    if (++counter != length) {
      std::snprintf(text, sizeof text, "%08lX %08lX    Data", at, dword);
      line(text);
      continue;
    }
    const ins_template_t* match = nullptr;
    for (const ins_template_t& t : templates)
      if ((t.families & family_id) && (dwords[i] & t.mask) == t.value) {
        match = &t;
        break;
      }
    counter = 0;
    if (match) {
      std::snprintf(text, sizeof text, "%08lX %08lX    %s", at, dword, match->name);
      // 64 bits: a length field plus its bias never wraps to a short instruction.
      length = uint64_t(dwords[i] & match->length_mask) + match->length_bias;
    } else {
      std::snprintf(text, sizeof text, "%08lX %08lX    Unknown Instruction", at, dword);
      length = 1;
    }
    line(text);
  }
}
