// The simulated platform's stand-in for the Dsetup.dll image: the library
// loader recognises it when a program loads the written-out file by path,
// and its DirectXSetupGetVersion answers from the simulated registry.
#pragma once
#include "image_blob.h"

namespace sim {

constexpr char kDsetupImageSignature[] = "MZ\x90\0LUMAGRAPH SIMULATED DSETUP LIBRARY 1.0";
constexpr size_t kDsetupImageSize = 512;

constexpr std::array<uint8_t, kDsetupImageSize> make_dsetup_image() {
  return make_image_blob<kDsetupImageSize>(kDsetupImageSignature, 0xD5E7u);
}

inline bool is_dsetup_image(const void* data, size_t size) {
  return is_image_blob<kDsetupImageSize>(data, size, kDsetupImageSignature);
}

}  // namespace sim
