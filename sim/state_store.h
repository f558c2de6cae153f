// The simulated machine's mutable state, kept in a state directory so that
// successive runs see one consistent machine.
//
// Each part of the machine owns one file "<part>.state" of text lines
// "key=value" (backslash escapes for \\, \n and \r) under the header line
// "# luma-sim state 1". Every change rewrites the file through a temporary
// file and a rename, so a crash leaves either the old or the new file,
// never half of one. A file that does not read back cleanly is reported and
// left as it is.
//
// Several processes may run on one state directory. A change is a
// read-modify-write of the file as it is on disk, under the part's lock
// ("<part>.lock", an flock held only for the change), so no process writes
// back a stale copy over another one's change; a read first reloads the
// file when another process replaced it.
#pragma once
#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class StateFile {
 public:
  using Values = std::map<std::string, std::string>;

  StateFile() = default;
  explicit StateFile(std::string path) : path_(std::move(path)) {}
  ~StateFile();
  StateFile(const StateFile&) = delete;
  StateFile& operator=(const StateFile&) = delete;

  // Loads the file; a missing file is an empty state. False with `error`
  // when the file is not a state file of ours.
  bool load(std::string& error);
  // The same over the file's content already in memory.
  bool load_text(const std::string& text, std::string& error);

  std::optional<std::string> get(const std::string& key) const;
  std::string get_or(const std::string& key, const std::string& fallback) const;
  long long number_or(const std::string& key, long long fallback) const;
  // Every value as saved now.
  const Values& values() const;
  // Keys beginning with `prefix`, in sorted order.
  std::vector<std::string> keys(const std::string& prefix = "") const;

  // Each change is written out at once; false when the write failed.
  bool set(const std::string& key, const std::string& value);
  bool set_number(const std::string& key, long long value);
  bool erase(const std::string& key);
  // Several changes written out together.
  bool set_many(const std::map<std::string, std::string>& values,
                const std::vector<std::string>& erase_keys = {});
  bool erase_prefix(const std::string& prefix);
  // Runs `change` over the values as saved now, under the part's lock, and
  // writes them out when it returns true (false: nothing to change). A
  // file damaged meanwhile is reported and not overwritten.
  bool update(const std::function<bool(Values&)>& change);

  // Counts the changes of the values, this process's and the ones it
  // reloaded: a part that keeps something derived from them compares it.
  unsigned long long generation() const;

  const std::string& path() const { return path_; }
  const std::string& last_error() const { return write_error_; }

 private:
  // What identifies the file last read or written. Its descriptor stays
  // open, so the inode cannot be reused by a later file of the same name.
  struct Seen {
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtime_ns = 0;
  };
  bool parse(const std::string& text, Values& out, std::string& error) const;
  bool read_file(Values& out, Seen& seen, std::string& error) const;
  bool replaced_on_disk() const;
  void refresh() const;
  void remember(Seen seen) const;
  bool lock();
  void unlock();

  std::string path_;
  mutable Values values_;
  mutable Seen seen_;
  mutable unsigned long long generation_ = 0;
  mutable std::string damage_;  // why the file as it is now does not read back
  int lock_fd_ = -1;
  std::string write_error_;
};

std::string escape_state_value(const std::string& raw);
bool unescape_state_value(const std::string& text, std::string& raw);

// Writes `content` to `path` through a temporary file and a rename.
bool write_file_atomically(const std::string& path, const std::string& content,
                           std::string& error);
// A crash test's fault: the process kills itself (SIGKILL) when its `n`th
// write from now on is written but not yet in place; 0 never.
void kill_at_write(unsigned long n);
bool make_directories(const std::string& path, std::string& error);
// Removes a folder and everything below it (links are removed, not followed).
void remove_directory_tree(const std::string& path);

}  // namespace sim
