// The simulation library on its own: the Lumagraph driver model with a
// small key/value store, for builds where no simulated machine shares the
// process (Windows). Portable C++ only.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "display/lumagraph_driver.h"
#include "oal/win_types.h"

namespace lumagraph {

// The driver's state in memory; with a file name it is read at start and
// rewritten whole after every change (a temporary file renamed over the
// old one, so a crash leaves either version, never half of one).
class FileState : public DriverState {
 public:
  explicit FileState(std::string path);
  std::string get(const std::string& key, const std::string& fallback) const override;
  void set(const std::string& key, const std::string& value) override;
  const std::string& path() const { return path_; }

 private:
  void save() const;
  std::string path_;
  std::map<std::string, std::string> values_;
};

// The display driver as the simulation library presents it: its escapes,
// and the mode of its heads, changed through the display-settings entry.
class StandaloneDriver : public HeadInfo {
 public:
  // An empty path keeps the state in memory only.
  explicit StandaloneDriver(const std::string& state_path);
  int escape(int32_t code, int32_t in_size, const void* in, int32_t out_size, void* out);
  // The fields the record names replace head 0's mode when the driver
  // offers the result on that head's port (rotated by 90 or 270 degrees,
  // with width and height swapped); 1 when applied, 0 when refused.
  int change_settings(const DEVMODEA* mode, uint32_t flags);
  bool head_mode(int head, HeadMode& mode) const override;

 private:
  FileState state_;
  Driver driver_;
};

// Where the library keeps its state: "<dir>/lumagraph_driver.state" in the
// folder named by `state_dir` (LUMA_SIM_STATE), or nowhere when it is empty.
std::string standalone_state_path(const char* state_dir);

}  // namespace lumagraph
