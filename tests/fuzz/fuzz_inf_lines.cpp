// libFuzzer entry: an INF file's bytes split into the lines get_inf_file
// writes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "commands/inventory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);  // exactly the bytes read
  size_t total = 0;
  for_each_inf_line(text.data(), text.size(), [&](const char* line) {
    size_t n = std::strlen(line);
    if (n == 0 && size && std::memchr(text.data(), '\0', size) == nullptr) __builtin_trap();
    total += n;
  });
  if (total > size) __builtin_trap();
  return 0;
}
