// Stand-ins for binary images the toolkit carries (a driver, a library):
// a signature, a generated body and a 32-bit sum of every byte before it,
// so the simulated machine can tell one from a missing, truncated or
// foreign file.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sim {

template <size_t Size, size_t SignatureSize>
constexpr std::array<uint8_t, Size> make_image_blob(const char (&signature)[SignatureSize], uint32_t seed) {
  std::array<uint8_t, Size> image{};
  for (size_t i = 0; i < SignatureSize; ++i) image[i] = static_cast<uint8_t>(signature[i]);
  uint32_t x = seed;
  for (size_t i = SignatureSize; i < Size - 4; ++i) {
    x = x * 1664525u + 1013904223u;
    image[i] = static_cast<uint8_t>(x >> 24);
  }
  uint32_t sum = 0;
  for (size_t i = 0; i < Size - 4; ++i) sum += image[i];
  for (size_t i = 0; i < 4; ++i) image[Size - 4 + i] = static_cast<uint8_t>(sum >> (8 * i));
  return image;
}

template <size_t Size, size_t SignatureSize>
bool is_image_blob(const void* data, size_t size, const char (&signature)[SignatureSize]) {
  auto* bytes = static_cast<const uint8_t*>(data);
  if (size != Size || std::memcmp(bytes, signature, SignatureSize) != 0) return false;
  uint32_t sum = 0, stored = 0;
  for (size_t i = 0; i < Size - 4; ++i) sum += bytes[i];
  for (size_t i = 0; i < 4; ++i) stored |= uint32_t(bytes[Size - 4 + i]) << (8 * i);
  return sum == stored;
}

}  // namespace sim
