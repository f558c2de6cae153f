// The display driver's escape codes, with the record sizes each one carries.
#pragma once
#include <cstdint>

enum EscapeCode : int32_t {
  VARNEL_ESCAPE_GET_NUM_MODES = 0x20001,
  VARNEL_ESCAPE_GET_AVAIL_MODES = 0x20002,
  VARNEL_ESCAPE_ENABLE_PORT = 0x20005,
  VARNEL_ESCAPE_GET_NUM_PD_ATTRIBUTES = 0x20007,
  VARNEL_ESCAPE_GET_AVAIL_PD_ATTRIBUTES = 0x20008,
  VARNEL_ESCAPE_SET_PD_ATTRIBUTES = 0x20009,
  IOCTL_VARNEL_SET_ROTATION_FLIP = 0x2000E,
  VARNEL_ESCAPE_GET_ROTATION_FLIP = 0x2000F,
  VARNEL_ESCAPE_GET_DRIVER_INFO = 0x20012,
  VARNEL_ESCAPE_GET_PORT_INFO = 0x20014,
  VARNEL_ESCAPE_GET_CURRENT_DC = 0x20015,
  VARNEL_ESCAPE_GET_DC_LIST = 0x20016,
  VARNEL_ESCAPE_SET_DC = 0x20017,
  VARNEL_ESCAPE_GET_NUM_DC = 0x20018,
  VARNEL_ESCAPE_GET_OVERLAY_PARAMS = 0x20019,
  VARNEL_ESCAPE_SET_OVERLAY_PARAMS = 0x2001A,
  VARNEL_ESCAPE_GET_EDID_INFO = 0x20024,
  VARNEL_ESCAPE_QUERY_GOLDEN_HTOTAL = 0x20026,
  VARNEL_ESCAPE_VIDEO_CRC_START = 0x20500,
  VARNEL_ESCAPE_VIDEO_CRC_STOP = 0x20501,
  VARNEL_ESCAPE_GET_CRC = 0x20502,
  VARNEL_ESCAPE_GET_CRC_DEBUG_INFO = 0x20503,
  VARNEL_ESCAPE_GET_SURFACE_DATA = 0x20510,
  VARNEL_ESCAPE_GET_VID_RENDERING_INFO = 0x20600,
};

struct EscapeInfo {
  int32_t code;
  const char* name;
  int32_t in_size;
  int32_t out_size;       // fixed size, or the element size when per_count
  bool per_count;         // output is out_size x n
  int32_t alt_out_size;   // a second valid output size (-1: none)
};

// The table of every escape, in code order.
const EscapeInfo* escape_table(unsigned* count);
// The row of `code`, or null.
const EscapeInfo* find_escape(int32_t code);
// The escape's name, or "UNKNOWN_ESCAPE".
const char* escape_name(int32_t code);

// Record sizes fixed by the driver's interface.
constexpr int32_t kModeRecordSize = 40;
constexpr int32_t kPortInfoSize = 556;
constexpr int32_t kDriverInfoSize = 796;
constexpr int32_t kDriverSignatureOffset = 792;
constexpr uint32_t kDriverSignature = 0xE1D0;
constexpr int32_t kAttributeSize = 64;
constexpr int32_t kOverlayParamsSize = 24;
constexpr int32_t kEdidSize = 128;
constexpr int32_t kSetDcSize = 40;
constexpr int32_t kVideoFpsSize = 88;
constexpr int32_t kCrcBufferSize = 4000;
constexpr int32_t kSurfaceRequestSize = 256;
