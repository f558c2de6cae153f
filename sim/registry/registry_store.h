// The simulated machine's registry: keys and typed values kept in the
// machine's "registry" state, seeded once from the profile.
//
// Profile sections "[registry <hive>\<path>]" create a key; each line
// "name = value" inside makes a value ("@" names the key's default value):
//   dword:0x10       REG_DWORD        qword:5        REG_QWORD
//   hex:01,02,ff     REG_BINARY       expand:%x%\y   REG_EXPAND_SZ
//   multi:a|b|c      REG_MULTI_SZ     anything else  REG_SZ ("..." keeps blanks)
// Hives: HKLM, HKCU, HKCR, HKU, HKCC or their long names.
//
// The processor key HARDWARE\DESCRIPTION\System\CentralProcessor\0 under
// HKLM carries the host's own Identifier, ProcessorNameString,
// VendorIdentifier and ~MHz wherever the profile does not give them.
//
// Faults ([faults], each a list of paths separated by ';'):
//   registry_open  = HKLM\path        opening or creating the key is denied
//   registry_read  = HKLM\path\value  reading that value is denied
//   registry_write = HKLM\path        changing the key's values is denied
#pragma once
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "machine.h"
#include "oal/win_types.h"

namespace sim {

struct RegValue {
  DWORD type = REG_NONE;
  std::string data;  // raw bytes
  std::string name;  // as first written
};

class Registry : public Part {
 public:
  explicit Registry(Machine& machine);

  // Full paths "HKEY_LOCAL_MACHINE\A\B"; names compare ignoring case.
  bool key_exists(const std::string& path) const;
  // Creates the key and any missing parents; false when the state could
  // not be written.
  bool create_key(const std::string& path, bool& created);
  bool delete_tree(const std::string& path);
  std::vector<std::string> sub_keys(const std::string& path) const;  // names, sorted
  std::vector<RegValue> values(const std::string& path) const;       // sorted by name
  std::optional<RegValue> value(const std::string& path, const std::string& name) const;
  bool set_value(const std::string& path, const RegValue& value);
  bool erase_value(const std::string& path, const std::string& name);

  // Injected faults.
  bool open_denied(const std::string& path) const;
  bool read_denied(const std::string& path, const std::string& name) const;
  bool write_denied(const std::string& path) const;

  // "HKLM\x" or "HKEY_LOCAL_MACHINE\x" to the canonical full path; nullopt
  // when the hive is unknown or a name is empty.
  static std::optional<std::string> canonical(const std::string& text);
  static const char* hive_name(HKEY hive);  // null for a non-predefined key

 private:
  std::string key_of(const std::string& path) const;
  std::string value_key(const std::string& path, const std::string& name) const;
  bool path_listed(const std::string& fault, const std::string& full) const;
  void seed();
  Machine& machine_;
  StateFile& state_;
};

// Parses a profile value text; false with `error` when it is malformed.
bool parse_reg_value(const std::string& text, RegValue& value, std::string& error);

// Adds a key (value null) or a value of a key to the registry being seeded.
using RegistryAdder = std::function<void(const std::string& path, const RegValue* value)>;
// What the Lumagraph driver's installation leaves on a machine whose
// profile installs it (section [driver_install]): its registry keys through
// `add`, and its INF file in the Windows folder. False with `error` when the
// file could not be written.
bool install_driver(Machine& machine, const RegistryAdder& add, std::string& error);

}  // namespace sim
