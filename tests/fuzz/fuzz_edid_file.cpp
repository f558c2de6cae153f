// An EDID text file through the reader, and whatever block it yields (or
// the raw input as a block) through the decoder.
#include <cstring>

#include "commands/edid_file.h"
#include "commands/edid_report.h"
#include "machine_for_fuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t words[kEdidFileMaxWords * 4];
  EdidFileResult r = read_edid_text(reinterpret_cast<const char*>(data), size, words);
  if (r.words < 0 || r.words > kEdidFileMaxWords) __builtin_trap();
  size_t lines = 0;
  auto sink = [&lines](const char* line) { lines += line != nullptr; };
  uint8_t block[kEdidBlockSize];
  if (r.status == EdidFileStatus::Ok) {
    std::memcpy(block, words, sizeof block);
    decode_edid(block, sink);
  }
  std::memset(block, 0, sizeof block);
  std::memcpy(block, data, size < sizeof block ? size : sizeof block);
  decode_edid(block, sink);
  return 0;
}
