#include "commands/register_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "core/msglog.h"
#include "core/session.h"
#include "devices/device_ids.h"
#include "hw/driver_client.h"
#include "hw/register_dump.h"

namespace {

constexpr uint32_t KiB = 1024, MiB = 1024 * 1024;

// The family object, or a message saying there is none.
const cmn_hw_regs_t* family_or_message() {
  if (!session.family && vol_above(0))
    writeMsg(MSG_ERROR, "ERROR: No chipset register maps: the library session is not open or carries none");
  return session.family;
}

// Snapshot pair k from arguments 2k+1 (buffer) and 2k+2 (base), both
// hexadecimal. An empty or zero buffer leaves the pair unused; a buffer
// that is no registered copy of MMIO space is refused.
bool read_pairs(const cmd_args_t* args, int pairs, SnapshotSource& snapshot) {
  for (int k = 0; k < pairs; ++k) {
    int slot = 2 * k + 1;
    if (slot >= args->count) break;
    const char* texts[2] = {args->slot[slot], slot + 1 < args->count ? args->slot[slot + 1] : ""};
    unsigned long long numbers[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
      if (!*texts[i]) continue;
      errno = 0;
      char* end = nullptr;
      numbers[i] = std::strtoull(texts[i], &end, 16);
      if (*end || errno == ERANGE || texts[i][0] == '-' || (i == 1 && numbers[i] > 0xFFFFFFFFull)) {
        if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Invalid hexadecimal number: %.200s", texts[i]);
        return false;
      }
    }
    if (!numbers[0]) continue;
    size_t bytes = numbers[0] <= UINTPTR_MAX ? snapshot_bytes_at(static_cast<uintptr_t>(numbers[0])) : 0;
    if (!bytes) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: 0x%llX is not a register snapshot buffer", numbers[0]);
      return false;
    }
    snapshot.set_pair(k, reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(numbers[0])), bytes,
                      static_cast<uint32_t>(numbers[1]));
  }
  return true;
}

// What every dump does first: the automatic report mode (nothing to
// print), the family when the dump needs one and the snapshot pairs of the
// arguments. False when the command ends there, its result in `rc`; else
// the record is emptied for the result lines.
bool dump_head(cmd_args_t* args, int pairs, bool needs_family, SnapshotSource& snapshot, opal_exit_t& rc) {
  rc = EXIT_OK;
  if (auto_report_mode) {
    args->count = 0;
    return false;
  }
  if (needs_family && !family_or_message()) {
    rc = EXIT_OS_CALL_ERROR;
    return false;
  }
  bool pairs_ok = read_pairs(args, pairs, snapshot);
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  if (!pairs_ok) rc = EXIT_INVALID_PARAM_ERROR;
  return pairs_ok;
}

// A dump of a table the family hands out.
opal_exit_t dump_family_table(cmd_args_t* args, int pairs, void (cmn_hw_regs_t::*get)(reg_desc_t**, uint32_t*)) {
  SnapshotSource snapshot(dump_source());
  opal_exit_t rc;
  if (!dump_head(args, pairs, true, snapshot, rc)) return rc;
  reg_desc_t* table = nullptr;
  uint32_t count = 0;
  (session.family->*get)(&table, &count);
  if (!table) return EXIT_OS_CALL_ERROR;
  bool ok = dump_registers(*session.family, table, count, snapshot);
  free_reg_table(table);
  return ok ? EXIT_OK : EXIT_OS_CALL_ERROR;
}

// A dump of one of the commands' own tables; the first offsets may be
// the family's own.
opal_exit_t dump_own_table(cmd_args_t* args, int pairs, const reg_row_t* rows, size_t n,
                           const uint32_t* first_offsets, size_t first_count) {
  SnapshotSource snapshot(dump_source());
  opal_exit_t rc;
  if (!dump_head(args, pairs, true, snapshot, rc)) return rc;
  reg_desc_t table[32];
  if (n > sizeof table / sizeof *table) n = sizeof table / sizeof *table;
  for (size_t i = 0; i < n; ++i) {
    table[i].offset = i < first_count ? first_offsets[i] : rows[i].offset;
    table[i].decode = rows[i].decode;
    std::snprintf(table[i].title, sizeof table[i].title, "%s", rows[i].title);
  }
  return dump_registers(*session.family, table, static_cast<uint32_t>(n), snapshot) ? EXIT_OK : EXIT_OS_CALL_ERROR;
}

