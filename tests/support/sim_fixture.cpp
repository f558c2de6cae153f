#include "sim_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/msglog.h"

std::string make_temp_dir(const std::string& tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/luma-" + tag + "-XXXXXX";
  std::string buf = pattern;
  if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  return buf;
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream f(path, std::ios::binary);
  f << content;
}

static sim::Machine& boot(const std::string& profile, const std::string& dir) {
  if (profile.find('\n') != std::string::npos) return sim::Machine::boot_text(profile, dir);
  return sim::Machine::boot(profile, dir);
}

void SimTest::SetUp() {
  state_dir_ = make_temp_dir("state");
  // Each test works in a folder of its own: the session writes files (the
  // driver image, logs) into the current directory, and tests run side by side.
  saved_cwd_ = std::filesystem::current_path().string();
  std::filesystem::create_directory(state_dir_ + "/cwd");
  std::filesystem::current_path(state_dir_ + "/cwd");
  auto& m = boot(profile(), state_dir_);
  ASSERT_EQ(m.fault(), nullptr) << m.fault();
  opal_set_debug_volume(2);
}

void remove_tree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

void SimTest::TearDown() {
  opal_set_debug_volume(2);
  std::filesystem::current_path(saved_cwd_);
  remove_tree(state_dir_);
}

sim::Machine& SimTest::reboot() { return boot(profile(), state_dir_); }

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  char name[] = "/tmp/luma-stdout-XXXXXX";
  int fd = mkstemp(name);
  path_ = name;
  saved_ = dup(1);
  dup2(fd, 1);
  close(fd);
}

std::string StdoutCapture::stop() {
  if (saved_ < 0) return "";
  std::fflush(stdout);
  dup2(saved_, 1);
  close(saved_);
  saved_ = -1;
  std::string out = read_file(path_);
  unlink(path_.c_str());
  return out;
}

StdoutCapture::~StdoutCapture() { stop(); }
