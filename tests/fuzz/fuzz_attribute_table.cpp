// libFuzzer entry: a port's attribute table as the driver could send it,
// sorted into the attributes page's rows and read back as the page does.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "display_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t count = size / sizeof(opal_port_attribute_t);
  std::vector<opal_port_attribute_t> table(count);
  if (count) std::memcpy(table.data(), data, count * sizeof(opal_port_attribute_t));
  gui::SortedAttributes s = gui::sort_attributes(table.data(), static_cast<uint32_t>(count));
  if (s.ranges.size() > gui::kRangeRows || s.lists.size() > gui::kListRows || s.bools.size() > gui::kBoolRows)
    __builtin_trap();
  size_t entries = 0;
  for (const auto& list : s.lists) {
    int selected = gui::DisplayModel::list_selection(list);
    if (selected >= static_cast<int>(list.entries.size())) __builtin_trap();
    entries += list.entries.size() + 1;
  }
  if (entries > count) __builtin_trap();
  for (const auto& r : s.ranges)
    if (gui::track_value(r.max) < 0) __builtin_trap();
  return 0;
}
