#include "state_store.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/file.h>
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

namespace {

// Writes `content` to `path` through a temporary file and a rename; on
// success `kept` (when given) receives the new file's descriptor.
bool replace_file(const std::string& path, const std::string& content, std::string& error, int* kept) {
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
  if (::fsync(fd) != 0) {
    error = "cannot write " + tmp + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  if (!kept && ::close(fd) != 0) {
    error = "cannot write " + tmp + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (writes_until_kill && --writes_until_kill == 0) ::raise(SIGKILL);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path + ": " + std::strerror(errno);
    if (kept) ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  }
  if (kept) *kept = fd;
  return true;
}

long long mtime_ns(const struct stat& st) {
  return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

}  // namespace

bool write_file_atomically(const std::string& path, const std::string& content, std::string& error) {
  return replace_file(path, content, error, nullptr);
}

StateFile::~StateFile() {
  if (seen_.fd >= 0) ::close(seen_.fd);
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

void StateFile::remember(Seen seen) const {
  if (seen_.fd >= 0 && seen_.fd != seen.fd) ::close(seen_.fd);
  seen_ = seen;
}

bool StateFile::read_file(Values& out, Seen& seen, std::string& error) const {
  seen = Seen{};
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) {
      out.clear();
      return true;
    }
    error = "cannot read " + path_ + ": " + std::strerror(errno);
    return false;
  }
  struct stat st {};
  std::string content;
  bool ok = ::fstat(fd, &st) == 0;
  char buf[65536];
  while (ok) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  if (!ok) {
    ::close(fd);
    error = "cannot read " + path_;
    return false;
  }
  seen = Seen{fd, st.st_dev, st.st_ino, st.st_size, mtime_ns(st)};
  return parse(content, out, error);
}

bool StateFile::load(std::string& error) {
  Values fresh;
  Seen seen;
  bool ok = read_file(fresh, seen, error);
  remember(seen);  // a damaged file too: it is reread only once replaced
  damage_ = ok ? "" : error;
  values_ = ok ? std::move(fresh) : Values{};
  ++generation_;
  return ok;
}

bool StateFile::load_text(const std::string& text, std::string& error) {
  Values fresh;
  bool ok = parse(text, fresh, error);
  values_ = ok ? std::move(fresh) : Values{};
  ++generation_;
  return ok;
}

bool StateFile::parse(const std::string& text, Values& out, std::string& error) const {
  out.clear();
  std::istringstream in(text);
  std::string line;
  int line_no = 0;
  while (std::getline(in, line)) {
    ++line_no;
    auto corrupt = [&](const char* why) {
      out.clear();
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
    out[line.substr(0, eq)] = value;
  }
  if (line_no == 0) {
    error = path_ + ": empty file (a state file starts with its header line)";
    return false;
  }
  return true;
}

bool StateFile::replaced_on_disk() const {
  if (path_.empty()) return false;
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) return seen_.fd >= 0;  // removed since
  if (seen_.fd < 0) return true;                               // created since
  return st.st_dev != seen_.dev || st.st_ino != seen_.ino || st.st_size != seen_.size ||
         mtime_ns(st) != seen_.mtime_ns;
}

// Another process's committed change shows at the next read. A file that
// does not read back cleanly leaves the values as they were; a change then
// refuses to overwrite it.
void StateFile::refresh() const {
  if (!replaced_on_disk()) return;
  Values fresh;
  Seen seen;
  std::string error;
  bool ok = read_file(fresh, seen, error);
  remember(seen);
  damage_ = ok ? "" : error;
  if (!ok) return;
  if (fresh != values_) {
    values_ = std::move(fresh);
    ++generation_;
  }
}

unsigned long long StateFile::generation() const {
  refresh();
  return generation_;
}

bool StateFile::lock() {
  if (lock_fd_ < 0) {
    std::string lock_path = path_.substr(0, path_.rfind(".state")) + ".lock";
    lock_fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_fd_ < 0) {
      write_error_ = "cannot open the lock " + lock_path + ": " + std::strerror(errno);
      return false;
    }
  }
  while (::flock(lock_fd_, LOCK_EX) != 0)
    if (errno != EINTR) {
      write_error_ = "cannot lock " + path_ + ": " + std::strerror(errno);
      return false;
    }
  return true;
}

void StateFile::unlock() { ::flock(lock_fd_, LOCK_UN); }

bool StateFile::update(const std::function<bool(Values&)>& change) {
  write_error_.clear();
  if (path_.empty()) {  // an in-memory machine
    if (change(values_)) ++generation_;
    return true;
  }
  if (!lock()) return false;
  refresh();
  bool ok = damage_.empty();
  if (!ok)
    write_error_ = "the saved state is damaged: " + damage_ +
                   " (it is left as it is; repair it, or remove it to start that part afresh)";
  Values next;
  if (ok) {
    next = values_;
    if (!change(next)) {
      unlock();
      return true;
    }
    std::string content = std::string(kHeader) + "\n";
    for (auto& [k, v] : next) content += k + "=" + escape_state_value(v) + "\n";
    int fd = -1;
    ok = replace_file(path_, content, write_error_, &fd);
    struct stat st {};
    if (ok && ::fstat(fd, &st) == 0) {
      remember(Seen{fd, st.st_dev, st.st_ino, st.st_size, mtime_ns(st)});
    } else if (ok) {
      ::close(fd);
      remember(Seen{});  // unknown: reread at the next access
    }
  }
  unlock();
  if (!ok) return false;
  values_ = std::move(next);
  ++generation_;
  return true;
}

std::optional<std::string> StateFile::get(const std::string& key) const {
  refresh();
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string StateFile::get_or(const std::string& key, const std::string& fallback) const {
  refresh();
  auto it = values_.find(key);
  return it == values_.end() ? fallback : it->second;
}

long long StateFile::number_or(const std::string& key, long long fallback) const {
  refresh();
  long long v = 0;
  auto it = values_.find(key);
  return it != values_.end() && parse_number(it->second, v) ? v : fallback;
}

const StateFile::Values& StateFile::values() const {
  refresh();
  return values_;
}

std::vector<std::string> StateFile::keys(const std::string& prefix) const {
  refresh();
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
  return update([&](Values& v) {
    auto [it, added] = v.try_emplace(key, value);
    if (!added && it->second == value) return false;
    it->second = value;
    return true;
  });
}

bool StateFile::set_number(const std::string& key, long long value) {
  return set(key, std::to_string(value));
}

bool StateFile::erase(const std::string& key) {
  return update([&](Values& v) { return v.erase(key) != 0; });
}

bool StateFile::set_many(const std::map<std::string, std::string>& values,
                         const std::vector<std::string>& erase_keys) {
  for (auto& [k, v] : values)
    if (!storable_key(k)) {
      write_error_ = "cannot store the key '" + escape_state_value(k) + "' in " + path_;
      return false;
    }
  return update([&](Values& v) {
    for (auto& k : erase_keys) v.erase(k);
    for (auto& [k, value] : values) v[k] = value;
    return true;
  });
}

bool StateFile::erase_prefix(const std::string& prefix) {
  return update([&](Values& v) {
    bool any = false;
    for (auto it = v.lower_bound(prefix); it != v.end() && it->first.compare(0, prefix.size(), prefix) == 0;) {
      it = v.erase(it);
      any = true;
    }
    return any;
  });
}

}  // namespace sim
