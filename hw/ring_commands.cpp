#include "hw/ring_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <strings.h>

#include "core/msglog.h"
#include "core/session.h"
#include "core/stop_request.h"
#include "hw/driver_client.h"
#include "hw/frame_capture.h"
#include "hw/hw_regs.h"
#include "hw/raw_access.h"
#include "oal/files.h"
#include "oal/library.h"

namespace {

const char kTemplateFile[] = "ins.txt";
constexpr uint32_t kDefaultCount = 10;
constexpr uint32_t kChunkWords = 2048;

void error(const char* text) {
  if (vol_above(0)) writeMsg(MSG_ERROR, "%s", text);
}

const char* arg(const cmd_args_t* args, int i) { return i < args->count ? args->slot[i] : ""; }

bool parse_decimal(const char* text, uint32_t& value) {
  if (!*text) {
    value = 0;
    return true;
  }
  if (*text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text, &end, 10);
  if (*end || errno == ERANGE || v > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(v);
  return true;
}

bool parse_auto(const char* text, uint32_t& value) {
  if (!*text) {
    value = 0;
    return true;
  }
  return parse_unsigned(text, value);
}

const cmn_hw_regs_t* family_or_message() {
  if (!session.family) error("ERROR: No chipset register maps: the library session is not open or carries none");
  return session.family;
}

bool read_file(FILE* f, std::string& text) {
  char block[4096];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, f)) > 0) text.append(block, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

opal_exit_t cannot_open() {
  if (vol_above(0))
    writeMsg(MSG_ERROR, "ERROR: Couldn't open %s. This file has command decode templates.", kTemplateFile);
  return EXIT_CFGFILE_ERROR;
}

}  // namespace

namespace {
const struct {
  const char* name;
  uint32_t id;
} kRings[] = {{"pri", 1}, {"sec", 2}, {"hw", 4}};
}  // namespace

uint32_t ring_id_of(const char* name) {
  for (const auto& r : kRings)
    if (strcasecmp(name, r.name) == 0) return r.id;
  return 0;
}

std::vector<std::string> ring_names() {
  std::vector<std::string> names;
  for (const auto& r : kRings) names.push_back(r.name);
  return names;
}

bool ring_view(uint32_t start, uint32_t control, uint32_t head, uint32_t tail, uint32_t n, uint64_t aperture,
               ring_view_t& view) {
  view = ring_view_t{};
  // The length field counts pages less one; the low bits hold flags.
  view.size = uint64_t(control & ~0xFFFu) + 0x1000;
  if (uint64_t(start) + view.size > aperture) return false;
  view.head = static_cast<uint32_t>((head & 0xFFFF0u) % view.size);
  view.tail = static_cast<uint32_t>((tail & 0xFFFF0u) % view.size);
  uint64_t half = view.size / 8;
  view.n = n > half ? static_cast<uint32_t>(half) : n;
  uint64_t window = uint64_t(view.n) * 8;
  uint64_t begin = (view.head + view.size - uint64_t(view.n) * 4) % view.size;
  uint64_t first = view.size - begin < window ? view.size - begin : window;
  view.parts[0] = {static_cast<uint32_t>(begin), static_cast<uint32_t>(first / 4)};
  view.part_count = 1;
  if (first < window) {
    view.parts[1] = {0, static_cast<uint32_t>((window - first) / 4)};
    view.part_count = 2;
  }
  return true;
}

opal_exit_t load_ins_templates(std::vector<ins_template_t>& templates) {
  std::string text;
  FILE* f = oal::fopen(kTemplateFile, "rb");
  if (!f) {
    // Beside the program that runs.
    char program[1024];
    DWORD n = oal::GetModuleFileNameA(nullptr, program, sizeof program);
    if (n == 0 || n >= sizeof program) return cannot_open();
    std::string path(program, n);
    size_t cut = path.find_last_of("\\/");
    std::string dir = cut == std::string::npos ? std::string(".") : path.substr(0, cut);
    std::string file = dir + (cut == std::string::npos ? "/" : path.substr(cut, 1)) + kTemplateFile;
    std::printf("Program path is %s\n", dir.c_str());
    std::printf("File path is %s\n", file.c_str());
    std::fflush(stdout);
    f = oal::fopen(file.c_str(), "rb");
    if (!f) return cannot_open();
  }
  if (!read_file(f, text)) return cannot_open();
  ins_parse_t parsed = parse_ins_templates(text);
  if (!parsed.ok) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: while parsing %s. This file has an error on line %d.", kTemplateFile,
               parsed.error_line);
    return EXIT_CFGFILE_ERROR;
  }
  templates = std::move(parsed.templates);
  return EXIT_OK;
}

