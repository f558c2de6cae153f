#include "handles.h"

#include <unordered_map>

namespace sim {
namespace {
std::unordered_map<HANDLE, std::unique_ptr<Object>>& table() {
  static std::unordered_map<HANDLE, std::unique_ptr<Object>> objects;
  return objects;
}
thread_local DWORD t_last_error = 0;
}  // namespace

HANDLE make_handle(std::unique_ptr<Object> object) {
  HANDLE h = object.get();
  table()[h] = std::move(object);
  return h;
}

Object* find_handle(HANDLE handle) {
  auto it = table().find(handle);
  return it == table().end() ? nullptr : it->second.get();
}

bool close_handle(HANDLE handle) { return table().erase(handle) != 0; }

void set_last_error(DWORD code) { t_last_error = code; }
DWORD last_error() { return t_last_error; }

}  // namespace sim
