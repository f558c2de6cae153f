// The test simulation library: when a session finds it, every escape and
// display-settings change goes here instead of to the display driver. It
// answers with the same Lumagraph driver model as the simulated screens,
// sharing the process's simulated machine.
#include <cstdint>

#include "display/display_sim.h"

#define MINI_API extern "C" __attribute__((visibility("default")))

MINI_API int32_t bootup_sequence() { return sim::lumagraph_sim_ready() ? 0 : 1; }

MINI_API int32_t test_escape(int32_t, int32_t code, int32_t in_size, const void* in, int32_t out_size,
                             void* out) {
  return sim::lumagraph_sim_escape(code, in_size, in, out_size, out);
}

MINI_API int32_t test_change_display_settings(DEVMODEA* mode, uint32_t flags) {
  return sim::lumagraph_sim_change_settings(mode, flags);
}
