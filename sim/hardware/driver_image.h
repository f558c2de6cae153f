// The simulated platform's stand-in for the hwpeek.sys image: a small
// generated blob that names the driver and carries a checksum, so the
// service manager can tell it from a missing, truncated or foreign file.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sim {

constexpr char kHwpeekImageSignature[] = "MZ\x90\0LUMAGRAPH HWPEEK KERNEL DRIVER IMAGE 1.0";
constexpr size_t kHwpeekImageSize = 2048;

// Signature, then a generated body, then a 32-bit sum of every byte before it.
constexpr std::array<uint8_t, kHwpeekImageSize> make_hwpeek_image() {
  std::array<uint8_t, kHwpeekImageSize> image{};
  size_t n = sizeof kHwpeekImageSignature;
  for (size_t i = 0; i < n; ++i) image[i] = static_cast<uint8_t>(kHwpeekImageSignature[i]);
  uint32_t x = 0x1E1D2B02u;
  for (size_t i = n; i < kHwpeekImageSize - 4; ++i) {
    x = x * 1664525u + 1013904223u;
    image[i] = static_cast<uint8_t>(x >> 24);
  }
  uint32_t sum = 0;
  for (size_t i = 0; i < kHwpeekImageSize - 4; ++i) sum += image[i];
  for (size_t i = 0; i < 4; ++i) image[kHwpeekImageSize - 4 + i] = static_cast<uint8_t>(sum >> (8 * i));
  return image;
}

inline bool is_hwpeek_image(const uint8_t* data, size_t size) {
  if (size != kHwpeekImageSize || std::memcmp(data, kHwpeekImageSignature, sizeof kHwpeekImageSignature) != 0)
    return false;
  uint32_t sum = 0, stored = 0;
  for (size_t i = 0; i < kHwpeekImageSize - 4; ++i) sum += data[i];
  for (size_t i = 0; i < 4; ++i) stored |= uint32_t(data[kHwpeekImageSize - 4 + i]) << (8 * i);
  return sum == stored;
}

}  // namespace sim