opal_exit_t cmd_read_ring_ins(cmd_args_t* args) {
  const char* name = *arg(args, 1) ? arg(args, 1) : "pri";
  uint32_t n = 0;
  bool n_ok = parse_decimal(arg(args, 2), n);
  args->count = 0;
  uint32_t id = ring_id_of(name);
  if (!id) {
    error("ERROR: Invalid ring specified");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (!n_ok) {
    error("ERROR: Invalid number of instructions");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (n == 0) n = kDefaultCount;
  const cmn_hw_regs_t* family = family_or_message();
  if (!family) return EXIT_OS_CALL_ERROR;
  if ((family->supported_rings() & id) != id) {
    error("ERROR: Ring not supported by HW");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t regs[4] = {};  // tail, head, start, control
  if (!drv_read_ring_regs(id, regs)) return EXIT_OS_CALL_ERROR;
  uint32_t tail = regs[0], head = regs[1], start = regs[2], control = regs[3];
  if (!head || !tail || !start) return EXIT_OK;

  const uint64_t aperture = aperture_bound();
  ring_view_t view;
  if (!ring_view(start, control, head, tail, n, aperture, view)) {
    if (vol_above(0))
      writeMsg(MSG_ERROR, "ERROR: A ring of 0x%llX bytes at 0x%X does not fit the 0x%llX-byte graphics aperture",
               static_cast<unsigned long long>(view.size), start, static_cast<unsigned long long>(aperture));
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t words = static_cast<uint32_t>(view.size / 4);
  std::unique_ptr<uint32_t[]> ring(new (std::nothrow) uint32_t[words]());
  if (!ring) {
    error("ERROR: Not enough memory for the ring");
    return EXIT_OS_CALL_ERROR;
  }
  if (!os_dump_regs(DRV_TARGET_GMADR, start, words, ring.get(), 2)) {
    error("ERROR while sending os_dump_regs");
    return EXIT_OS_CALL_ERROR;
  }

  hex_marker_t markers[4] = {};
  const char* names[4] = {"START", "HEAD", "TAIL", "CTL"};
  uint32_t at[4] = {start, start + view.head, start + view.tail, static_cast<uint32_t>(start + view.size)};
  for (int i = 0; i < 4; ++i) {
    markers[i].address = at[i];
    std::snprintf(markers[i].name, sizeof markers[i].name, "%s", names[i]);
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%-48s: 0x%X", names[i], at[i]);
  }
  if (vol_above(0)) writeMsg(MSG_PLAIN, "\n\n");
  for (int p = 0; p < view.part_count; ++p) {
    const ring_view_t::part_t& part = view.parts[p];
    print_hex_units(ring.get() + part.offset / 4, markers, start + part.offset, part.words, 4, 4, 4);
  }
  return EXIT_OK;
}

opal_exit_t cmd_decode_ins(cmd_args_t* args) {
  uint32_t address = 0, length = 0;
  bool ok = parse_auto(arg(args, 1), address) && parse_auto(arg(args, 2), length);
  args->count = 0;
  if (!ok) {
    error("ERROR: Invalid address or length");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (length == 0) length = kDefaultCount;
  std::vector<ins_template_t> templates;
  opal_exit_t loaded = load_ins_templates(templates);
  if (loaded != EXIT_OK) return loaded;
  const cmn_hw_regs_t* family = family_or_message();
  if (!family) return EXIT_OS_CALL_ERROR;
  const uint32_t family_id = static_cast<uint32_t>(family->family_id());

  opal_exit_t result = EXIT_OK;
  const uint64_t total = (uint64_t(length) + 3) / 4;
  std::unique_ptr<uint32_t[]> chunk(new uint32_t[kChunkWords]);
  auto print = [](const char* line) {
    if (vol_above(0)) writeMsg(MSG_PLAIN, "%s", line);
  };
  for (uint64_t done = 0; done < total; done += kChunkWords) {
    if (stop_requested()) return EXIT_GENERIC_ERROR;
    uint64_t at = uint64_t(address) + done * 4;
    if (at > 0xFFFFFFFFull) break;  // past the end of graphics memory's addresses
    uint32_t words = static_cast<uint32_t>(total - done < kChunkWords ? total - done : kChunkWords);
    std::memset(chunk.get(), 0, kChunkWords * 4);
    if (!os_dump_regs(DRV_TARGET_GMADR, static_cast<uint32_t>(at), words, chunk.get(), 2)) {
      error("ERROR while sending os_dump_regs");
      result = EXIT_OS_CALL_ERROR;
      continue;
    }
    decode_instructions(templates, family_id, static_cast<uint32_t>(at), chunk.get(), words, print);
  }
  return result;
}
