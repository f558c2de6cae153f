// Register and field names for completion at luma_cli's prompt, from the
// register map of the session's chipset family.
#pragma once
#include <string>
#include <vector>

// The names of the family `family_id` that begin with `prefix` (any case):
// registers, fields whose name is unique in the family, and after
// "REG." that register's fields as "REG.FIELD". Empty for an unknown family.
std::vector<std::string> register_names_for(int family_id, const std::string& prefix);
// The same for the family of the open session (none without one).
std::vector<std::string> session_register_names(const std::string& prefix);
