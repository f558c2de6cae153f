// A model of the Lumagraph display driver: it answers the driver's escapes
// from its configuration and a small key/value state. Portable C++ only,
// because the Windows build compiles the same model into the simulation
// library that stands in for the real driver.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumagraph {

// What the driver keeps between calls.
class DriverState {
 public:
  virtual ~DriverState() = default;
  virtual std::string get(const std::string& key, const std::string& fallback) const = 0;
  virtual void set(const std::string& key, const std::string& value) = 0;
};

// The Windows-side resolution of one of the driver's two heads.
struct HeadMode {
  uint32_t width = 0, height = 0, depth = 0, refresh = 0;
};
class HeadInfo {
 public:
  virtual ~HeadInfo() = default;
  virtual bool head_mode(int head, HeadMode& mode) const = 0;
};

// Replies a broken or hostile driver gives, to test the library against.
enum class Quirk {
  None,
  HugeModeCount,     // GET_NUM_MODES answers 0xFFFFFFFF
  ShortModeList,     // GET_AVAIL_MODES fills only half of what it counted
  HugeDcCount,       // GET_NUM_DC answers 0xFFFFFFFF
  HugeAttrCount,     // GET_NUM_PD_ATTRIBUTES answers 0x7FFFFFFF
  UnterminatedNames, // texts fill their fields without a terminating zero
  UnknownDcType,     // the dc list and the current dc carry type 3
  BadPorts,          // dcs with port numbers 9..15 and display numbers above 1
  AllOnPrimary,      // every port reports display 0
};

struct DriverConfig {
  std::vector<uint32_t> ports;        // connected ports
  std::vector<uint32_t> dcs;          // configurations offered
  uint32_t initial_dc = 0;
  std::vector<uint32_t> no_enable;    // ports that refuse to be enabled
  uint32_t signature = 0xE1D0;
  // Frames the video CRC collection reports decoded once stopped; the
  // reply holds at most 999 CRCs, whatever the count says.
  uint32_t crc_frames = 60;
  std::string product = "Lumagraph Graphics Driver";
  // The name the flat panel's EDID gives (its monitor name descriptor);
  // empty for the built-in one.
  std::string monitor_name;
  Quirk quirk = Quirk::None;
};

// Reads a configuration from the profile's [lumagraph] keys (ports, dcs,
// dc, no_enable, signature, crc_frames, product, monitor_name) and a quirk name; false with `error`.
bool parse_config(const std::map<std::string, std::string>& keys, const std::string& quirk,
                  DriverConfig& config, std::string& error);
DriverConfig default_config();

struct ModeEntry {
  uint16_t width, height, refresh;
  bool interlaced;
};
// The modes the driver offers on a port.
std::vector<ModeEntry> port_modes(uint32_t port);
// The EDID base block of the monitor on a port; empty when none. A
// `panel_name` (at most kMonitorNameMax bytes) replaces the flat panel's name.
constexpr size_t kMonitorNameMax = 13;
std::vector<uint8_t> port_edid(uint32_t port, const std::string& panel_name = {});

class Driver {
 public:
  Driver(DriverConfig config, DriverState& state, const HeadInfo* heads);
  // ExtEscape's contract: above 0 answered, 0 not supported, below 0 refused.
  int escape(int32_t code, int32_t in_size, const void* in, int32_t out_size, void* out);
  uint32_t current_dc() const;
  uint32_t rotation(uint32_t port) const;
  const DriverConfig& config() const { return config_; }

 private:
  uint32_t number(const std::string& key, uint32_t fallback) const;
  void set_number(const std::string& key, uint32_t value);
  bool connected(uint32_t port) const;
  bool dc_offered(uint32_t dc) const;
  std::vector<uint32_t> dc_list() const;
  int display_of(uint32_t port) const;

  DriverConfig config_;
  DriverState& state_;
  const HeadInfo* heads_;
};

}  // namespace lumagraph
