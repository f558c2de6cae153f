// Display names of the graphics devices, searched in order: the named rows
// of the device table.
#include "devices/device_ids.h"
#include "session.h"

namespace {

constexpr bool named(const DeviceInfo& d) { return d.name != nullptr; }
constexpr size_t kNamedRows = count_devices(named);

constexpr auto kChipsetNames =
    derive_table<ChipsetName, kNamedRows>(named, [](const DeviceInfo& d) { return ChipsetName{d.id, d.name}; });
static_assert(kNamedRows == 32);

}  // namespace

const ChipsetName* chipset_names(unsigned* count) {
  *count = kNamedRows;
  return kChipsetNames.rows;
}
