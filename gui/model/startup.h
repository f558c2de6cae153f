// Program start: whether the registry hides the attributes page, and the
// pages of the sheet in their order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace gui {

// The registry as program start reads it: keys are paths under
// HKEY_LOCAL_MACHINE.
class MachineRegistry {
 public:
  virtual ~MachineRegistry() = default;
  virtual bool read_text(const std::string& key, const std::string& value, std::string& text) = 0;
  virtual bool read_dword(const std::string& key, const std::string& value, uint32_t& number) = 0;
};

inline const char* const kVideoMapKey = "HARDWARE\\DEVICEMAP\\VIDEO";

// A device path of the video map without its first two components (the
// registry root and the machine prefix), or "" when it has no more.
std::string device_key_of(const std::string& registry_path);
// "NoAttribPage" as the search reads it: eight hexadecimal digits, most
// significant first, read back as a decimal number.
uint32_t no_attrib_page_value(uint32_t dword);
// Searches "\Device\Video0" to "\Device\Video4" for the Lumagraph device
// and says whether its "NoAttribPage" hides the attributes page.
bool attributes_page_hidden(MachineRegistry& registry);

inline const char* const kSheetTitle = "LUMAGUI";
enum class Page { Info, Config, Attributes, Colour };
// The pages in sheet order, with their titles.
std::vector<Page> sheet_pages(bool attributes_hidden);
const char* page_title(Page page);

}  // namespace gui
