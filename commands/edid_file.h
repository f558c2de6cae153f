// EDID text files: lines of at most 255 characters holding words of 8
// hexadecimal digits, each entering the block least significant byte first.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kEdidFileMaxWords = 64;
constexpr int kEdidFileLineMax = 255;

enum class EdidFileStatus {
  Ok,           // words read (a short file leaves the rest of the block 0)
  NotFound,     // the file cannot be opened
  Empty,        // not one word in it
  BadToken,     // a token that is not 8 hexadecimal digits
  LineTooLong,  // a line of more than 255 characters
  NulByte,      // a NUL byte, which is no text (it would hide the rest of its line)
};

struct EdidFileResult {
  EdidFileStatus status = EdidFileStatus::Ok;
  int words = 0;           // words stored (at most 64)
  int ignored_words = 0;   // well-formed words after the 64th
  int line = 0;            // the line of a BadToken / LineTooLong / NulByte
  std::string token;       // the offending token
};

// Reads `path` (a Windows path) into `data` (64 words = 256 bytes, zeroed
// first).
EdidFileResult read_edid_file(const char* path, uint8_t (&data)[kEdidFileMaxWords * 4]);
// The same over the file's bytes already in memory.
EdidFileResult read_edid_text(const char* text, size_t size, uint8_t (&data)[kEdidFileMaxWords * 4]);
