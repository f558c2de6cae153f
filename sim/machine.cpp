#include "machine.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace sim {
namespace {

std::unique_ptr<Machine>& current() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

std::vector<std::pair<std::string, ProfileCheck>>& checks() {
  static std::vector<std::pair<std::string, ProfileCheck>> list;
  return list;
}

const char* env(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? v : nullptr;
}

}  // namespace

// A run killed between writing a state file's replacement and renaming it
// leaves "<part>.state.tmp.<pid>": its state file is still the old one, and
// the replacement goes once its writer is gone.
void Machine::remove_if_abandoned(const std::string& name) const {
  size_t at = name.find(".state.tmp.");
  if (at == std::string::npos) return;
  char* end = nullptr;
  long pid = std::strtol(name.c_str() + at + 11, &end, 10);
  if (pid <= 0 || *end || pid == getpid()) return;
  if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) return;
  ::unlink((state_dir_ + "/" + name).c_str());
}

void register_profile_check(const char* name, ProfileCheck check) {
  checks().emplace_back(name, std::move(check));
}

std::string default_state_dir(const std::string& profile_name) {
  std::string base;
  if (const char* xdg = env("XDG_STATE_HOME"))
    base = xdg;
  else if (const char* home = env("HOME"))
    base = std::string(home) + "/.local/state";
  else
    base = "/tmp/luma-sim-" + std::to_string(getuid());
  return base + "/luma-sim/" + profile_name;
}

Machine& Machine::get() {
  auto& m = current();
  if (!m) {
    std::string name = env("LUMA_SIM_PROFILE") ? env("LUMA_SIM_PROFILE") : Profile::default_name();
    std::string error;
    auto profile = Profile::load(name, error);
    std::string dir = env("LUMA_SIM_STATE") ? env("LUMA_SIM_STATE")
                                            : default_state_dir(profile ? profile->name() : name);
    m = std::make_unique<Machine>();
    m->start(std::move(profile), error, dir);
  }
  return *m;
}

Machine& Machine::boot(const std::string& profile_name_or_path, const std::string& state_dir) {
  std::string error;
  auto profile = Profile::load(profile_name_or_path, error);
  auto& m = current();
  m.reset();
  m = std::make_unique<Machine>();
  m->start(std::move(profile), error, state_dir);
  return *m;
}

Machine& Machine::boot_text(const std::string& profile_text, const std::string& state_dir) {
  std::string error;
  auto profile = Profile::parse(profile_text, "test", error);
  auto& m = current();
  m.reset();
  m = std::make_unique<Machine>();
  m->start(std::move(profile), error, state_dir);
  return *m;
}

Machine::~Machine() {
  while (!part_order_.empty()) part_order_.pop_back();
  parts_.clear();
  if (debug_log_) std::fclose(debug_log_);
  if (own_drive_root_) remove_directory_tree(drive_root_);
}

