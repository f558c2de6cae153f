// Embeds the simulated hwpeek image in the module this object is linked into.
#include "sim/hardware/driver_image.h"
#include "oal/files.h"
#include "sim/modules.h"

namespace {

constexpr auto kImage = sim::make_hwpeek_image();

const bool kEmbedded = [] {
  sim::register_resource(&kImage, "HWPEEKDEV", MAKEINTRESOURCEA(101), kImage.data(), kImage.size());
  return true;
}();

}  // namespace
