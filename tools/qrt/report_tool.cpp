#include "report_tool.h"

#include "console/console_tool.h"

int qrt_main(int argc, char** argv) { return console_main({"LUMA_QRT", "luma_qrt.log"}, argc, argv); }

int qrt_run(int argc, char** argv, FILE* input) {
  return console_run({"LUMA_QRT", "luma_qrt.log"}, argc, argv, input);
}
