#include "core/stop_request.h"

#include <atomic>

namespace {
std::atomic<bool> stop_flag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
}  // namespace

void request_stop() { stop_flag.store(true, std::memory_order_relaxed); }
bool stop_requested() { return stop_flag.load(std::memory_order_relaxed); }
void clear_stop_request() { stop_flag.store(false, std::memory_order_relaxed); }
