// The simulated machine: a profile (what the machine is), a state directory
// (what has changed on it), the parts built from them, and the debugger
// output. One machine per process, booted on first use from the environment:
//   LUMA_SIM_PROFILE   a built-in profile name or a profile file (default "dov")
//   LUMA_SIM_STATE     the state directory (default: a per-user folder per profile)
//   LUMA_SIM_DEBUG_LOG a file that receives the debugger output
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "profile.h"
#include "state_store.h"

#define SIM_API __attribute__((visibility("default")))

namespace sim {

class Machine;

// A part of the machine with in-memory state of its own (the display
// driver, the service manager, the hardware): built on first use, dropped
// when the machine reboots.
class Part {
 public:
  virtual ~Part() = default;
};

class SIM_API Machine {
 public:
  // The process's machine, booted from the environment on first use.
  static Machine& get();

  // Null when the machine is usable; else why not.
  const char* fault() const { return fault_.empty() ? nullptr : fault_.c_str(); }
  const Profile& profile() const { return profile_; }
  const std::string& state_dir() const { return state_dir_; }

  // The state file of one part of the machine ("display", "registry", ...).
  StateFile& state(const std::string& part);

  // An injected fault: a key of the profile's [faults] section.
  bool has_fault(const std::string& key) const { return profile_.has("faults", key); }
  std::string fault_value(const std::string& key) const { return profile_.get("faults", key); }

  // Maps a Windows path (drive letters, backslashes) to a host path: "C:\x"
  // lives in the state directory's drive_c (a private temporary folder's for
  // a machine without a state directory), relative paths stay relative.
  std::string host_path(const std::string& windows_path) const;
  std::string windows_dir() const;

  // Debugger output (OutputDebugStringA).
  void debug_output(const char* text);

  // Milliseconds the machine's clock has been waited through (scaled by
  // the profile's [machine] wait_scale: 0 makes waits immediate).
  unsigned long long waited_ms() const { return waited_ms_; }
  void wait(unsigned milliseconds);

  // A part that uses another one asks for it in its constructor, so that it
  // is built after it and, parts being dropped in reverse, dropped before it.
  template <class T>
  T& part() {
    auto it = parts_.find(std::type_index(typeid(T)));
    if (it == parts_.end()) {
      auto made = std::make_unique<T>(*this);
      it = parts_.emplace(std::type_index(typeid(T)), made.get()).first;
      part_order_.push_back(std::move(made));
    }
    return static_cast<T&>(*it->second);
  }

  // Boots a new machine in place of the current one (tests and tools).
  static Machine& boot(const std::string& profile_name_or_path, const std::string& state_dir);
  static Machine& boot_text(const std::string& profile_text, const std::string& state_dir);

  // Captured debugger output since the last call (tests).
  std::string take_debug_output();

  // The largest [machine] wait_scale: a simulated second at most ~17 minutes.
  static constexpr double kMaxWaitScale = 1000;

  Machine() = default;
  ~Machine();

 private:
  void start(std::optional<Profile> profile, const std::string& profile_error,
             const std::string& state_dir);
  void remove_if_abandoned(const std::string& file_name) const;
  Profile profile_;
  std::string fault_;
  std::string state_dir_;
  std::string drive_root_;       // where drive_c and the other drives live
  bool own_drive_root_ = false;  // a private temporary folder, removed with the machine
  std::unordered_map<std::string, std::unique_ptr<StateFile>> states_;
  std::unordered_map<std::type_index, Part*> parts_;
  std::vector<std::unique_ptr<Part>> part_order_;  // in the order they were built
  std::string debug_capture_;
  FILE* debug_log_ = nullptr;
  unsigned long long waited_ms_ = 0;
  double wait_scale_ = 1.0;
};

// Checks that parts of the machine register for the sections of a profile
// they read; a profile that fails one does not boot.
using ProfileCheck = std::function<bool(const Profile&, std::string& error)>;
SIM_API void register_profile_check(const char* name, ProfileCheck check);

// The default state directory for a profile name.
SIM_API std::string default_state_dir(const std::string& profile_name);

}  // namespace sim
