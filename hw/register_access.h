// Registers read and written by name: where they are read from (the live
// machine with the session's family, or a report log's capture with the
// captured family), and one field write with its read-back check. The
// register commands and the exports share it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "hw/register_names.h"
#include "hw/register_source.h"

// Where named registers are read: a map and a source. Offline, the
// source is a captured log's image and writes are refused.
struct RegisterView {
  const RegisterMap* map = nullptr;  // null: no session family to go by
  RegisterSource* source = nullptr;
  bool offline = false;
  std::string log_path;  // offline: the log the capture came from
};

// The view in use now.
RegisterView register_view();
// From now on a capture (a report log's CapturedMmio) of the given family,
// owned by the view, until use_live_registers.
void use_captured_registers(std::unique_ptr<RegisterSource> capture, int family_id, const std::string& log_path);
void use_live_registers();

// The value of the register a match names, from the view's source (its
// device). False when it cannot be read: a driver failure, or not captured.
bool read_named(const RegisterView& view, const named_reg_t& reg, uint32_t* value);

// A write of a register or of one field of it.
struct named_write_t {
  uint32_t before = 0;    // the register as read first
  uint32_t intended = 0;  // what is written: the field's bits changed, reserved bits kept
  uint32_t after = 0;     // read back (a preview: the intended value)
};
enum class write_outcome {
  written,       // read back as intended
  previewed,     // dry: nothing written
  too_wide,      // the value does not fit the field (nothing touched)
  reserved,      // the field is reservedN, whose bits every write keeps
  offline,       // the view is a captured log
  read_failed,   // the register could not be read (nothing written)
  write_failed,  // the driver refused the write
  not_taken,     // read back differs from what was written
};
write_outcome write_named(const RegisterView& view, const reg_match_t& match, uint32_t value, bool dry,
                          named_write_t* out);
// The exit code of an outcome: 0, 5 (refused before anything was
// touched) or 6 (the device failed or bits did not take).
opal_exit_t write_outcome_exit(write_outcome outcome);
