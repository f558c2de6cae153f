// The display driver's configuration in the registry: its numbered
// configurations with general and per-port values, the default
// configuration id, and the dump of every key the driver owns. All keys are
// under HKEY_LOCAL_MACHINE. Reads open keys for reading only and never
// create anything; only the set operations create the keys they write.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "lumainfo.h"
#include "oal/win_types.h"

// Texts read from the registry (value texts, INF names) and the displayed
// form of a value's data.
constexpr size_t kRegTextSize = 256;
constexpr size_t kRegDataTextSize = 512;

extern const char kDisplayClassKey[];
extern const char kServiceKey[];

// True for the "DriverDesc" of the Lumagraph driver's display-class instance.
bool is_lumagraph_instance(const char* driver_desc);

// The kernel path of the video key ("\Registry\Machine\System\...").
opal_exit_t get_video_key_path(char* path, size_t size);

// Opens the video key with `access`; its path below HKEY_LOCAL_MACHINE
// (from "System" on) goes to `subpath` when given.
opal_exit_t open_video_key(REGSAM access, HKEY* key, std::string* subpath = nullptr);

// The driver instance's "InfPath" into `inf` (`size` bytes, terminated).
opal_exit_t find_inf_path(char* inf, size_t size);

// The displayed form of registry data, within `text_size` bytes and always
// terminated; data longer than fits is cut at a whole item.
void format_reg_data(DWORD type, const BYTE* data, DWORD size, char* text, size_t text_size);

// Writes the key's values and, recursively, its subkeys under `title`.
// False (nothing written) when the key cannot be queried.
bool dump_registry_key(const char* title, HKEY key);
opal_exit_t dump_display_instances();

enum class RegAccess { Get, Set };

// One parameter of a configuration: port 0 names the configuration's
// general key, any other port that port's `subkey`. Configuration id 0 is
// the default one. Get fills `value` (kRegTextSize bytes) and `type`; set
// stores `value` ("Name" and "PortOrder" as texts, any other parameter as
// a 32-bit number).
opal_exit_t reg_param_access(RegAccess mode, uint32_t config_id, uint32_t port, const char* subkey,
                             const char* param, char* value, uint32_t* type);
opal_exit_t config_id_access(RegAccess mode, uint32_t* id);
// Deletes `value_name` of the key `key_path` below the video key, or the
// key with everything below it when the value name is empty or null.
opal_exit_t delete_reg_entry(const char* key_path, const char* value_name);
