// Standard output redirected to a file for the life of the object, as in a
// report run: an anonymous temporary file, or the named one.
#pragma once
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

class RedirectedStdout {
 public:
  explicit RedirectedStdout(const char* path = nullptr) {
    std::fflush(stdout);
    saved_ = dup(1);
    char name[] = "/tmp/luma-bench-XXXXXX";
    int fd = path ? ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600) : mkstemp(name);
    if (!path) unlink(name);
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
