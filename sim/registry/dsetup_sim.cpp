// The simulated machine's Dsetup.dll: a program that writes out the carried
// stand-in image and loads it by path gets this DirectXSetupGetVersion,
// which reads the version from the simulated registry as the real library
// reads it from the real one.
#include "dsetup/directx_version.h"
#include "dsetup_image.h"
#include "modules.h"
#include "registry_store.h"

namespace {

const char kModule[] = "<dsetup>";
const char kDirectXKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\DirectX";

INT WINAPI directx_setup_get_version(DWORD* version, DWORD* revision) {
  if (version) *version = 0;
  if (revision) *revision = 0;
  auto& m = sim::Machine::get();
  if (m.fault()) return FALSE;
  auto& registry = m.part<sim::Registry>();
  if (registry.open_denied(kDirectXKey) || registry.read_denied(kDirectXKey, "Version")) return FALSE;
  auto value = registry.value(kDirectXKey, "Version");
  if (!value || value->type != REG_SZ) return FALSE;
  uint32_t v = 0, r = 0;
  if (!dsetup::version_from_text(value->data.data(), value->data.size(), &v, &r)) return FALSE;
  if (version) *version = v;
  if (revision) *revision = r;
  return TRUE;
}

const bool kRegistered = [] {
  sim::register_image_module(kModule, sim::is_dsetup_image);
  sim::register_system_export(kModule, "DirectXSetupGetVersion",
                              reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&directx_setup_get_version)));
  return true;
}();

}  // namespace
