// Embeds the simulated machine's stand-in for Dsetup.dll, resource "dsetup"
// 104, in the module this object is linked into.
#include "dsetup_image.h"
#include "modules.h"
#include "oal/files.h"

namespace {

constexpr auto kImage = sim::make_dsetup_image();

const bool kEmbedded = [] {
  sim::register_resource(&kImage, "dsetup", MAKEINTRESOURCEA(104), kImage.data(), kImage.size());
  return true;
}();

}  // namespace
