// Kernel-object handles of the simulated machine. A handle is checked
// against the live objects before use, so a stale or foreign handle fails
// with ERROR_INVALID_HANDLE instead of touching freed memory.
#pragma once
#include <memory>

#include "machine.h"
#include "oal/win_types.h"

namespace sim {

class Object {
 public:
  virtual ~Object() = default;
};

SIM_API HANDLE make_handle(std::unique_ptr<Object> object);
SIM_API Object* find_handle(HANDLE handle);
SIM_API bool close_handle(HANDLE handle);

template <class T>
T* lookup(HANDLE handle) {
  return dynamic_cast<T*>(find_handle(handle));
}

// Sets the thread's last error (the platform layer's GetLastError).
SIM_API void set_last_error(DWORD code);
SIM_API DWORD last_error();

// The console's output (CONOUT$): the process's terminal, or
// INVALID_HANDLE_VALUE with ERROR_INVALID_HANDLE when it has none.
HANDLE open_console_output();

}  // namespace sim
