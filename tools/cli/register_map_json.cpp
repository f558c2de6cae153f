#include "register_map_json.h"

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "hw/register_names.h"

namespace {

nlohmann::ordered_json family_json(const RegisterMap& map) {
  nlohmann::ordered_json registers = nlohmann::ordered_json::array();
  for (const named_reg_t& reg : map.registers()) {
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    for (size_t i = 0; i < reg.field_count; ++i)
      fields.push_back({{"name", reg.fields[i].name}, {"high", reg.fields[i].high}, {"low", reg.fields[i].low}});
    registers.push_back({{"name", reg.name},
                         {"offset", reg.offset},
                         {"title", reg.title},
                         {"device", reg.device},
                         {"tables", {dump_table_command(reg.table)}},
                         {"fields", fields}});
  }
  return {{"name", map.family_name()}, {"id", map.family_id()}, {"registers", registers}};
}

}  // namespace

int write_register_map_json(const char* family_name) {
  nlohmann::ordered_json families = nlohmann::ordered_json::array();
  for (const RegisterMap* map : RegisterMap::all())
    if (!family_name || std::strcmp(family_name, map->family_name()) == 0) families.push_back(family_json(*map));
  if (families.empty()) {
    std::fprintf(stderr, "ERROR: No chipset family is named %.64s (ava, dov, cyr, eft, fyn or bex)\n", family_name);
    return kRegdbUnknownFamily;
  }
  nlohmann::ordered_json doc = {{"families", families}};
  // Text from the maps is escaped by the writer; dump() never throws on
  // these ASCII names.
  std::string text = doc.dump(1, '\t');
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  return std::fflush(stdout) == 0 ? 0 : 4;
}
