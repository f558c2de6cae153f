// luma_cli --html OUT.html LOG [OTHER_LOG]: a report log (or two, compared)
// as one self-contained web page.
#pragma once

// Exit statuses.
constexpr int kHtmlWritten = 0;
constexpr int kHtmlUnreadable = 2;  // a log cannot be read, or the arguments are wrong
constexpr int kHtmlNotWritten = 4;  // the page cannot be written

// Writes the page of `log` (compared with `other_log` when it is not null)
// to `out_path`; returns one of the statuses above.
int write_html_report(const char* out_path, const char* log, const char* other_log);
