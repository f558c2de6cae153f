// What a run does, as records for machines: a command begins, a message is
// written, a register is decoded, bytes are dumped, a command ends. The
// text log is written by writeMsg as always; a front end that wants more
// installs listeners here (JSON, JUnit). With no listener installed every
// report is one test of a counter.
#pragma once
#include <cstddef>
#include <cstdint>

namespace records {

struct CommandBegin {
  const char* name;        // the command word as the table spells it ("get_os_name")
  const char* upper;       // its id name ("GET_OS_NAME")
  const char* line;        // the command line as run
  const char* const* arguments;  // the parameters after the command word
  size_t argument_count;
};

struct CommandEnd {
  const char* name;
  int exit_code;
  const char* exit_name;   // "EXIT_OK", ...
  double seconds;          // from its begin
};

struct Field {
  const char* name;
  unsigned high, low;
  uint32_t value;
};

struct Register {
  const char* family;      // "dov", ...; empty when the session has none
  const char* name;        // short name; null when the register has none
  const char* title;
  uint32_t offset;
  uint32_t device;         // PCI device that holds it (2, or 3 for the second function)
  bool captured;           // false: a replay's capture lacks it, no value
  uint32_t value;
  const Field* fields;
  size_t field_count;
};

// Raw bytes a dump printed, in address order.
struct Dump {
  const char* space;       // "mmio", "memory" or "pci"
  uint32_t device;
  uint32_t address;
  uint32_t unit;           // bytes per printed unit: 1, 2 or 4
  const uint8_t* bytes;
  size_t size;
};

class Listener {
 public:
  virtual ~Listener() = default;
  virtual void command_begin(const CommandBegin&) {}
  virtual void message(int /*type*/, const char* /*text*/) {}
  virtual void register_decoded(const Register&) {}
  virtual void dump(const Dump&) {}
  virtual void command_end(const CommandEnd&) {}
};

// Installs a listener until it is removed; the caller owns it. At most
// kMaxListeners at a time (false when full).
constexpr int kMaxListeners = 4;
bool add_listener(Listener* listener);
void remove_listener(Listener* listener);

// Reporters check this first, so a run without listeners builds nothing.
extern int listener_count;
inline bool wanted() { return listener_count != 0; }

// Installed for a scope: the front ends' way to attach a writer.
class ScopedListener {
 public:
  explicit ScopedListener(Listener* listener) : listener_(listener) { add_listener(listener_); }
  ~ScopedListener() { remove_listener(listener_); }
  ScopedListener(const ScopedListener&) = delete;
  ScopedListener& operator=(const ScopedListener&) = delete;

 private:
  Listener* listener_;
};

// While set, writeMsg hands its messages to the listeners only: a
// conversion whose standard output is its product keeps the text it
// replays off it.
extern bool text_to_listeners_only;
class ScopedTextToListenersOnly {
 public:
  ScopedTextToListenersOnly() : saved_(text_to_listeners_only) { text_to_listeners_only = true; }
  ~ScopedTextToListenersOnly() { text_to_listeners_only = saved_; }
  ScopedTextToListenersOnly(const ScopedTextToListenersOnly&) = delete;
  ScopedTextToListenersOnly& operator=(const ScopedTextToListenersOnly&) = delete;

 private:
  bool saved_;
};

// The reports; each does nothing without listeners. command_end times the
// command from the matching command_begin.
void command_begin(const CommandBegin& begin);
void message(int type, const char* text);
void register_decoded(const Register& reg);
void dump(const Dump& dump);
void command_end(int exit_code, const char* name);

}  // namespace records
