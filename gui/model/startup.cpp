#include "startup.h"

#include <cstdio>
#include <cstdlib>

namespace gui {

std::string device_key_of(const std::string& registry_path) {
  size_t pos = registry_path.find_first_not_of('\\');
  for (int skip = 0; skip < 2 && pos != std::string::npos; ++skip) {
    size_t slash = registry_path.find('\\', pos);
    pos = slash == std::string::npos ? slash : registry_path.find_first_not_of('\\', slash);
  }
  return pos == std::string::npos ? std::string() : registry_path.substr(pos);
}

uint32_t no_attrib_page_value(uint32_t dword) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(dword));
  return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
}

bool attributes_page_hidden(MachineRegistry& registry) {
  for (int i = 0; i <= 4; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "\\Device\\Video%d", i);
    std::string path;
    if (!registry.read_text(kVideoMapKey, name, path)) return false;
    const std::string key = device_key_of(path);
    std::string description;
    if (registry.read_text(key, "Device Description", description) &&
        description.find("Varnel") == std::string::npos)
      continue;
    uint32_t value = 0;
    if (!registry.read_dword(key, "NoAttribPage", value)) return false;
    return no_attrib_page_value(value) != 0;
  }
  return false;
}

std::vector<Page> sheet_pages(bool attributes_hidden) {
  std::vector<Page> pages = {Page::Info, Page::Config};
  if (!attributes_hidden) pages.push_back(Page::Attributes);
  pages.push_back(Page::Colour);
  return pages;
}

const char* page_title(Page page) {
  switch (page) {
    case Page::Info:
      return "Driver Info";
    case Page::Config:
      return "Display Config";
    case Page::Attributes:
      return "Display Attributes";
    case Page::Colour:
      return "Color Correction";
  }
  return "";
}

}  // namespace gui
