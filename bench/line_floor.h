// The floor of any reader of a report log: reading the file line by line
// and splitting each line into its tokens. Returns the token count, or -1
// when the file cannot be opened.
#pragma once
#include <cstdio>
#include <cstring>

inline long lines_and_tokens(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return -1;
  char line[512];
  long tokens = 0;
  while (std::fgets(line, sizeof line, f))
    for (char* t = std::strtok(line, " \t\r\n"); t; t = std::strtok(nullptr, " \t\r\n")) tokens += t[0] != 0;
  std::fclose(f);
  return tokens;
}
