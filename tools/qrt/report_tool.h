// The console report tool: the console interpreter over the console
// command set, writing luma_qrt.log.
#pragma once

// Runs the tool as its main function does; returns the exit status.
int qrt_main(int argc, char** argv);
