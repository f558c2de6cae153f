// Standard output redirected to an unlinked temporary file while the object
// lives, as in a report run whose output goes to its log.
#pragma once
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

class RedirectedStdout {
 public:
  RedirectedStdout() {
    std::fflush(stdout);
    saved_ = dup(1);
    char name[] = "/tmp/luma-bench-XXXXXX";
    int fd = mkstemp(name);
    unlink(name);
    dup2(fd, 1);
    close(fd);
  }
  ~RedirectedStdout() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }
  RedirectedStdout(const RedirectedStdout&) = delete;
  RedirectedStdout& operator=(const RedirectedStdout&) = delete;

 private:
  int saved_;
};
