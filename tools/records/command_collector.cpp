#include "run_records.h"

#include <cstring>

namespace records {

void CommandCollector::command_begin(const CommandBegin& begin) {
  if (depth_++ > 0) return;
  clear();
  current_.name = begin.name ? begin.name : "";
  current_.upper = begin.upper ? begin.upper : "";
  current_.line = begin.line ? begin.line : "";
  for (size_t i = 0; i < begin.argument_count; ++i) current_.arguments.emplace_back(begin.arguments[i]);
}

void CommandCollector::message(int type, const char* text) {
  if (depth_ > 0)
  {
    size_t size = std::strlen(text);
    current_.spans.push_back(CollectedCommand::Span{type, current_.text.size(), size, nullptr});
    current_.text.append(text, size);
    current_.message_bytes += size;
  }
  else
    loose_message(type, text);
}

void CommandCollector::command_end(const CommandEnd& end) {
  if (depth_ == 0 || --depth_ > 0) return;
  current_.exit_code = end.exit_code;
  current_.exit_name = end.exit_name ? end.exit_name : "";
  current_.seconds = end.seconds;
  finished(current_);
  clear();
}

bool CommandCollector::whole_command(const CommandBegin& begin, std::vector<CollectedCommand::Span>& messages,
                                     const CommandEnd& end) {
  if (depth_ > 0) return false;
  command_begin(begin);
  // The caller's spans become the command's for the call, without a copy.
  current_.spans.swap(messages);
  for (const auto& s : current_.spans) current_.message_bytes += s.size;
  command_end(end);
  current_.spans.swap(messages);
  return true;
}

void CommandCollector::clear() {
  // The buffers keep their room: the next dump fills them again.
  current_.name.clear();
  current_.upper.clear();
  current_.line.clear();
  current_.arguments.clear();
  current_.text.clear();
  current_.spans.clear();
  current_.message_bytes = 0;
  current_.exit_code = 0;
  current_.exit_name.clear();
  current_.seconds = 0;
}

}  // namespace records
