// luma_cli: the console interpreter over the full command set, writing
// luma_cli.log.
#pragma once

// Runs the tool as its main function does; returns the exit status.
int cli_main(int argc, char** argv);
