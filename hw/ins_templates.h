// The command decode templates of "ins.txt" and the decoder that names the
// instructions of a stretch of the command stream with them.
//
// One template per line: name, families ("cp_all" or family names joined
// by "|"), value, mask, length mask, length bias. A line beginning with
// "//" is a comment. An instruction is length mask AND its first dword,
// plus the bias, dwords long.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ins_template_t {
  char name[256];
  uint32_t families;  // 1 ava, 2 dov, 4 cyr
  uint32_t value;
  uint32_t mask;
  uint32_t length_mask;
  uint32_t length_bias;
};

// Lines are read up to this many characters; a longer line is an error.
constexpr size_t kInsLineMax = 255;

struct ins_parse_t {
  bool ok = true;
  int error_line = 0;  // the first line that does not parse, counted from 1
  std::vector<ins_template_t> templates;
};

// Parses the text of a template file. The table grows with the file.
ins_parse_t parse_ins_templates(std::string_view text);

// Names the instructions of `count` dwords read at `address`, starting in
// the instruction-start state: `line` receives one decode line per dword.
void decode_instructions(const std::vector<ins_template_t>& templates, uint32_t family_id, uint32_t address,
                         const uint32_t* dwords, size_t count, const std::function<void(const char*)>& line);
