// Embeds the simulated hwpeek image in the module this object is linked into.
#include "driver_image.h"
#include "modules.h"
#include "oal/files.h"

namespace {

constexpr auto kImage = sim::make_hwpeek_image();

const bool kEmbedded = [] {
  sim::register_resource(&kImage, "HWPEEKDEV", MAKEINTRESOURCEA(101), kImage.data(), kImage.size());
  return true;
}();

}  // namespace
