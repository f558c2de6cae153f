#include "state_store.h"

#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "profile.h"

namespace sim {
namespace {
const char kHeader[] = "# luma-sim state 1";

// A key is written bare before its '=': one that holds '=' or a line break,
// or an empty one, would not read back as itself.
bool storable_key(const std::string& key) {
  return !key.empty() && key.find_first_of("=\n\r") == std::string::npos;
}
}

std::string escape_state_value(const std::string& raw) {
  std::string out;
  out.reserve(raw.size());
  for (char c : raw) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

bool unescape_state_value(const std::string& text, std::string& raw) {
  raw.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      raw += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': raw += '\\'; break;
      case 'n': raw += '\n'; break;
      case 'r': raw += '\r'; break;
      default: return false;
    }
  }
  return true;
}

bool make_directories(const std::string& path, std::string& error) {
  std::string partial;
  std::stringstream ss(path);
  std::string piece;
  if (!path.empty() && path[0] == '/') partial = "/";
  while (std::getline(ss, piece, '/')) {
    if (piece.empty()) continue;
    partial += piece + "/";
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
      error = "cannot create the directory " + partial + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

void remove_directory_tree(const std::string& path) {
  if (path.empty() || path == "/") return;
  nftw(
      path.c_str(), [](const char* p, const struct stat*, int, FTW*) { ::remove(p); return 0; }, 16,
      FTW_DEPTH | FTW_PHYS);
}

namespace {
unsigned long writes_until_kill = 0;
}  // namespace

void kill_at_write(unsigned long n) { writes_until_kill = n; }

bool write_file_atomically(const std::string& path, const std::string& content,
                           std::string& error) {
  std::string tmp = path + ".tmp." + std::to_string(getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + tmp + ": " + std::strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot write " + tmp + ": " + std::strerror(errno);
      ::close(fd);
      ::unlink(tmp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    error = "cannot write " + tmp + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (writes_until_kill && --writes_until_kill == 0) ::raise(SIGKILL);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool StateFile::load(std::string& error) {
  values_.clear();
  std::ifstream f(path_, std::ios::binary);
  if (!f) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 && errno == ENOENT) return true;
    error = "cannot read " + path_;
    return false;
  }
  std::ostringstream content;
  if (!(content << f.rdbuf()) && f.peek() != std::char_traits<char>::eof()) {
    error = "cannot read " + path_;
    return false;
  }
  return load_text(content.str(), error);
}

bool StateFile::load_text(const std::string& text, std::string& error) {
  values_.clear();
  std::istringstream in(text);
  std::string line;
  int line_no = 0;
  while (std::getline(in, line)) {
    ++line_no;
    auto corrupt = [&](const char* why) {
      values_.clear();
      error = path_ + ":" + std::to_string(line_no) + ": " + why;
      return false;
    };
    if (line_no == 1) {
      if (line != kHeader) return corrupt("not a simulated machine state file (bad header)");
      continue;
    }
    if (line.empty()) continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) return corrupt("expected key=value");
    std::string value;
    if (!unescape_state_value(line.substr(eq + 1), value)) return corrupt("bad escape in a value");
    values_[line.substr(0, eq)] = value;
  }
  if (line_no == 0) {
    error = path_ + ": empty file (a state file starts with its header line)";
    return false;
  }
  return true;
}

std::optional<std::string> StateFile::get(const std::string& key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string StateFile::get_or(const std::string& key, const std::string& fallback) const {
  auto it = values_.find(key);
  return it == values_.end() ? fallback : it->second;
}

long long StateFile::number_or(const std::string& key, long long fallback) const {
  long long v = 0;
  auto it = values_.find(key);
  return it != values_.end() && parse_number(it->second, v) ? v : fallback;
}

std::vector<std::string> StateFile::keys(const std::string& prefix) const {
  std::vector<std::string> out;
  for (auto it = values_.lower_bound(prefix); it != values_.end(); ++it) {
    if (it->first.compare(0, prefix.size(), prefix) != 0) break;
    out.push_back(it->first);
  }
  return out;
}

bool StateFile::set(const std::string& key, const std::string& value) {
  if (!storable_key(key)) {
    write_error_ = "cannot store the key '" + escape_state_value(key) + "' in " + path_;
    return false;
  }
  values_[key] = value;
  return save();
}

bool StateFile::set_number(const std::string& key, long long value) {
  return set(key, std::to_string(value));
}

bool StateFile::erase(const std::string& key) {
  if (values_.erase(key) == 0) return true;
  return save();
}

bool StateFile::set_many(const std::map<std::string, std::string>& values,
                         const std::vector<std::string>& erase_keys) {
  for (auto& [k, v] : values)
    if (!storable_key(k)) {
      write_error_ = "cannot store the key '" + escape_state_value(k) + "' in " + path_;
      return false;
    }
  for (auto& k : erase_keys) values_.erase(k);
  for (auto& [k, v] : values) values_[k] = v;
  return save();
}

bool StateFile::erase_prefix(const std::string& prefix) {
  auto ks = keys(prefix);
  if (ks.empty()) return true;
  for (auto& k : ks) values_.erase(k);
  return save();
}

bool StateFile::save() {
  if (path_.empty()) return true;  // an in-memory machine
  std::string content = std::string(kHeader) + "\n";
  for (auto& [k, v] : values_) content += k + "=" + escape_state_value(v) + "\n";
  write_error_.clear();
  return write_file_atomically(path_, content, write_error_);
}

}  // namespace sim
