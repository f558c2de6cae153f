// A simulated machine of a benchmark's own, in a fresh state folder, with
// the register access driver installed for the whole program.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "lumainfo.h"
#include "redirected_stdout.h"
#include "sim/machine.h"

struct DriverSession {
  DriverSession() {
    char dir[] = "/tmp/luma-bench-state-XXXXXX";
    state = mkdtemp(dir);
    sim::Machine::boot("dov", state);
    if (chdir(state.c_str()) != 0) std::abort();
    RedirectedStdout quiet;
    if (opal_open(1) != EXIT_OK) std::abort();
  }
  ~DriverSession() {
    RedirectedStdout quiet;
    opal_close();
  }
  std::string state;
};
