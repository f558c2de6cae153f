// Display names of the graphics devices, searched in order: the named rows
// of the device table.
#include "devices/device_ids.h"
#include "session.h"

namespace {

constexpr bool named(const DeviceInfo& d) { return d.name != nullptr; }
constexpr size_t kNamedRows = count_devices(named);

struct NameTable {
  ChipsetName rows[kNamedRows];
};
constexpr NameTable make_names() {
  NameTable t{};
  size_t n = 0;
  for (const DeviceInfo& d : kDeviceTable)
    if (named(d)) t.rows[n++] = {d.id, d.name};
  return t;
}
constexpr NameTable kChipsetNames = make_names();
static_assert(kNamedRows == 32);

}  // namespace

const ChipsetName* chipset_names(unsigned* count) {
  *count = kNamedRows;
  return kChipsetNames.rows;
}
