// The driver's video CRC collection and the surface-data request: escapes
// with no help text, acting whenever they are called.
#include <cstring>

#include "core/escape.h"
#include "core/msglog.h"
#include "hw/frame_capture.h"

namespace {

// CRCs a 4000-byte reply holds after its count.
constexpr uint32_t kCrcSlots = (kCrcBufferSize - 4) / 4;

// They write no result lines: a count left as the caller set it would
// have the interpreter print stale slots.
opal_exit_t plain_escape(cmd_args_t* args, int32_t code) {
  if (args) args->count = 0;
  return send_escape_checked(nullptr, nullptr, code, 0, 0);
}

}  // namespace

opal_exit_t cmd_video_crc_start(cmd_args_t* args) { return plain_escape(args, VARNEL_ESCAPE_VIDEO_CRC_START); }
opal_exit_t cmd_video_crc_stop(cmd_args_t* args) { return plain_escape(args, VARNEL_ESCAPE_VIDEO_CRC_STOP); }
opal_exit_t cmd_get_crc_debug_info(cmd_args_t* args) {
  return plain_escape(args, VARNEL_ESCAPE_GET_CRC_DEBUG_INFO);
}

opal_exit_t cmd_get_crc(cmd_args_t* args) {
  if (args) args->count = 0;
  uint8_t reply[kCrcBufferSize] = {};
  opal_exit_t r = send_escape_checked(nullptr, reply, VARNEL_ESCAPE_GET_CRC, 0, kCrcBufferSize);
  if (r != EXIT_OK) return r;
  uint32_t count;
  std::memcpy(&count, reply, 4);
  if (vol_above(0)) writeMsg(MSG_PLAIN, "There are %d frames decoded.", static_cast<int>(count));
  uint32_t listed = count;
  if (count > kCrcSlots) {
    listed = kCrcSlots;
    if (vol_above(0))
      writeMsg(MSG_WARNING, "WARNING: The reply holds the CRCs of %u frames; the rest are not shown.",
               static_cast<unsigned>(kCrcSlots));
  }
  for (uint32_t i = 0; i < listed && vol_above(0); ++i) {
    uint32_t crc;
    std::memcpy(&crc, reply + 4 + 4 * i, 4);
    writeMsg(MSG_PLAIN, "CRC for frame %d is %08X", static_cast<int>(i + 1), crc);
  }
  return EXIT_OK;
}

opal_exit_t cmd_get_surface_data(cmd_args_t* args) {
  if (!args) return EXIT_INVALID_PARAM_ERROR;
  // The argument slot as it is: its text, zero-filled after it.
  char request[kSurfaceRequestSize] = {};
  std::memcpy(request, args->slot[1], strnlen(args->slot[1], sizeof request));
  args->count = 0;
  return send_escape_checked(request, nullptr, VARNEL_ESCAPE_GET_SURFACE_DATA, kSurfaceRequestSize, 0);
}
