// The profiles compiled into the simulated machine (sim/profiles/*.profile).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "profile.h"

namespace sim {
std::optional<Profile> load_builtin(const std::string& name, std::string& error);
std::vector<std::string> builtin_profile_names();
const std::string* builtin_profile_text(const std::string& name);
}  // namespace sim
