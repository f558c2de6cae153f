// Helpers the fuzz targets share: a simulated machine of their own, whose
// waits take no time, in a private folder that is also the working folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Boots (once per process) a machine from `profile_text` in a private
// temporary state folder, makes that folder the working folder and sends
// standard output to /dev/null. Returns the folder.
const std::string& fuzz_machine(const char* profile_text = "base = dov\n[machine]\nwait_scale = 0\n");

// The input as text of at most `max` bytes.
std::string fuzz_text(const uint8_t* data, size_t size, size_t max = 1 << 16);
