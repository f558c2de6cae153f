// The test simulation library of the Windows build: no simulated machine
// shares the process there, so the library carries the driver model itself
// and keeps the driver's state in LUMA_SIM_STATE when that is set.
#include <cstdint>
#include <cstdlib>

#include "standalone.h"

#define MINI_API extern "C" __declspec(dllexport)

namespace {

lumagraph::StandaloneDriver& driver() {
  static lumagraph::StandaloneDriver d(lumagraph::standalone_state_path(std::getenv("LUMA_SIM_STATE")));
  return d;
}

}  // namespace

MINI_API int32_t bootup_sequence() {
  driver();
  return 0;
}

MINI_API int32_t test_escape(int32_t, int32_t code, int32_t in_size, const void* in, int32_t out_size,
                             void* out) {
  int r = driver().escape(code, in_size, in, out_size, out);
  // The library reports the system text of a refusal.
  if (r <= 0) SetLastError(ERROR_INVALID_FUNCTION);
  return r;
}

MINI_API int32_t test_change_display_settings(DEVMODEA* mode, uint32_t flags) {
  return driver().change_settings(mode, flags);
}
