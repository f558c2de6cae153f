// The console report tool: banner, usage, the report log and the command
// loop over the command set.
#pragma once

// Runs the tool as its main function does; returns the exit status.
int qrt_main(int argc, char** argv);
