// A simulated machine's state file: what loads must hold only storable keys
// and values that are written back and read again unchanged.
#include "machine_for_fuzzing.h"
#include "sim/state_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::StateFile file;
  std::string error;
  if (!file.load_text(fuzz_text(data, size), error)) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  for (const std::string& key : file.keys()) {
    std::string value = file.get_or(key, "");
    std::string back;
    if (!sim::unescape_state_value(sim::escape_state_value(value), back) || back != value) __builtin_trap();
    file.number_or(key, 0);
  }
  return 0;
}