// One register reported as result lines: its header, then its fields in
// groups (the first group `first` fields, the others four).
opal_exit_t register_lines(cmd_args_t* args, uint32_t offset, const char* title, const bit_field_t* fields,
                           size_t count, size_t first) {
  SnapshotSource snapshot(dump_source());
  opal_exit_t rc;
  if (!dump_head(args, 1, false, snapshot, rc)) return rc;
  uint32_t value = 0;
  if (!snapshot.read32(offset, &value, 2)) {
    if (snapshot.is_capture() && vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: Register 0x%lX is not captured", static_cast<unsigned long>(offset));
    return EXIT_OS_CALL_ERROR;
  }
  add_result(args, "%-35s [0x%-6X%-2s : 0x%lX\n", title, offset, "]", static_cast<unsigned long>(value));
  for (size_t i = 0, group = first; i < count; i += group, group = 4) {
    size_t n = count - i < group ? count - i : group;
    char text[kArgSlotSize];
    format_fields(text, sizeof text, fields + i, n, value);
    add_result(args, "%s", text);
  }
  return EXIT_OK;
}

// Stolen memory by the host bridge word at 0x52: the rule of a group of
// device ids is a mask and the size each masked value gives.
struct StolenRule {
  std::initializer_list<uint16_t> ids;
  uint16_t mask;
  uint32_t size[16];  // by (word & mask) >> 4
};
const StolenRule kStolenRules[] = {
    {{AVA_DID_4, AVA_DID_2, AVA_DID_3}, 0x70, {0, 0, 512 * KiB, 1 * MiB, 8 * MiB}},
    {{DOV_DID_1, DOV_DID_2, DOV_DID_3, DOV_DID_4, DOV_DID_5, CYR_DID_1, CYR_DID_2, CYR_DID_3, CYR_DID_4, CYR_DID_5,
      AVA_DID_5, FYN_DID, EFT_DID},
     0x70,
     {0, 1 * MiB, 4 * MiB, 8 * MiB, 16 * MiB, 32 * MiB, 48 * MiB, 64 * MiB}},
    {{DOV_DID_7, DOV_DID_8, CYR_DID_7, CYR_DID_8, CYR_DID_9, CYR_DID_10, CYR_DID_11, CYR_DID_12, CYR_DID_13},
     0xF0,
     {0, 1 * MiB, 4 * MiB, 8 * MiB, 16 * MiB, 32 * MiB, 48 * MiB, 64 * MiB, 128 * MiB, 256 * MiB}},
};

}  // namespace

uint32_t stolen_memory_size(uint16_t device_id, uint16_t word) {
  for (const StolenRule& rule : kStolenRules)
    for (uint16_t id : rule.ids)
      if (id == device_id) return rule.size[(word & rule.mask) >> 4];
  return 0;
}

opal_exit_t cmd_get_plane_regs(cmd_args_t* args) {
  return dump_family_table(args, 4, &cmn_hw_regs_t::get_plane_regs);
}

opal_exit_t cmd_get_port_regs(cmd_args_t* args) {
  return dump_family_table(args, 1, &cmn_hw_regs_t::get_port_regs);
}

opal_exit_t cmd_read_error(cmd_args_t* args) {
  return dump_family_table(args, 1, &cmn_hw_regs_t::get_error_regs);
}

opal_exit_t cmd_get_pipe_regs(cmd_args_t* args) {
  size_t n = 0;
  const reg_row_t* rows = pipe_rows(&n);
  // The DPLL A registers of the session's family, looked up on every run:
  // a later session may have another family.
  uint32_t dpll[3];
  dpll_a_offsets(session.family ? session.family->family_id() : 1, dpll);
  return dump_own_table(args, 4, rows, n, dpll, 3);
}

