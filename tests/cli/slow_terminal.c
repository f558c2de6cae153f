/* Preloaded into luma_cli by the terminal tests: every change of the
 * terminal's mode stalls, as it may on a loaded machine, so keys typed the
 * moment the prompt shows meet the terminal before the line editor has
 * taken it over. Each stall adds a line to $SLOW_TERMINAL_LOG, so a test
 * can tell the shim was in effect. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

__attribute__((visibility("default"))) int tcsetattr(int fd, int action, const struct termios* mode) {
  static int (*real)(int, int, const struct termios*);
  if (!real) real = (int (*)(int, int, const struct termios*))dlsym(RTLD_NEXT, "tcsetattr");
  const char* log = getenv("SLOW_TERMINAL_LOG");
  FILE* f = log ? fopen(log, "a") : NULL;
  if (f) {
    fputs("stalled\n", f);
    fclose(f);
  }
  usleep(150000);
  return real(fd, action, mode);
}
