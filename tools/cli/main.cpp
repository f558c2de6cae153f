#include "cli_tool.h"

int main(int argc, char** argv) { return cli_main(argc, argv); }
