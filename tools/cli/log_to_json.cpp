#include "log_to_json.h"

#include <cstring>
#include <string>

#include "commands/offline_commands.h"
#include "core/command_table.h"
#include "core/records.h"
#include "oal/files.h"
#include "records/log_records.h"
#include "records/run_records.h"

namespace {

bool read_whole(const char* path, std::string& text) {
  FILE* f = oal::fopen(path, "rb");
  if (!f) return false;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace

int log_to_json(const char* log_path, FILE* out) {
  std::string text;
  if (!read_whole(log_path, text)) {
    std::fprintf(stderr, "ERROR: Failed to open %s\n", log_path);
    return kToJsonUnreadable;
  }
  records::JsonLinesWriter writer(out, records::log_run_info(text.data(), text.size(), log_path));
  records::replay_log_blocks(text.data(), text.size(), writer);

  // The capture's registers, as parse_qrt prints them; its text goes into
  // the records only, standard output being the JSON.
  {
    records::ScopedListener listen(&writer);
    records::ScopedTextToListenersOnly quiet;
    cmd_args_t args;
    std::memset(&args, 0, sizeof args);
    std::snprintf(args.slot[0], sizeof args.slot[0], "%s", "parse_qrt");
    std::snprintf(args.slot[1], sizeof args.slot[1], "%s", log_path);
    args.count = 2;
    std::string line = std::string("parse_qrt ") + log_path;
    const char* arguments[] = {log_path};
    records::command_begin(records::CommandBegin{"parse_qrt", "PARSE_QRT", line.c_str(), arguments, 1});
    opal_exit_t rc = cmd_parse_qrt(&args);
    records::command_end(static_cast<int>(rc), "parse_qrt");
  }
  return writer.finish() ? kToJsonDone : kToJsonWriteFailed;
}
