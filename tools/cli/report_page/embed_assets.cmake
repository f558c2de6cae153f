# Writes OUT, a C++ source holding the page's style sheet and script as
# strings and their SHA-256 digests: cmake -DCSS=... -DJS=... -DOUT=... -P
file(READ "${CSS}" css)
file(READ "${JS}" js)
string(SHA256 css_sha "${css}")
string(SHA256 js_sha "${js}")
foreach(text css js)
  string(FIND "${${text}}" ")luma_asset\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${text} holds the raw string delimiter")
  endif()
endforeach()
file(WRITE "${OUT}.tmp" "// Generated from report_page.css and report_page.js; edit those.
#include \"page_assets.h\"
const char kReportPageStyle[] = R\"luma_asset(${css})luma_asset\";
const char kReportPageStyleSha256[] = \"${css_sha}\";
const char kReportPageScript[] = R\"luma_asset(${js})luma_asset\";
const char kReportPageScriptSha256[] = \"${js_sha}\";
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
