// The console tool's scripted input: the whole tool run over the input as
// its standard input, on the simulated machine.
#include <strings.h>

#include <cstdio>

#include "machine_for_fuzzing.h"
#include "report_tool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_machine();
  // A wait of N seconds takes N seconds' worth of clock steps, which is
  // what it is for: its lines are left out.
  std::string raw = fuzz_text(data, size, 1 << 12), text;
  for (size_t at = 0; at < raw.size();) {
    size_t end = raw.find('\n', at);
    end = end == std::string::npos ? raw.size() : end + 1;
    std::string line = raw.substr(at, end - at);
    size_t word = line.find_first_not_of(" \t");
    if (word == std::string::npos || strncasecmp(line.c_str() + word, "wait", 4) != 0) text += line;
    at = end;
  }
  FILE* in = fmemopen(text.data(), text.size() ? text.size() : 1, "r");
  if (!in) return 0;
  if (text.empty()) std::fgetc(in);  // an empty script: at end at once
  char program[] = "luma_qrt";
  char script[] = "--script";
  char* argv[] = {program, script, nullptr};
  qrt_run(2, argv, in);
  std::fclose(in);
  return 0;
}
