#include "machine_for_fuzzing.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "sim/machine.h"

const std::string& fuzz_machine(const char* profile_text) {
  static const std::string folder = [profile_text] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/luma-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    std::string state = pattern + "/state";
    // Anything that boots the machine from the environment finds the same one.
    setenv("LUMA_SIM_STATE", state.c_str(), 1);
    if (chdir(pattern.c_str()) != 0) std::abort();
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    sim::Machine& m = sim::Machine::boot_text(profile_text, state);
    if (m.fault()) {
      std::fprintf(stderr, "fuzz machine: %s\n", m.fault());
      std::abort();
    }
    return pattern;
  }();
  return folder;
}

std::string fuzz_text(const uint8_t* data, size_t size, size_t max) {
  return std::string(reinterpret_cast<const char*>(data), size < max ? size : max);
}
