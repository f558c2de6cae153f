#include "hw/register_access.h"

#include "core/session.h"
#include "hw/driver_client.h"

namespace {

struct Offline {
  std::unique_ptr<RegisterSource> capture;
  const RegisterMap* map = nullptr;
  std::string log_path;
};
Offline& offline_state() {
  static Offline state;
  return state;
}

}  // namespace

RegisterView register_view() {
  RegisterView view;
  Offline& off = offline_state();
  if (off.capture) {
    view.map = off.map;
    view.source = off.capture.get();
    view.offline = true;
    view.log_path = off.log_path;
    return view;
  }
  view.map = session.family ? RegisterMap::of_family(session.family->family_id()) : nullptr;
  view.source = &live_registers();
  return view;
}

void use_captured_registers(std::unique_ptr<RegisterSource> capture, int family_id, const std::string& log_path) {
  Offline& off = offline_state();
  off.map = RegisterMap::of_family(family_id);
  off.capture = off.map ? std::move(capture) : nullptr;
  off.log_path = log_path;
}

void use_live_registers() {
  Offline& off = offline_state();
  off.capture.reset();
  off.map = nullptr;
  off.log_path.clear();
}

bool read_named(const RegisterView& view, const named_reg_t& reg, uint32_t* value) {
  return view.source && view.source->read32(reg.offset, value, reg.device);
}

write_outcome write_named(const RegisterView& view, const reg_match_t& match, uint32_t value, bool dry,
                          named_write_t* out) {
  named_write_t w;
  const named_reg_t& reg = *match.reg;
  const bit_field_t* field = match.bit_field();
  uint32_t mask = field ? field_mask(*field) : 0xFFFFFFFFu;
  // Refusals come before anything is read or written.
  if (field && is_reserved_field(*field)) return write_outcome::reserved;
  if (field && value > (mask >> field->low)) return write_outcome::too_wide;
  if (view.offline) return write_outcome::offline;
  if (!read_named(view, reg, &w.before)) return write_outcome::read_failed;
  uint32_t keep = ~mask | reserved_mask(reg);
  uint32_t placed = field ? value << field->low : value;
  w.intended = (w.before & keep) | (placed & ~keep);
  if (dry) {
    w.after = w.intended;
    if (out) *out = w;
    return write_outcome::previewed;
  }
  if (!drv_write_reg(DRV_TARGET_MMIO, 32, reg.offset, w.intended, reg.device)) {
    if (out) *out = w;
    return write_outcome::write_failed;
  }
  if (!read_named(view, reg, &w.after)) {
    if (out) *out = w;
    return write_outcome::read_failed;
  }
  if (out) *out = w;
  return w.after == w.intended ? write_outcome::written : write_outcome::not_taken;
}

opal_exit_t write_outcome_exit(write_outcome outcome) {
  switch (outcome) {
    case write_outcome::written:
    case write_outcome::previewed: return EXIT_OK;
    case write_outcome::too_wide:
    case write_outcome::reserved:
    case write_outcome::offline: return EXIT_INVALID_PARAM_ERROR;
    default: return EXIT_OS_CALL_ERROR;
  }
}
