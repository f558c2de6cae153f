// The exported functions that find, read and write registers by name, in
// the session's chipset family (or the captured log luma_cli reads from).
#include <cstdio>
#include <cstdlib>

#include "core/msglog.h"
#include "hw/register_access.h"
#include "lumainfo.h"

// Callers (the Python package among them) lay the record out themselves.
static_assert(sizeof(opal_reg_match_t) == 236, "opal_reg_match_t is part of the library's interface");

namespace {

// The view, or a message saying there is no family to name registers in.
bool view_or_message(RegisterView* view) {
  *view = register_view();
  if (view->map) return true;
  if (vol_above(0))
    writeMsg(MSG_ERROR, "ERROR: No chipset register maps: the library session is not open or carries none");
  return false;
}

void fill(opal_reg_match_t& out, const reg_match_t& m) {
  out = opal_reg_match_t{};
  std::snprintf(out.name, sizeof out.name, "%s", m.reg->name);
  std::snprintf(out.title, sizeof out.title, "%s", m.reg->title);
  const bit_field_t* f = m.bit_field();
  if (f) std::snprintf(out.field, sizeof out.field, "%s", f->name);
  out.offset = m.reg->offset;
  out.device = m.reg->device;
  out.high = f ? f->high : 31;
  out.low = f ? f->low : 0;
}

// Exactly one register or field by name, or the exit code of the failure.
opal_exit_t one_match(const char* name, RegisterView* view, reg_match_t* match) {
  if (!name) return EXIT_INVALID_PARAM_ERROR;
  if (!view_or_message(view)) return EXIT_OS_CALL_ERROR;
  name_lookup_t lookup = find_one_name(*view->map, name);
  if (lookup.status != name_status::found) return report_name_failure(*view->map, name, lookup);
  *match = lookup.matches.front();
  return EXIT_OK;
}

}  // namespace

extern "C" opal_exit_t opal_find_regs(const char* pattern, opal_reg_match_t** matches, uint32_t* count) {
  if (!pattern || !matches || !count) return EXIT_INVALID_PARAM_ERROR;
  *matches = nullptr;
  *count = 0;
  RegisterView view;
  if (!view_or_message(&view)) return EXIT_OS_CALL_ERROR;
  name_lookup_t lookup = find_names(*view.map, pattern);
  if (lookup.status != name_status::found) return report_name_failure(*view.map, pattern, lookup);
  auto* list = static_cast<opal_reg_match_t*>(std::calloc(lookup.matches.size(), sizeof(opal_reg_match_t)));
  if (!list) return EXIT_OS_CALL_ERROR;
  for (size_t i = 0; i < lookup.matches.size(); ++i) fill(list[i], lookup.matches[i]);
  *matches = list;
  *count = static_cast<uint32_t>(lookup.matches.size());
  return EXIT_OK;
}

extern "C" void opal_free_regs(opal_reg_match_t* matches) { std::free(matches); }

extern "C" opal_exit_t opal_read_reg(const char* name, uint32_t* value) {
  if (!value) return EXIT_INVALID_PARAM_ERROR;
  RegisterView view;
  reg_match_t match{};
  opal_exit_t rc = one_match(name, &view, &match);
  if (rc != EXIT_OK) return rc;
  uint32_t reg = 0;
  if (!read_named(view, *match.reg, &reg)) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, view.offline ? "ERROR: %s [0x%lX] is not captured" : "ERROR: Failed to read %s [0x%lX]",
               match.reg->name, static_cast<unsigned long>(match.reg->offset));
    return EXIT_OS_CALL_ERROR;
  }
  *value = match.field < 0 ? reg : field_value(*match.bit_field(), reg);
  return EXIT_OK;
}

extern "C" opal_exit_t opal_write_reg(const char* name, uint32_t value, uint32_t* before, uint32_t* after) {
  RegisterView view;
  reg_match_t match{};
  opal_exit_t rc = one_match(name, &view, &match);
  if (rc != EXIT_OK) return rc;
  named_write_t w;
  write_outcome outcome = write_named(view, match, value, false, &w);
  if (before) *before = w.before;
  if (after) *after = w.after;
  if (outcome != write_outcome::written && vol_above(0)) {
    std::string what = match_name(match);
    switch (outcome) {
      case write_outcome::too_wide:
        writeMsg(MSG_ERROR, "ERROR: 0x%lX does not fit %s (%u bits)", static_cast<unsigned long>(value),
                 what.c_str(), match.bit_field()->high - match.bit_field()->low + 1u);
        break;
      case write_outcome::reserved:
        writeMsg(MSG_ERROR, "ERROR: %s is reserved: every write keeps its bits", what.c_str());
        break;
      case write_outcome::offline:
        writeMsg(MSG_ERROR, "ERROR: Registers of a report log cannot be written");
        break;
      case write_outcome::not_taken:
        writeMsg(MSG_ERROR, "ERROR: %s read back 0x%lX after 0x%lX was written", match.reg->name,
                 static_cast<unsigned long>(w.after), static_cast<unsigned long>(w.intended));
        break;
      default: writeMsg(MSG_ERROR, "ERROR: Failed to write %s", match.reg->name); break;
    }
  }
  return write_outcome_exit(outcome);
}
