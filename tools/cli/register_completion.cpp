#include "register_completion.h"

#include <map>

#include "completion.h"
#include "core/session.h"
#include "hw/register_names.h"

namespace {

// A family's completion words, built at the first Tab that needs them.
struct FamilyWords {
  std::vector<std::string> alone;      // register names, then the fields unique in the family
  std::vector<std::string> qualified;  // every REG.FIELD
};

const FamilyWords* words_of(int family_id) {
  static std::map<int, FamilyWords> cache;
  auto it = cache.find(family_id);
  if (it != cache.end()) return &it->second;
  const RegisterMap* map = RegisterMap::of_family(family_id);
  if (!map) return nullptr;
  FamilyWords w;
  std::map<std::string, int> field_uses;
  for (const named_reg_t& r : map->registers()) {
    w.alone.push_back(r.name);
    for (size_t i = 0; i < r.field_count; ++i) {
      w.qualified.push_back(std::string(r.name) + "." + r.fields[i].name);
      ++field_uses[r.fields[i].name];
    }
  }
  for (const auto& [field, uses] : field_uses)
    if (uses == 1 && find_one_name(*map, field.c_str()).status == name_status::found) w.alone.push_back(field);
  return &cache.emplace(family_id, std::move(w)).first->second;
}

}  // namespace

std::vector<std::string> register_names_for(int family_id, const std::string& prefix) {
  std::vector<std::string> out;
  const FamilyWords* w = words_of(family_id);
  if (!w) return out;
  const auto& pool = prefix.find('.') == std::string::npos ? w->alone : w->qualified;
  for (const auto& name : pool)
    if (begins_with(name, prefix)) out.push_back(name);
  return out;
}

std::vector<std::string> session_register_names(const std::string& prefix) {
  return session.family ? register_names_for(session.family->family_id(), prefix) : std::vector<std::string>{};
}