void Machine::start(std::optional<Profile> profile, const std::string& profile_error,
                    const std::string& state_dir) {
  kill_at_write(0);  // a crash test's fault lasts one boot
  if (!profile) {
    fault_ = "simulated machine: " + profile_error;
    return;
  }
  profile_ = std::move(*profile);
  for (auto& [name, check] : checks()) {
    std::string error;
    if (!check(profile_, error)) {
      fault_ = "simulated machine: profile " + profile_.name() + ": " + error;
      return;
    }
  }
  std::string scale = profile_.get("machine", "wait_scale", "1");
  char* end = nullptr;
  wait_scale_ = std::strtod(scale.c_str(), &end);
  // Infinity and NaN pass a plain ">= 0" and overflow the first wait's
  // conversion; a huge finite scale makes one simulated second last days.
  if (end == scale.c_str() || *end || !(wait_scale_ >= 0 && wait_scale_ <= kMaxWaitScale)) {
    wait_scale_ = 1.0;
    fault_ = "simulated machine: profile " + profile_.name() +
             ": [machine] wait_scale must be a number from 0 to " + std::to_string(int(kMaxWaitScale));
    return;
  }
  unsigned long kill_at = 0;
  if (has_fault("kill_at_write")) {
    std::string n = fault_value("kill_at_write");
    errno = 0;
    kill_at = std::strtoul(n.c_str(), &end, 10);
    if (n.empty() || *end || n[0] == '-' || kill_at == 0 || errno == ERANGE) {
      fault_ = "simulated machine: profile " + profile_.name() +
               ": [faults] kill_at_write: expected the number of the write (1 or more) that the process dies at";
      return;
    }
  }
  // Only a machine whose state outlives the process has a crash to test.
  kill_at_write(state_dir.empty() ? 0 : kill_at);
  if (const char* log = env("LUMA_SIM_DEBUG_LOG")) debug_log_ = std::fopen(log, "a");

  state_dir_ = state_dir;
  std::string error;
  if (state_dir_.empty()) {
    // An in-memory machine keeps no state, but its drives still need a home:
    // a private folder of its own, never a "/drive_c" at the filesystem root.
    const char* tmp = env("TMPDIR") ? env("TMPDIR") : "/tmp";
    std::string pattern = std::string(tmp) + "/luma-sim-drives-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      fault_ = "simulated machine: cannot create a temporary folder for its drives in " + std::string(tmp);
      return;
    }
    drive_root_ = pattern;
    own_drive_root_ = true;
    if (!make_directories(host_path(windows_dir()), error)) fault_ = "simulated machine: " + error;
    return;
  }
  drive_root_ = state_dir_;
  if (!make_directories(state_dir_, error)) {
    fault_ = "simulated machine: " + error;
    return;
  }
  // The state directory belongs to one profile; another profile's state
  // would describe a different machine.
  StateFile& m = state("machine");
  if (fault()) return;
  auto owner = m.get("profile");
  if (owner && *owner != profile_.name()) {
    fault_ = "simulated machine: the state directory " + state_dir_ + " belongs to the profile '" +
             *owner + "', not '" + profile_.name() +
             "'; set LUMA_SIM_STATE to another directory or remove this one";
    return;
  }
  if (!owner && !m.set("profile", profile_.name())) {
    fault_ = "simulated machine: " + m.last_error();
    return;
  }
  // The Windows folder, its INF folder and the temporary folder exist on
  // every machine.
  if (!make_directories(host_path(windows_dir() + "\\inf"), error) ||
      !make_directories(host_path(windows_dir() + "\\Temp"), error)) {
    fault_ = "simulated machine: " + error;
    return;
  }
  // Read every saved part now, so a damaged state shows before anything runs.
  if (DIR* d = opendir(state_dir_.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > 6 && n.compare(n.size() - 6, 6, ".state") == 0) state(n.substr(0, n.size() - 6));
      remove_if_abandoned(n);
      if (fault()) break;
    }
    closedir(d);
  }
}

StateFile& Machine::state(const std::string& part) {
  auto it = states_.find(part);
  if (it != states_.end()) return *it->second;
  std::string path = state_dir_.empty() ? "" : state_dir_ + "/" + part + ".state";
  auto file = std::make_unique<StateFile>(path);
  std::string error;
  if (!path.empty() && !file->load(error) && fault_.empty())
    fault_ = "simulated machine: the saved state is damaged: " + error +
             " (it is left as it is; repair it, or remove it to start that part afresh)";
  return *states_.emplace(part, std::move(file)).first->second;
}

std::string Machine::windows_dir() const { return profile_.get("machine", "windows_dir", "C:\\WINDOWS"); }

std::string Machine::host_path(const std::string& windows_path) const {
  std::string p = windows_path;
  for (char& c : p)
    if (c == '\\') c = '/';
  if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
    std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))));
    // Windows resolves "." and ".." itself and never climbs above a drive's
    // root, so "C:\..\x" is "C:\x": the drive stays inside the state folder.
    std::vector<std::string> parts;
    std::stringstream pieces(p.substr(2));
    std::string piece;
    while (std::getline(pieces, piece, '/')) {
      if (piece.empty() || piece == ".") continue;
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
        continue;
      }
      parts.push_back(piece);
    }
    std::string rest;
    for (const auto& part : parts) rest += "/" + part;
    if (rest.empty() || p.back() == '/') rest += "/";
    return drive_root_ + "/drive_" + drive + rest;
  }
  return p;
}

void Machine::debug_output(const char* text) {
  if (!text) return;
  debug_capture_ += text;
  if (debug_capture_.size() > (1u << 20)) debug_capture_.erase(0, debug_capture_.size() / 2);
  if (debug_log_) {
    std::fputs(text, debug_log_);
    std::fflush(debug_log_);
  }
}

std::string Machine::take_debug_output() {
  std::string out;
  out.swap(debug_capture_);
  return out;
}

void Machine::wait(unsigned milliseconds) {
  waited_ms_ += milliseconds;
  double real = milliseconds * wait_scale_;
  if (real >= 1.0)
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(real * 1000)));
}

}  // namespace sim
