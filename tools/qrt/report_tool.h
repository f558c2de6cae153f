// The console report tool: the console interpreter over the console
// command set, writing luma_qrt.log.
#pragma once
#include <cstdio>

// Runs the tool as its main function does; returns the exit status.
int qrt_main(int argc, char** argv);
// The same reading scripted command lines from `input` instead of stdin.
int qrt_run(int argc, char** argv, FILE* input);
