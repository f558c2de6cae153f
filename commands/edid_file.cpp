#include "edid_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "oal/oal.h"

namespace {

bool parse_word(const char* token, size_t length, uint32_t& word) {
  if (length != 8) return false;
  word = 0;
  for (size_t i = 0; i < length; ++i) {
    int c = static_cast<unsigned char>(token[i]);
    if (!std::isxdigit(c)) return false;
    word = (word << 4) | static_cast<uint32_t>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
  }
  return true;
}

}  // namespace

EdidFileResult read_edid_file(const char* path, uint8_t (&data)[kEdidFileMaxWords * 4]) {
  EdidFileResult r;
  std::memset(data, 0, sizeof data);
  FILE* f = path ? oal::fopen(path, "r") : nullptr;
  if (!f) {
    r.status = EdidFileStatus::NotFound;
    return r;
  }
  // Room for 255 characters, a line break of CR LF and the terminator: a
  // line that holds more than 255 characters besides its break is too long.
  char line[kEdidFileLineMax + 3];
  int line_no = 0;
  while (std::fgets(line, sizeof line, f)) {
    ++line_no;
    size_t length = std::strlen(line);
    size_t text = length;
    if (text && line[text - 1] == '\n') --text;
    if (text && line[text - 1] == '\r') --text;
    if (text > kEdidFileLineMax) {
      r.status = EdidFileStatus::LineTooLong;
      r.line = line_no;
      break;
    }
    const char* p = line;
    for (;;) {
      while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
      if (!*p) break;
      const char* start = p;
      while (*p && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') ++p;
      uint32_t word = 0;
      if (!parse_word(start, static_cast<size_t>(p - start), word)) {
        r.status = EdidFileStatus::BadToken;
        r.line = line_no;
        r.token.assign(start, static_cast<size_t>(p - start));
        break;
      }
      if (r.words == kEdidFileMaxWords) {
        ++r.ignored_words;
        continue;
      }
      for (int b = 0; b < 4; ++b) data[r.words * 4 + b] = static_cast<uint8_t>(word >> (8 * b));
      ++r.words;
    }
    if (r.status != EdidFileStatus::Ok) break;
  }
  std::fclose(f);
  if (r.status == EdidFileStatus::Ok && r.words == 0) r.status = EdidFileStatus::Empty;
  return r;
}
