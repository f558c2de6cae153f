// libFuzzer entry: the registry texts program start reads (a video device
// path and the "NoAttribPage" number) through the attributes-page search.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "startup.h"

namespace {

// Every read answers from the fuzzer's bytes: texts up to a zero byte.
class BytesRegistry : public gui::MachineRegistry {
 public:
  BytesRegistry(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool read_text(const std::string&, const std::string&, std::string& text) override {
    if (pos_ >= size_) return false;
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(data_ + pos_, 0, size_ - pos_));
    size_t n = end ? static_cast<size_t>(end - (data_ + pos_)) : size_ - pos_;
    text.assign(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n + 1;
    return true;
  }
  bool read_dword(const std::string&, const std::string&, uint32_t& number) override {
    if (size_ - pos_ < 4 || pos_ > size_) return false;
    std::memcpy(&number, data_ + pos_, 4);
    pos_ += 4;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path(reinterpret_cast<const char*>(data), size);
  std::string key = gui::device_key_of(path);
  if (key.size() > path.size()) __builtin_trap();
  BytesRegistry registry(data, size);
  (void)gui::attributes_page_hidden(registry);
  return 0;
}
