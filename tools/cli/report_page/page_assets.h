// The page's style sheet and script, compiled in from report_page.css and
// report_page.js, with the SHA-256 digests (hex) the content security
// policy names them by.
#pragma once

extern const char kReportPageStyle[];
extern const char kReportPageStyleSha256[];
extern const char kReportPageScript[];
extern const char kReportPageScriptSha256[];
