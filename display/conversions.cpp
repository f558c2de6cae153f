// Colour value conversions between the driver's words and the values a
// user sees.
#include <cmath>
#include <ctime>

#include "lumainfo.h"

extern "C" float opal_gamma_decode(uint8_t value) {
  float v = static_cast<float>(value >> 5);
  float part = 0.5f;
  for (int bit = 4; bit >= 0; --bit, part /= 2)
    if (value & (1u << bit)) v += part;
  // One decimal, halves up, with the single-precision constants the
  // driver's own tools use.
  float t = std::trunc(v * 10.0f) / 10.0f;
  return v - t >= 0.05f ? t + 0.1f : t;
}

extern "C" uint8_t opal_gamma_encode(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 8.0f) return 0xFF;
  uint32_t integer = static_cast<uint32_t>(value);
  float rest = value - static_cast<float>(integer);
  uint8_t out = static_cast<uint8_t>(integer << 5);
  float part = 0.5f;
  for (int bit = 4; bit >= 0; --bit, part /= 2)
    if (rest >= part) {
      out |= static_cast<uint8_t>(1u << bit);
      rest -= part;
    }
  return out;
}

extern "C" uint32_t opal_overlay_to_scale(uint32_t word) {
  uint32_t w = word > 65535u ? 65535u : word;
  return w * 200u / 65535u;
}

extern "C" uint32_t opal_scale_to_overlay(uint32_t value) {
  uint64_t s = static_cast<uint64_t>(value) * 65535u / 200u;
  if (s > 0xFFFFFFFFull) s = 0xFFFFFFFFull;
  return s < 65535u ? static_cast<uint32_t>(s) + 1u : static_cast<uint32_t>(s);
}

extern "C" int32_t opal_color_byte_decode(uint8_t byte) { return byte == 0 ? -127 : static_cast<int32_t>(byte) - 128; }

extern "C" uint8_t opal_color_byte_encode(int32_t value) {
  if (value < -127) value = -127;
  if (value > 127) value = 127;
  return static_cast<uint8_t>(value + 128);
}

extern "C" uint8_t opal_color_channel(uint32_t word, uint32_t channel) {
  if (channel > 2) return 0;
  return static_cast<uint8_t>(word >> (16 - 8 * channel));
}

namespace {
// A time of the driver's record; false for fields no calendar date holds
// (a driver's garbage gives no rate rather than an overflow).
bool to_time(const opal_time_t& t, std::time_t& out) {
  if (t.seconds > 60 || t.minutes > 59 || t.hours > 23 || t.day_of_month < 1 || t.day_of_month > 31 ||
      t.month < 1 || t.month > 12 || t.year < 1900 || t.year > 9999)
    return false;
  std::tm tm{};
  tm.tm_sec = static_cast<int>(t.seconds);
  tm.tm_min = static_cast<int>(t.minutes);
  tm.tm_hour = static_cast<int>(t.hours);
  tm.tm_mday = static_cast<int>(t.day_of_month);
  tm.tm_mon = static_cast<int>(t.month) - 1;
  tm.tm_year = static_cast<int>(t.year) - 1900;
  tm.tm_isdst = 0;
  out = std::mktime(&tm);
  return out != static_cast<std::time_t>(-1);
}
}  // namespace

extern "C" double opal_video_fps_rate(const opal_video_fps_t* info) {
  if (!info) return 0.0;
  std::time_t start, stop;
  if (!to_time(info->start, start) || !to_time(info->stop, stop)) return 0.0;
  double seconds = std::difftime(stop, start);
  // A zero or backward interval gives no rate instead of a division by zero.
  if (seconds <= 0) return 0.0;
  double frames = info->field == 1 ? info->frames / 2.0 : info->frames;
  return frames / seconds;
}
