#include "records.h"

#include <chrono>

#include "lumainfo.h"

namespace records {

int listener_count = 0;
bool text_to_listeners_only = false;

namespace {

Listener* listeners[kMaxListeners] = {};
// Begins of the commands still running (a command may run others, as a
// replay does); deeper ones are timed but not kept.
constexpr int kDepth = 8;
std::chrono::steady_clock::time_point begun[kDepth];
int depth = 0;

template <typename F>
void each(F f) {
  for (int i = 0; i < listener_count; ++i) f(*listeners[i]);
}

}  // namespace

bool add_listener(Listener* listener) {
  if (!listener || listener_count == kMaxListeners) return false;
  listeners[listener_count++] = listener;
  return true;
}

void remove_listener(Listener* listener) {
  for (int i = 0; i < listener_count; ++i)
    if (listeners[i] == listener) {
      for (int j = i + 1; j < listener_count; ++j) listeners[j - 1] = listeners[j];
      listeners[--listener_count] = nullptr;
      return;
    }
}

void command_begin(const CommandBegin& begin) {
  if (!wanted()) return;
  if (depth < kDepth) begun[depth] = std::chrono::steady_clock::now();
  ++depth;
  each([&](Listener& l) { l.command_begin(begin); });
}

void message(int type, const char* text) {
  if (!wanted()) return;
  each([&](Listener& l) { l.message(type, text ? text : ""); });
}

void register_decoded(const Register& reg) {
  if (!wanted()) return;
  each([&](Listener& l) { l.register_decoded(reg); });
}

void dump(const Dump& d) {
  if (!wanted()) return;
  each([&](Listener& l) { l.dump(d); });
}

void command_end(int exit_code, const char* name) {
  if (!wanted()) return;
  double seconds = 0;
  if (depth > 0) {
    --depth;
    if (depth < kDepth)
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun[depth]).count();
  }
  char exit_name[OPAL_EXIT_NAME_SIZE + 8] = {};
  opal_decode_exit_code(static_cast<opal_exit_t>(exit_code), exit_name);
  CommandEnd end{name ? name : "", exit_code, exit_name, seconds};
  each([&](Listener& l) { l.command_end(end); });
}

}  // namespace records
