// libFuzzer entry: a register name or pattern of the name grammar, looked up
// in the map of a family (the first byte chooses it). Whatever the text, the lookup stays inside the
// maps, answers with a status that fits what it found, and its close names
// are names of the family.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hw/register_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Names come from one command line.
  if (size < 1 || size > 256) return 0;
  std::vector<const RegisterMap*> maps = RegisterMap::all();
  const RegisterMap* map = maps[data[0] % maps.size()];
  std::string pattern(reinterpret_cast<const char*>(data + 1), size - 1);
  pattern = pattern.c_str();  // as a C string reaches the lookup
  {
    for (bool one : {false, true}) {
      name_lookup_t r = one ? find_one_name(*map, pattern.c_str()) : find_names(*map, pattern.c_str());
      if (r.status == name_status::found && (r.matches.empty() || (one && r.matches.size() != 1))) std::abort();
      if (r.status == name_status::ambiguous && r.matches.size() < 2) std::abort();
      if (r.status == name_status::no_match && (!r.matches.empty() || r.suggestions.size() > 3)) std::abort();
      for (const reg_match_t& m : r.matches)
        if (m.field >= static_cast<int>(m.reg->field_count) || map->by_name(m.reg->name) != m.reg) std::abort();
      for (const std::string& s : r.suggestions)
        if (find_one_name(*map, s.c_str()).status == name_status::no_match) std::abort();
    }
  }
  return 0;
}
