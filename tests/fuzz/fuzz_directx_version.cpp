// libFuzzer entry: the DirectX version text of the registry, any bytes.
#include <cstddef>
#include <cstdint>

#include "dsetup/directx_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t version = 0, revision = 0;
  if (dsetup::version_from_text(reinterpret_cast<const char*>(data), size, &version, &revision)) {
    // Four fields of at most 65535 each.
    if ((version >> 16) > 0xFFFF || (revision >> 16) > 0xFFFF) __builtin_trap();
  }
  return 0;
}
