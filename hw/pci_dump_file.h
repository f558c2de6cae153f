// Text dumps of PCI configuration space, as get_pci_info reads them: lines
// of at most 256 characters; on a line with a ":" the text after the first
// ":" holds hexadecimal byte values separated by blanks or tabs, and the
// values fill the space in order across lines. Lines without ":", and
// lines whose text after it does not start with a byte value (titles such
// as "00:02.0 VGA compatible controller"), hold no values.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class PciDumpParser {
 public:
  static constexpr size_t kMaxLine = 256;
  static constexpr size_t kSpaceSize = 256;

  // Takes the next line, without its line end. False when the line is
  // refused; error() says why, with the line number.
  bool line(const char* text, size_t length);

  const uint8_t* space() const { return space_; }
  size_t values() const { return values_; }
  // More values than the space holds were given; the first ones were kept.
  bool overflow() const { return overflow_; }
  const std::string& error() const { return error_; }

 private:
  uint8_t space_[kSpaceSize] = {};
  size_t values_ = 0;
  bool overflow_ = false;
  unsigned line_number_ = 0;
  std::string error_;
};