opal_exit_t cmd_get_tv_regs(cmd_args_t* args) {
  size_t n = 0;
  const reg_row_t* rows = tv_rows(&n);
  return dump_own_table(args, 1, rows, n, nullptr, 0);
}

opal_exit_t cmd_get_vgacntrl(cmd_args_t* args) {
  size_t n = 0;
  const bit_field_t* fields = vgacntrl_fields(&n);
  return register_lines(args, vgacntrl_row().offset, vgacntrl_row().title, fields, n, 4);
}

opal_exit_t cmd_get_reg_lvds(cmd_args_t* args) {
  size_t n = 0;
  const bit_field_t* fields = lvds_fields(&n);
  return register_lines(args, lvds_row().offset, lvds_row().title, fields, n, 3);
}

opal_exit_t cmd_get_fuse_regs(cmd_args_t* args) {
  args->count = 0;
  if (auto_report_mode) return EXIT_OK;
  static const char* const kNames[] = {"FUS_EFF0", "FUS_EFF1", "FUS_EFF2", "FUS_EFF3", "FUS_EFF4", "FUS_EFF5"};
  // No report log holds the fuses: a replay names them as not captured
  // rather than showing this machine's.
  if (dump_source().is_capture()) {
    if (!vol_above(0)) return EXIT_OK;
    if (!session.family || session.family->family_id() != 6) {
      writeMsg(MSG_ERROR, "No Fuse Registers to read");
      return EXIT_OK;
    }
    for (uint32_t i = 0; i < 6; ++i)
      writeMsg(MSG_PLAIN, "%-35s [0x%-6lX%-2s : not captured\n", kNames[i],
               static_cast<unsigned long>(0xD08106F0u + 0x100u * i), "]");
    return EXIT_OK;
  }
  uint16_t id = 0;
  if (!drv_read_device_id(&id, nullptr)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to read the graphics device id.");
    return EXIT_OS_CALL_ERROR;
  }
  if (id != FYN_DID) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "No Fuse Registers to read");
    return EXIT_OK;
  }
  opal_exit_t rc = EXIT_OK;
  for (uint32_t i = 0; i < 6; ++i) {
    uint32_t address = 0xD08106F0u + 0x100u * i;
    if (!drv_write_host_control(address)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to write to registers.");
      rc = EXIT_OS_CALL_ERROR;
      continue;
    }
    uint32_t value = 0;
    if (!drv_read_host_data(&value)) {
      if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to read from registers.");
      rc = EXIT_OS_CALL_ERROR;
      continue;
    }
    print_register_header(kNames[i], address, value);
  }
  return rc;
}

opal_exit_t cmd_get_cmos_settings(cmd_args_t* args) {
  std::memset(args->slot, 0, sizeof args->slot);
  args->count = 0;
  const cmn_hw_regs_t* family = family_or_message();
  if (!family) return EXIT_OS_CALL_ERROR;
  for (uint32_t function : {0u, 1u}) {
    char name[16];
    std::snprintf(name, sizeof name, "Function %u", function);
    add_result(args, "%-48s: %s", name, drv_function_present(function) ? "ENABLED" : "NOT PRESENT/ENABLED");
  }
  uint16_t id = 0;
  // Without a device id the sizes are unknown.
  if (!drv_read_device_id(&id, nullptr)) return EXIT_OK;
  uint16_t word = 0;
  uint32_t aperture = 0;
  if (!drv_host_config_word(0x52, &word) || !family->aperture_size(&aperture)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: Failed to read from registers.");
    return EXIT_OS_CALL_ERROR;
  }
  uint32_t stolen = stolen_memory_size(id, word);
  add_result(args, "%-48s: 0x%lX Bytes (%.2f MB)", "Stolen memory size", static_cast<unsigned long>(stolen),
             stolen / 1048576.0);
  add_result(args, "%-48s: 0x%lX Bytes (%.2f MB)", "Aperture Size Present", static_cast<unsigned long>(aperture),
             aperture / 1048576.0);
  return EXIT_OK;
}
