#include "run_records.h"

namespace records {

void CommandCollector::command_begin(const CommandBegin& begin) {
  if (depth_++ > 0) return;
  current_ = CollectedCommand{};
  current_.name = begin.name ? begin.name : "";
  current_.upper = begin.upper ? begin.upper : "";
  current_.line = begin.line ? begin.line : "";
  for (size_t i = 0; i < begin.argument_count; ++i) current_.arguments.emplace_back(begin.arguments[i]);
}

void CommandCollector::message(int type, const char* text) {
  if (depth_ > 0)
    current_.messages.emplace_back(type, text);
  else
    loose_message(type, text);
}

void CommandCollector::command_end(const CommandEnd& end) {
  if (depth_ == 0 || --depth_ > 0) return;
  current_.exit_code = end.exit_code;
  current_.exit_name = end.exit_name ? end.exit_name : "";
  current_.seconds = end.seconds;
  finished(current_);
  current_ = CollectedCommand{};
}

}  // namespace records
