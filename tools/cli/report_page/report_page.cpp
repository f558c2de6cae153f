#include "report_page.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

#include "../compare_logs.h"
#include "commands/report_log.h"
#include "hw/hw_regs.h"
#include "html_text.h"
#include "page_assets.h"

namespace {

// The blocks of the log shown as they are, by the commands that write them.
struct BlockRow {
  const char* id;
  const char* title;
  const char* commands[8];
};
const BlockRow kBlocks[] = {
    {"system", "System",
     {"GET_OS_NAME", "GET_CHIPSET_NAME", "GET_SYSTEM_MEMORY", "GET_CPU_INFO", "GET_DRIVER_VERSION",
      "GET_SYS_BIOS_VERSION", "GET_DIRECTX_VERSION"}},
    {"display", "Display", {"GET_ROT_STATUS", "GET_CURRENT_DC", "GET_DISP_PORT_MAPPING"}},
    {"edid", "EDID", {"GET_EDID_INFO"}},
    {"registry", "Registry", {"GET_REG_INFO"}},
    {"inventory", "Installed software", {"GET_ALL_SOFTWARE"}},
};

class Page {
 public:
  explicit Page(std::string& out) : out_(out) {}

  Page& raw(std::string_view s) {
    out_.append(s.data(), s.size());
    return *this;
  }
  Page& text(std::string_view s) {
    append_escaped(out_, s);
    return *this;
  }
  Page& hex(uint32_t v, int digits = 1) {
    append_hex(out_, v, digits);
    return *this;
  }
  Page& num(unsigned long long v) {
    char buf[24];
    int n = 0;
    do {
      buf[n++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v);
    while (n) out_ += buf[--n];
    return *this;
  }

 private:
  std::string& out_;
};

std::string_view trim_right(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A "label : value" report line (the label padded with blanks before the
// colon); false for any other line.
bool label_line(std::string_view line, std::string_view* label, std::string_view* value) {
  size_t colon = line.find(" : ");
  size_t skip = 3;
  if (colon == std::string_view::npos) {
    colon = line.find(": ");
    skip = 2;
    // Only a padded label: "OS NAME: ..." and "Chipset: ..." stay lines.
    if (colon == std::string_view::npos || colon < 2 || line[colon - 1] != ' ') return false;
  }
  std::string_view l = trim_right(line.substr(0, colon));
  if (l.empty() || l.front() == ' ' || l.front() == '\t') return false;
  *label = l;
  *value = line.substr(colon + skip);
  return true;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// The text after `prefix` in the first line of a command, empty without one.
std::string_view first_line_after(const PageLog& log, const char* command, std::string_view prefix) {
  const PageCommand* c = log.command(command);
  if (!c) return {};
  for (size_t i = 0; i < c->line_count(); ++i)
    if (starts_with(c->line(i), prefix)) return c->line(i).substr(prefix.size());
  return {};
}

std::string file_name(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void exit_badge(Page& p, const PageCommand& c) {
  p.raw(c.exit_code ? "<span class=\"badge bad\">" : "<span class=\"badge ok\">");
  if (c.exit_name.empty())
    p.num(static_cast<unsigned>(c.exit_code));
  else
    p.text(c.exit_name);
  p.raw("</span>");
}

void facts(Page& p, const PageLog& log) {
  p.raw("<dl class=\"facts\"><dt>Log</dt><dd><code>").text(log.path).raw("</code></dd>");
  p.raw("<dt>Tool</dt><dd>").text(log.tool.empty() ? "unknown" : log.tool);
  if (!log.version.empty()) p.raw(" ").text(log.version);
  p.raw("</dd><dt>Chipset</dt><dd>");
  std::string_view chipset = first_line_after(log, "GET_CHIPSET_NAME", "Chipset: ");
  size_t name = chipset.find(", Name: ");
  if (!log.chipset.empty()) {
    p.text(log.chipset);
    if (log.device_id >= 0) {
      p.raw(" <span class=\"mono\">(").hex(static_cast<uint32_t>(log.device_id), 4);
      if (log.revision >= 0) p.raw(", revision ").hex(static_cast<uint32_t>(log.revision));
      p.raw(")</span>");
    }
  } else if (name != std::string_view::npos)
    p.text(chipset.substr(name + 8)).raw(" <span class=\"mono\">(").text(chipset.substr(0, name)).raw(")</span>");
  else
    p.text(chipset.empty() ? "not in the log" : chipset);
  p.raw("</dd><dt>Family</dt><dd>").text(log.family.empty() ? "unknown" : log.family);
  std::string_view os = first_line_after(log, "GET_OS_NAME", "OS NAME: ");
  p.raw("</dd><dt>Operating system</dt><dd>").text(os.empty() ? "not in the log" : os);
  std::string_view driver = first_line_after(log, "GET_DRIVER_VERSION", "");
  std::string_view label, value;
  if (label_line(driver, &label, &value)) p.raw("</dd><dt>Driver</dt><dd>").text(value);
  p.raw("</dd><dt>Commands</dt><dd><span class=\"badge ok\">").num(log.passed()).raw(" passed</span> ");
  p.raw(log.failed() ? "<span class=\"badge bad\">" : "<span class=\"badge ok\">").num(log.failed());
  p.raw(" failed</span></dd><dt>Registers</dt><dd>").num(log.register_count()).raw(" decoded from the MMIO capture</dd></dl>");
}

// A command's output lines, coloured by message type.
void output_lines(Page& p, const PageCommand& c) {
  p.raw("<pre>");
  // Runs of plain lines go out in one piece.
  size_t n = c.line_count();
  for (size_t i = 0; i < n;) {
    size_t j = i;
    while (j < n && c.type(j) == 4) ++j;
    if (j > i) {
      p.text(c.lines_text(i, j));
      i = j;
      continue;
    }
    p.raw("<span class=\"m").num(static_cast<unsigned>(c.type(i))).raw("\">").text(c.line(i)).raw("</span>\n");
    ++i;
  }
  p.raw("</pre>");
}

void commands(Page& p, const PageLog& log, int index, bool two) {
  p.raw("<div class=\"card\" id=\"commands").num(static_cast<unsigned>(index)).raw("\"><h2>Commands");
  if (two) p.raw(" of <code>").text(file_name(log.path)).raw("</code>");
  p.raw("<small>").num(log.commands.size()).raw(" run, ").num(log.failed()).raw(" failed</small></h2>");
  if (log.failed()) {
    p.raw("<p class=\"failed-list\"><span class=\"badge bad\">Failed</span> ");
    bool first = true;
    for (const PageCommand& c : log.commands)
      if (c.exit_code) {
        if (!first) p.raw(", ");
        first = false;
        p.raw("<code>").text(c.name).raw("</code>");
      }
    p.raw("</p>");
  }
  if (log.commands.empty()) p.raw("<p class=\"empty\">The log holds no command block.</p>");
  else p.raw("<div class=\"cmdhead\"><span>Command</span><span>Exit code</span><span class=\"lines\">Lines</span></div>");
  for (const PageCommand& c : log.commands) {
    p.raw(c.exit_code ? "<details class=\"cmd fail\"><summary>" : "<details class=\"cmd\"><summary>");
    p.raw("<span><code>").text(c.name).raw("</code>");
    if (!c.args.empty()) p.raw(" <code class=\"args\">").text(c.args).raw("</code>");
    p.raw("</span><span>");
    exit_badge(p, c);
    p.raw("</span><span class=\"lines\">").num(c.line_count());
    if (c.seconds > 0) {
      char t[32];
      std::snprintf(t, sizeof t, " &middot; %.3f s", c.seconds);
      p.raw(t);
    }
    p.raw("</span></summary>");
    output_lines(p, c);
    p.raw("</details>");
  }
  p.raw("</div>");
}

// A block's lines: label lines as a table, registry key lines as
// headings, the rest as they are.
void block_lines(Page& p, const PageCommand& c) {
  if (c.name == "GET_ALL_SOFTWARE") {
    p.raw("<ul class=\"programs\">");
    for (size_t i = 0; i < c.line_count(); ++i)
      if (!trim_right(c.line(i)).empty()) p.raw("<li>").text(c.line(i)).raw("</li>");
    p.raw("</ul>");
    return;
  }
  size_t end = c.line_count();
  while (end && trim_right(c.line(end - 1)).empty()) --end;
  enum { kNone, kTable, kPre } open = kNone;
  auto close = [&] {
    if (open == kTable) p.raw("</table>");
    if (open == kPre) p.raw("</pre>");
    open = kNone;
  };
  bool edid = c.name == "GET_EDID_INFO";
  unsigned keys = 0;  // registry keys: each opens a box of its own
  size_t blanks = 0;  // held back: a block never ends with blank lines
  for (size_t i = 0; i < end; ++i) {
    std::string_view line = c.line(i);
    std::string_view label, value;
    if (!edid && starts_with(line, "HK")) {
      close();
      if (keys++) p.raw("</div>");
      p.raw("<div class=\"sub\"><h4 class=\"key\">").text(line).raw("</h4>");
    } else if (!edid && keys && starts_with(line, "VALUE NAME")) {
      continue;
    } else if (!edid && label_line(line, &label, &value)) {
      if (open != kTable) {
        close();
        p.raw("<table class=\"kv\">");
        open = kTable;
      }
      p.raw("<tr><td>").text(label).raw("</td><td>").text(value).raw("</td></tr>");
    } else {
      if (trim_right(line).empty()) {
        if (open == kPre) ++blanks;
        continue;
      }
      if (open != kPre) {
        close();
        p.raw("<pre>");
        open = kPre;
      }
      for (; blanks; --blanks) p.raw("\n");
      p.text(line).raw("\n");
      continue;
    }
    blanks = 0;
  }
  close();
  if (keys) p.raw("</div>");
}

void blocks(Page& p, const std::vector<const PageLog*>& logs) {
  for (const BlockRow& b : kBlocks) {
    bool any = false;
    for (const PageLog* log : logs)
      for (const char* name : b.commands)
        if (name && log->command(name)) any = true;
    if (!any) continue;
    p.raw("<section class=\"block\" id=\"").raw(b.id).raw("\"><div class=\"cols\">");
    for (const PageLog* log : logs) {
      p.raw("<div class=\"card ").raw(b.id).raw("\"><h2>").raw(b.title);
      if (logs.size() > 1) p.raw("<small>").text(file_name(log->path)).raw("</small>");
      p.raw("</h2><div class=\"subs\">");
      for (const char* name : b.commands) {
        if (!name) continue;
        const PageCommand* c = log->command(name);
        if (!c) continue;
        bool several = b.commands[1] != nullptr;
        if (several) p.raw("<div class=\"sub\"><h3><code>").text(c->name).raw("</code></h3>");
        block_lines(p, *c);
        if (several) p.raw("</div>");
      }
      p.raw("</div></div>");
    }
    p.raw("</div></section>");
  }
}

bool reserved(const std::string& name) { return name.compare(0, 8, "reserved") == 0; }

// The changes of the comparison by offset (device 2, the captured one).
using ChangeMap = std::map<uint32_t, const RegisterChange*>;

const FieldChange* field_change(const RegisterChange* change, const PageField& f) {
  if (!change) return nullptr;
  for (const FieldChange& c : change->fields)
    if (c.field->high == f.high && c.field->low == f.low && f.name == c.field->name) return &c;
  return nullptr;
}

std::string register_id(int log, uint32_t offset) {
  char id[32];
  std::snprintf(id, sizeof id, "r%d-%X", log, offset);
  return id;
}

void register_block(Page& p, const PageRegister& r, const RegisterChange* change, int log,
                    std::set<std::string>& ids) {
  p.raw(change ? "<div class=\"reg chg\"" : "<div class=\"reg\"");
  std::string id = register_id(log, r.offset);
  if (r.device == 2 && ids.insert(id).second) p.raw(" id=\"").raw(id).raw("\"");
  // What the filter matches: title, short name and offset, in lower case.
  std::string key = r.title + " " + r.name;
  for (char& c : key) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  p.raw(" data-k=\"").text(key).raw(" ");
  char off[16];
  std::snprintf(off, sizeof off, "0x%x", r.offset);
  p.raw(off).raw("\"><div class=\"rh\"><code class=\"off\">").hex(r.offset).raw("</code><span class=\"rn\">").text(r.name);
  p.raw("</span><span class=\"rt\">").text(r.title);
  if (r.device != 2) p.raw("<span class=\"dev\">device ").num(static_cast<unsigned>(r.device)).raw("</span>");
  p.raw("</span>");
  if (!r.captured) {
    p.raw("<span class=\"nc\">not captured</span></div></div>");
    return;
  }
  p.raw("<code class=\"rv\">");
  if (change) {
    p.raw("<span class=\"old\">").hex(change->first, 8).raw("</span><span class=\"arrow\">&rarr;</span><span class=\"new\">");
    p.hex(change->second, 8).raw("</span>");
  } else {
    p.hex(r.value, 8);
  }
  p.raw("</code></div>");
  if (r.fields.empty()) {
    p.raw("</div>");
    return;
  }
  // The bit strip: bit 31 on the left, one cell per field, spanning its bits.
  p.raw("<div class=\"strip\">");
  unsigned next = 31;
  bool gap = false;
  for (const PageField& f : r.fields) {
    if (f.high > 31 || f.low > f.high || f.high > next) {
      gap = true;  // fields out of order: the table alone shows them
      break;
    }
    if (f.high < next) p.raw("<span class=\"rsv s").num(next - f.high).raw("\"></span>");
    const FieldChange* fc = field_change(change, f);
    p.raw("<span class=\"s").num(f.high - f.low + 1);
    if (fc) p.raw(" c");
    else if (reserved(f.name)) p.raw(" rsv");
    else if (!f.value) p.raw(" z");
    p.raw("\" title=\"").text(f.name).raw(" [").num(f.high);
    if (f.high != f.low) p.raw(":").num(f.low);
    p.raw("] = ").hex(f.value).raw("\">");
    p.hex(fc ? fc->second : f.value);
    if (f.high - f.low >= 5) p.raw("<i>").text(f.name).raw("</i>");
    p.raw("</span>");
    next = f.low ? f.low - 1 : 0;
    if (!f.low) {
      next = 32;  // the strip is full
      break;
    }
  }
  if (!gap && next != 32) p.raw("<span class=\"rsv s").num(next + 1).raw("\"></span>");
  p.raw("</div><div class=\"flds\">");
  for (const PageField& f : r.fields) {
    const FieldChange* fc = field_change(change, f);
    p.raw(fc ? "<div class=\"f c\"" : reserved(f.name) ? "<div class=\"f rsv\"" : "<div class=\"f\"");
    p.raw(" data-k=\"").text(f.name).raw("\"><span class=\"b\">[").num(f.high);
    if (f.high != f.low) p.raw(":").num(f.low);
    p.raw("]</span><span class=\"fn\">").text(f.name).raw("</span><span class=\"v\">");
    if (fc) {
      p.raw("<span class=\"old\">").hex(fc->first).raw("</span><span class=\"arrow\">&rarr;</span><span class=\"new\">");
      p.hex(fc->second).raw("</span>");
    } else {
      p.hex(f.value);
      if (f.value > 9) p.raw(" <span class=\"d\">").num(f.value).raw("</span>");
    }
    p.raw("</span></div>");
  }
  p.raw("</div></div>");
}

void registers(Page& p, const PageLog& log, int index, bool two, const ChangeMap& changes) {
  p.raw("<section class=\"card\" id=\"registers").num(static_cast<unsigned>(index)).raw("\"><h2>Registers");
  if (two) p.raw(" of <code>").text(file_name(log.path)).raw("</code>");
  p.raw("<small>").num(log.register_count()).raw(" decoded from the MMIO capture");
  if (!log.family.empty()) p.raw(" with the ").text(log.family).raw(" family");
  p.raw("</small></h2>");
  if (!log.replay_exit.empty())
    p.raw("<p class=\"note\">Decoding the capture ended with ").text(log.replay_exit).raw(".</p>");
  if (log.tables.empty()) p.raw("<p class=\"empty\">The log holds no decoded registers.</p>");
  std::set<std::string> ids;
  for (size_t i = 0; i < log.tables.size(); ++i) {
    const PageTable& t = log.tables[i];
    p.raw("<div class=\"rtable\" id=\"t").num(static_cast<unsigned>(index)).raw("-").num(i).raw("\"><h3><code>").text(t.command).raw("</code><small>").num(t.registers.size());
    p.raw(t.registers.size() == 1 ? " register" : " registers").raw("</small></h3>");
    for (const PageRegister& r : t.registers) {
      auto it = r.device == 2 && r.captured ? changes.find(r.offset) : changes.end();
      register_block(p, r, it == changes.end() ? nullptr : it->second, index, ids);
    }
    p.raw("</div>");
  }
  p.raw("</section>");
}

// Links to each dump table of the log's registers.
void table_index(Page& p, const PageLog& log, int index) {
  if (log.tables.empty()) return;
  p.raw("<div class=\"card\"><h2>Register tables</h2><ul class=\"tindex\">");
  for (size_t i = 0; i < log.tables.size(); ++i) {
    p.raw("<li><a href=\"#t").num(static_cast<unsigned>(index)).raw("-").num(i).raw("\"><code>").text(log.tables[i].command);
    p.raw("</code></a> <small>").num(log.tables[i].registers.size()).raw("</small></li>");
  }
  p.raw("</ul></div>");
}

void comparison_card(Page& p, const PageLog& first, const PageLog& second, const LogComparison& cmp) {
  p.raw("<section class=\"card\" id=\"comparison\"><h2>Comparison<small><code>").text(file_name(first.path));
  p.raw("</code> &rarr; <code>").text(file_name(second.path)).raw("</code></small></h2>");
  if (!cmp.same_family()) {
    p.raw("<p class=\"note\">The captures are of two chipset families: <code>").text(first.path).raw("</code> is ");
    p.text(cmp.family_texts[0]).raw(", <code>").text(second.path).raw("</code> is ").text(cmp.family_texts[1]);
    p.raw("; their registers do not compare.</p><p>Each log's registers: <a href=\"#registers0\">");
    p.text(file_name(first.path)).raw("</a> (").num(first.register_count()).raw("), <a href=\"#registers1\">");
    p.text(file_name(second.path)).raw("</a> (").num(second.register_count()).raw(").</p></section>");
    return;
  }
  if (cmp.changes.empty()) {
    p.raw("<p class=\"count\" id=\"change-count\" data-n=\"0\">The captures agree on every named register (");
    p.text(family_short_name(cmp.family_ids[0])).raw(" family).</p></section>");
    return;
  }
  p.raw("<p class=\"count\" id=\"change-count\" data-n=\"").num(cmp.changes.size()).raw("\"><b>").num(cmp.changes.size());
  p.raw("</b> named registers differ (").text(family_short_name(cmp.family_ids[0])).raw(" family)");
  p.raw("<label class=\"only\"><input type=\"checkbox\" id=\"only-changed\"> show only these below</label></p>");
  p.raw("<div class=\"changes\">");
  for (const RegisterChange& c : cmp.changes) {
    p.raw("<div class=\"change\"><a class=\"t\" href=\"#").raw(register_id(0, c.offset)).raw("\">").text(c.title);
    p.raw("</a> <code>").hex(c.offset).raw("</code><br><code><span class=\"old\">").hex(c.first, 8);
    p.raw("</span><span class=\"arrow\">&rarr;</span><span class=\"new\">").hex(c.second, 8).raw("</span></code><ul>");
    for (const FieldChange& f : c.fields) {
      p.raw("<li><code>").text(bits_label(*f.field)).raw(" ").text(f.field->name).raw("</code> <code><span class=\"old\">");
      p.hex(f.first).raw("</span><span class=\"arrow\">&rarr;</span><span class=\"new\">").hex(f.second).raw("</span></code></li>");
    }
    p.raw("</ul></div>");
  }
  p.raw("</div></section>");
}

}  // namespace

std::string report_page_policy() {
  return "default-src 'none'; style-src 'sha256-" + base64_of_hex(kReportPageStyleSha256) + "'; script-src 'sha256-" +
         base64_of_hex(kReportPageScriptSha256) + "'; img-src 'none'; base-uri 'none'; form-action 'none'";
}

std::string render_report_page(const PageLog& first, const PageLog* second, const LogComparison* comparison) {
  std::string out;
  // The page is mostly the logs' own text: reserve about that much.
  size_t lines = 0;
  for (const PageCommand& c : first.commands) lines += c.line_count();
  out.reserve(lines * (second ? 56 : 28) + (1u << 20));
  Page p(out);
  p.raw("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n");
  p.raw("<meta http-equiv=\"Content-Security-Policy\" content=\"").raw(report_page_policy()).raw("\">\n");
  p.raw("<meta name=\"referrer\" content=\"no-referrer\"><meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n");
  p.raw("<title>").text(file_name(first.path));
  if (second) p.raw(" vs ").text(file_name(second->path));
  p.raw(" - Lumagraph report</title>\n<style>").raw(kReportPageStyle).raw("</style></head>\n<body>\n");
  p.raw("<header class=\"top\"><span class=\"brand\">Lumagraph report</span><span class=\"files\">").text(first.path);
  if (second) p.raw(" &nbsp;vs&nbsp; ").text(second->path);
  p.raw("</span><span class=\"search\"><input id=\"filter\" type=\"search\" autocomplete=\"off\" spellcheck=\"false\" ");
  p.raw("placeholder=\"Filter registers: name, title or offset\" aria-label=\"Filter registers\">");
  p.raw("<span id=\"filter-count\"></span></span><nav>");
  p.raw("<a href=\"#registers0\">Registers</a><a href=\"#commands0\">Commands</a><a href=\"#system\">System</a>");
  p.raw("<a href=\"#edid\">EDID</a><a href=\"#registry\">Registry</a></nav></header>\n<main>\n");

  std::vector<const PageLog*> logs{&first};
  if (second) logs.push_back(second);
  p.raw("<section id=\"summary\" class=\"cols\">");
  for (const PageLog* log : logs) {
    p.raw("<div><div class=\"card\"><h2>").raw(log == &first ? (second ? "First log" : "Report") : "Second log").raw("</h2>");
    facts(p, *log);
    p.raw("</div>");
    if (!second) table_index(p, *log, 0);
    p.raw("</div>");
  }
  // One log: its commands beside its summary.
  if (!second) commands(p, first, 0, false);
  p.raw("</section>\n");

  ChangeMap changes;
  if (second && comparison) {
    comparison_card(p, first, *second, *comparison);
    for (const RegisterChange& c : comparison->changes) changes.emplace(c.offset, &c);
  }
  bool two_families = second && comparison && !comparison->same_family();
  registers(p, first, 0, two_families, changes);
  if (two_families) registers(p, *second, 1, true, {});
  p.raw("\n");
  blocks(p, logs);
  p.raw("\n");
  if (second) {
    p.raw("<section class=\"cols\">");
    for (size_t i = 0; i < logs.size(); ++i) commands(p, *logs[i], static_cast<int>(i), true);
    p.raw("</section>\n");
  }
  p.raw("</main>\n<script>").raw(kReportPageScript).raw("</script>\n</body></html>\n");
  return out;
}
