// The simulated platform's stand-in for the hwpeek.sys image: a small
// generated blob that names the driver and carries a checksum, so the
// service manager can tell it from a missing, truncated or foreign file.
#pragma once
#include "image_blob.h"

namespace sim {

constexpr char kHwpeekImageSignature[] = "MZ\x90\0LUMAGRAPH HWPEEK KERNEL DRIVER IMAGE 1.0";
constexpr size_t kHwpeekImageSize = 2048;

constexpr std::array<uint8_t, kHwpeekImageSize> make_hwpeek_image() {
  return make_image_blob<kHwpeekImageSize>(kHwpeekImageSignature, 0x1E1D2B02u);
}

inline bool is_hwpeek_image(const uint8_t* data, size_t size) {
  return is_image_blob<kHwpeekImageSize>(data, size, kHwpeekImageSignature);
}

}  // namespace sim
