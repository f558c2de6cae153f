#include "report_tool.h"

int main(int argc, char** argv) { return qrt_main(argc, argv); }
