/* Checks for the test programs written in C: a failed check is reported
 * with its line and counted; main returns CHECK_RESULT. */
#ifndef LUMA_C_CHECK_H
#define LUMA_C_CHECK_H
#include <stdio.h>

static int check_failures = 0;
#define CHECK(cond)                                              \
  do {                                                           \
    if (!(cond)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
      ++check_failures;                                          \
    }                                                            \
  } while (0)
#define CHECK_RESULT (check_failures ? 1 : 0)

#endif
