#include "run_outputs.h"

#include <cerrno>
#include <cstring>

#include "core/session.h"
#include "hw/hw_regs.h"
#include "lumainfo.h"
#include "oal/files.h"

namespace records {

bool parse_output_options(int argc, char** argv, OutputOptions& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string* target = std::strcmp(argv[i], "--junit") == 0 ? &options.junit
                          : std::strcmp(argv[i], "--json") == 0 ? &options.json
                                                                : nullptr;
    if (!target) continue;
    if (i + 1 >= argc || !*argv[i + 1]) {
      error = std::string(argv[i]) + " needs a file name";
      return false;
    }
    *target = argv[++i];
  }
  return true;
}

RunInfo live_run_info(const char* tool, const char* version, bool automatic) {
  RunInfo info;
  info.tool = tool;
  info.tool_version = version;
  info.mode = automatic ? "automatic" : "script";
  opal_chipset_info_t chipset{};
  if (opal_get_chipset_name(&chipset) == EXIT_OK) {
    chipset.name[sizeof chipset.name - 1] = '\0';
    info.has_chipset = true;
    info.device_id = chipset.device_id;
    info.revision = chipset.revision;
    info.chipset_name = chipset.name;
  }
  // The session's family object when it carries one, else the family the
  // device id names.
  if (session.family)
    info.family = family_short_name(session.family->family_id());
  else if (info.has_chipset)
    info.family = family_short_name(family_id_of_device(info.device_id));
  return info;
}

RunOutputs::~RunOutputs() {
  if (shared_) remove_listener(shared_.get());
  if (junit_file_) std::fclose(junit_file_);
  if (json_file_) std::fclose(json_file_);
}

bool RunOutputs::open(const OutputOptions& options, const RunInfo& info, std::string& error) {
  auto open_file = [&](const std::string& path, FILE*& file) {
    if (path.empty()) return true;
    file = oal::fopen(path.c_str(), "wb");
    if (!file) error = "Cannot write " + path + ": " + std::strerror(errno);
    return file != nullptr;
  };
  if (!open_file(options.junit, junit_file_) || !open_file(options.json, json_file_)) return false;
  std::vector<CommandCollector*> writers;
  if (junit_file_) {
    junit_ = std::make_unique<JunitWriter>(info);
    writers.push_back(junit_.get());
  }
  if (json_file_) {
    json_ = std::make_unique<JsonLinesWriter>(json_file_, info);
    writers.push_back(json_.get());
  }
  if (!writers.empty()) {
    shared_ = std::make_unique<SharedCollector>(std::move(writers));
    add_listener(shared_.get());
  }
  return true;
}

bool RunOutputs::finish() {
  bool ok = true;
  if (shared_) remove_listener(shared_.get());
  shared_.reset();
  if (junit_) ok = junit_->finish(junit_file_) && ok;
  if (json_) ok = json_->finish() && ok;
  for (FILE** f : {&junit_file_, &json_file_})
    if (*f) {
      ok = std::fclose(*f) == 0 && ok;
      *f = nullptr;
    }
  junit_.reset();
  json_.reset();
  return ok;
}

}  // namespace records
