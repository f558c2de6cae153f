// libFuzzer entry: registry data of any type and bytes as the dump shows
// it, into texts of every size up to the dump's own.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "commands/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  DWORD type = data[0] % 12;
  size_t text_size = 1 + (data[1] | (data[2] & 1) << 8) % kRegDataTextSize;
  std::vector<char> text(text_size + 1, '#');
  std::vector<BYTE> bytes(data + 3, data + size);  // exactly the stored size
  format_reg_data(type, bytes.data(), static_cast<DWORD>(bytes.size()), text.data(), text_size);
  if (text[text_size] != '#' || std::memchr(text.data(), '\0', text_size) == nullptr) __builtin_trap();
  return 0;
}
