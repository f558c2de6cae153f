// The words of the display commands: port types, configuration keywords,
// the names printed for a dc, and mode texts.
#include <cctype>
#include <cstring>

#include "display_commands.h"

namespace {

struct PortType {
  uint32_t port;
  const char* names[2];
};
const PortType kPortTypes[] = {
    {PORT_TV, {"SDVOA", "TV"}},
    {PORT_DVOB, {"SDVOB", nullptr}},
    {PORT_DVOC, {"SDVOC", nullptr}},
    {PORT_LVDS, {"LVDS", nullptr}},
    {PORT_ANALOG, {"CRT", nullptr}},
};

struct ConfigType {
  uint32_t type;
  const char* keyword;
  const char* name;
};
const ConfigType kConfigTypes[] = {
    {MULTI_TYPE_SINGLE, "single", "MULTI_TYPE_SINGLE"},
    {MULTI_TYPE_CLONE, "clone", "MULTI_TYPE_CLONE"},
    {MULTI_TYPE_TWIN, "twin", "MULTI_TYPE_TWIN"},
    {MULTI_TYPE_EXTENDED, "extended", "MULTI_TYPE_EXTENDED"},
};

// Indexed by dc nibble.
const char* const kPortRoles[] = {nullptr,          "PRIMARY_MASTER",   "PRIMARY_TWIN1",   "PRIMARY_TWIN2",
                                  "PRIMARY_TWIN3",  "SECONDARY_MASTER", "SECONDARY_TWIN1", "SECONDARY_TWIN2"};

constexpr uint32_t kMaxModeValue = 0xFFFF;

}  // namespace

bool word_is(const char* text, const char* word) {
  if (!text || !word) return false;
  for (; *text && *word; ++text, ++word)
    if (std::toupper(static_cast<unsigned char>(*text)) != std::toupper(static_cast<unsigned char>(*word)))
      return false;
  return *text == *word;
}

uint32_t port_type_number(const char* word) {
  if (!word) return 0;
  for (const auto& t : kPortTypes)
    for (const char* name : t.names)
      if (name && word_is(word, name)) return t.port;
  return 0;
}

std::vector<std::string> port_type_words() {
  std::vector<std::string> words;
  for (const auto& t : kPortTypes)
    for (const char* name : t.names)
      if (name) words.push_back(name);
  return words;
}

uint32_t config_keyword_type(const char* word) {
  if (!word) return 0;
  for (const auto& c : kConfigTypes)
    if (word_is(word, c.keyword)) return c.type;
  return 0;
}

const char* config_type_name(uint32_t type) {
  for (const auto& c : kConfigTypes)
    if (c.type == type) return c.name;
  return "Unknown";
}

const char* port_role_name(uint32_t nibble) {
  return nibble >= PRIMARY_MASTER && nibble <= SECONDARY_TWIN2 ? kPortRoles[nibble] : "Unknown";
}

ModeTextResult parse_mode_text(const char* text, ModeText& mode) {
  if (!text) return ModeTextResult::TooFewPieces;
  uint32_t values[3] = {};
  int pieces = 0;
  bool too_big = false;
  const char* p = text;
  // Pieces are the runs between X's; runs of X count as one separator.
  while (*p && pieces < 3) {
    while (*p == 'x' || *p == 'X') ++p;
    if (!*p) break;
    uint32_t v = 0;
    // Leading digits only; a piece without them reads as 0.
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
      if (v <= kMaxModeValue) v = v * 10 + static_cast<uint32_t>(*p - '0');
    }
    if (v > kMaxModeValue) too_big = true;
    values[pieces++] = v;
    while (*p && *p != 'x' && *p != 'X') ++p;
  }
  if (pieces < 3) return ModeTextResult::TooFewPieces;
  if (too_big) return ModeTextResult::OutOfRange;
  mode.width = static_cast<uint16_t>(values[0]);
  mode.height = static_cast<uint16_t>(values[1]);
  mode.refresh = static_cast<uint16_t>(values[2]);
  return ModeTextResult::Ok;
}

bool parse_decimal(const char* text, uint32_t& value) {
  if (!text) return false;
  const char* p = text;
  uint64_t v = 0;
  for (; *p >= '0' && *p <= '9' && v <= 0xFFFFFFFFu; ++p) v = v * 10 + static_cast<uint64_t>(*p - '0');
  if (p == text || *p || v > 0xFFFFFFFFu) return false;
  value = static_cast<uint32_t>(v);
  return true;
}
