// libFuzzer entry point: the "ins.txt" template parser, then the decoder
// with whatever templates it accepted over the same bytes as dwords.
//   clang++ -fsanitize=fuzzer,address -I. -Iinclude tests/fuzz/fuzz_ins_templates.cpp \
//       hw/ins_templates.cpp commands/command_table.cpp ...
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "hw/ins_templates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ins_parse_t parsed = parse_ins_templates(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!parsed.ok && (parsed.error_line < 1 || !parsed.templates.empty())) __builtin_trap();
  std::vector<uint32_t> dwords(size / 4);
  if (!dwords.empty()) std::memcpy(dwords.data(), data, dwords.size() * 4);
  for (uint32_t family : {1u, 2u, 4u, 5u})
    decode_instructions(parsed.templates, family, 0xFFFFFFF0u, dwords.data(), dwords.size(), [](const char* line) {
      if (std::strlen(line) > 300) __builtin_trap();
    });
  return 0;
}
