// libFuzzer entry point for the PCI dump file parser: the input is split
// into lines as get_pci_info reads a file.
//   clang++ -std=c++20 -fsanitize=fuzzer,address -I. tests/fuzz/fuzz_pci_dump.cpp hw/pci_dump_file.cpp
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "hw/pci_dump_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PciDumpParser parser;
  const char* text = reinterpret_cast<const char*>(data);
  size_t start = 0;
  while (start < size) {
    const void* nl = std::memchr(text + start, '\n', size - start);
    size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - text) : size;
    // The reader hands over at most 258 characters of a line (enough to see
    // that it is too long).
    size_t length = end - start;
    if (length > PciDumpParser::kMaxLine + 2) length = PciDumpParser::kMaxLine + 2;
    if (!parser.line(text + start, length)) break;
    start = end + 1;
  }
  if (parser.values() > PciDumpParser::kSpaceSize) __builtin_trap();
  return 0;
}
