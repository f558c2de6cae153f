// Test helpers: a fresh simulated machine for each test, and capture of
// what the library writes to standard output.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "sim/machine.h"

// A new empty directory under the system's temporary folder.
std::string make_temp_dir(const std::string& tag);
std::string read_file(const std::string& path);
// Removes a directory and everything in it.
void remove_tree(const std::string& path);
void write_file(const std::string& path, const std::string& content);

// Boots a machine from a built-in profile, or from profile text when the
// text holds a newline, in a fresh state directory.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The default machine, with waits that take no real time.
  virtual std::string profile() const { return "base = dov\n[machine]\nwait_scale = 0\n"; }
  // Reboots on the same state directory (a later run of a program).
  sim::Machine& reboot();
  sim::Machine& machine() { return sim::Machine::get(); }
  std::string state_dir_;
  std::string saved_cwd_;
};

// Captures standard output (file descriptor 1) between start and stop.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  std::string stop();

 private:
  int saved_ = -1;
  std::string path_;
};
