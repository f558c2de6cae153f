// Several processes on one simulated machine, started together.
#pragma once
#include <sys/types.h>

#include <functional>
#include <vector>

// Forks `count` children that each wait until all are forked, then run
// `work(index)` and exit with its result (an exception or crash is a
// failure). Returns when all have ended: each child's exit status, or -1
// for one that did not exit by itself (killed, crashed).
std::vector<int> run_together(int count, const std::function<int(int index)>& work);

// The same, but returns at once with the children's process ids; `finish`
// collects their statuses.
std::vector<pid_t> start_together(int count, const std::function<int(int index)>& work);
std::vector<int> finish(const std::vector<pid_t>& children);
