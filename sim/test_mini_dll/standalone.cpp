#include "standalone.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace lumagraph {
namespace {

// The mode every head starts with.
constexpr HeadMode kDefaultMode = {1024, 768, 32, 60};

std::string mode_text(const HeadMode& m) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%ux%ux%u@%u", m.width, m.height, m.depth, m.refresh);
  return buf;
}

bool parse_mode(const std::string& text, HeadMode& m) {
  return std::sscanf(text.c_str(), "%ux%ux%u@%u", &m.width, &m.height, &m.depth, &m.refresh) == 4;
}

}  // namespace

FileState::FileState(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  std::ifstream in(path_);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto eq = line.find('=');
    if (eq != std::string::npos && eq > 0) values_[line.substr(0, eq)] = line.substr(eq + 1);
  }
}

std::string FileState::get(const std::string& key, const std::string& fallback) const {
  auto it = values_.find(key);
  return it == values_.end() ? fallback : it->second;
}

void FileState::set(const std::string& key, const std::string& value) {
  values_[key] = value;
  save();
}

void FileState::save() const {
  if (path_.empty()) return;
  const std::string temp = path_ + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    for (const auto& [key, value] : values_) out << key << '=' << value << '\n';
    out.flush();
    if (!out) return;  // the old state stays as it was
  }
  std::error_code ec;
  std::filesystem::rename(temp, path_, ec);
  if (ec) std::filesystem::remove(temp, ec);
}

std::string standalone_state_path(const char* state_dir) {
  if (!state_dir || !*state_dir) return {};
  std::error_code ec;
  std::filesystem::create_directories(state_dir, ec);
  return (std::filesystem::path(state_dir) / "lumagraph_driver.state").string();
}

StandaloneDriver::StandaloneDriver(const std::string& state_path)
    : state_(state_path), driver_(default_config(), state_, this) {}

int StandaloneDriver::escape(int32_t code, int32_t in_size, const void* in, int32_t out_size, void* out) {
  if (in_size < 0 || out_size < 0) return -1;
  return driver_.escape(code, in_size, in, out_size, out);
}

bool StandaloneDriver::head_mode(int head, HeadMode& mode) const {
  if (head < 0 || head > 1) return false;
  if (!parse_mode(state_.get("head." + std::to_string(head), ""), mode)) mode = kDefaultMode;
  return true;
}

int StandaloneDriver::change_settings(const DEVMODEA* mode, uint32_t) {
  if (!mode) return 0;
  HeadMode m;
  head_mode(0, m);
  if (mode->dmFields & DM_PELSWIDTH) m.width = mode->dmPelsWidth;
  if (mode->dmFields & DM_PELSHEIGHT) m.height = mode->dmPelsHeight;
  if (mode->dmFields & DM_BITSPERPEL) m.depth = mode->dmBitsPerPel;
  if (mode->dmFields & DM_DISPLAYFREQUENCY) m.refresh = mode->dmDisplayFrequency;
  if (m.depth != 8 && m.depth != 16 && m.depth != 32) return 0;
  // Head 0 shows the port in the primary role of the current configuration.
  const uint32_t port = (driver_.current_dc() >> 4) & 0xF;
  const uint32_t angle = driver_.rotation(port);
  const bool swapped = angle == 90 || angle == 270;
  bool offered = false;
  for (const auto& e : port_modes(port)) {
    uint32_t w = swapped ? e.height : e.width, h = swapped ? e.width : e.height;
    if (w == m.width && h == m.height && (m.refresh == 0 || m.refresh == e.refresh)) offered = true;
  }
  if (!offered) return 0;
  state_.set("head.0", mode_text(m));
  return 1;
}

}  // namespace lumagraph
