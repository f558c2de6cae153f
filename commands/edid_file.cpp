#include "edid_file.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

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

EdidFileResult read_edid_text(const char* text, size_t size, uint8_t (&data)[kEdidFileMaxWords * 4]) {
  EdidFileResult r;
  std::memset(data, 0, sizeof data);
  const char* end = text + size;
  int line_no = 0;
  for (const char* at = text; at < end && r.status == EdidFileStatus::Ok;) {
    ++line_no;
    const char* line_end = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    const char* next = line_end ? line_end + 1 : end;
    if (!line_end) line_end = end;
    const char* stop = line_end;
    if (stop > at && stop[-1] == '\r') --stop;
    if (std::memchr(at, '\0', static_cast<size_t>(stop - at))) {
      r.status = EdidFileStatus::NulByte;
      r.line = line_no;
      break;
    }
    if (stop - at > kEdidFileLineMax) {
      r.status = EdidFileStatus::LineTooLong;
      r.line = line_no;
      break;
    }
    for (const char* p = at;;) {
      while (p < stop && (*p == ' ' || *p == '\t' || *p == '\r')) ++p;
      if (p == stop) break;
      const char* start = p;
      while (p < stop && *p != ' ' && *p != '\t' && *p != '\r') ++p;
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
    at = next;
  }
  if (r.status == EdidFileStatus::Ok && r.words == 0) r.status = EdidFileStatus::Empty;
  return r;
}

EdidFileResult read_edid_file(const char* path, uint8_t (&data)[kEdidFileMaxWords * 4]) {
  FILE* f = path ? oal::fopen(path, "rb") : nullptr;
  if (!f) {
    std::memset(data, 0, sizeof data);
    EdidFileResult r;
    r.status = EdidFileStatus::NotFound;
    return r;
  }
  std::string bytes;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, n);
  std::fclose(f);
  return read_edid_text(bytes.data(), bytes.size(), data);
}
