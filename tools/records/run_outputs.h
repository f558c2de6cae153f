// The files a console run writes for machines beside its report log:
// "--junit FILE" and "--json FILE", opened before the run and completed
// after it.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "run_records.h"

namespace records {

struct OutputOptions {
  std::string junit;  // empty: none
  std::string json;
};

// Reads "--junit FILE" and "--json FILE" among the arguments. False, with
// `error` set, when one lacks its file name.
bool parse_output_options(int argc, char** argv, OutputOptions& options, std::string& error);

// The machine the session runs on, as the writers name it.
RunInfo live_run_info(const char* tool, const char* version, bool automatic);

// Owns the writers of one run and their files, installed as listeners
// while it lives.
class RunOutputs {
 public:
  RunOutputs() = default;
  ~RunOutputs();
  RunOutputs(const RunOutputs&) = delete;
  RunOutputs& operator=(const RunOutputs&) = delete;

  // Opens the files and installs the writers; false, with `error` set,
  // when a file cannot be written.
  bool open(const OutputOptions& options, const RunInfo& info, std::string& error);
  JunitWriter* junit() { return junit_.get(); }
  // Completes and closes the files; false when a write failed.
  bool finish();

 private:
  FILE* junit_file_ = nullptr;
  FILE* json_file_ = nullptr;
  std::unique_ptr<JunitWriter> junit_;
  std::unique_ptr<JsonLinesWriter> json_;
  // The one listener installed: both writers share its collection.
  std::unique_ptr<SharedCollector> shared_;
};

}  // namespace records
