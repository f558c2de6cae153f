// The report page: one self-contained HTML file (its style and script
// inline, nothing loaded from anywhere) showing one log, or two logs
// compared.
#pragma once
#include <string>

#include "page_model.h"

struct LogComparison;

// The page of `first`; with `second` and their comparison, the two side by
// side with the registers that differ marked.
std::string render_report_page(const PageLog& first, const PageLog* second = nullptr,
                               const LogComparison* comparison = nullptr);

// The page's content security policy: nothing from outside, only its own
// style and script (by their digests).
std::string report_page_policy();
