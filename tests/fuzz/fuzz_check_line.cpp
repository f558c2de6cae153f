// libFuzzer entry: a line of check_regs' expected-values file. Whatever the
// text, the parser stays inside the line and names a field when it fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "commands/offline_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char line[kCheckLineMax + 1];
  size_t n = size < kCheckLineMax ? size : kCheckLineMax;
  std::memcpy(line, data, n);
  line[n] = '\0';
  uint32_t fields[3] = {0, 0, 0};
  int bad = -1;
  if (!parse_check_line(line, fields, &bad) && (bad < 0 || bad > 2)) std::abort();
  return 0;
}
