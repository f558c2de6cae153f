#include "escape_codes.h"

namespace {

const EscapeInfo kEscapes[] = {
    {VARNEL_ESCAPE_GET_NUM_MODES, "VARNEL_ESCAPE_GET_NUM_MODES", 8, 4, false, -1},
    {VARNEL_ESCAPE_GET_AVAIL_MODES, "VARNEL_ESCAPE_GET_AVAIL_MODES", 8, kModeRecordSize, true, -1},
    {VARNEL_ESCAPE_ENABLE_PORT, "VARNEL_ESCAPE_ENABLE_PORT", 8, 4, false, -1},
    {VARNEL_ESCAPE_GET_NUM_PD_ATTRIBUTES, "VARNEL_ESCAPE_GET_NUM_PD_ATTRIBUTES", 4, 4, false, -1},
    {VARNEL_ESCAPE_GET_AVAIL_PD_ATTRIBUTES, "VARNEL_ESCAPE_GET_AVAIL_PD_ATTRIBUTES", 4, kAttributeSize, true, -1},
    {VARNEL_ESCAPE_SET_PD_ATTRIBUTES, "VARNEL_ESCAPE_SET_PD_ATTRIBUTES", 4 + kAttributeSize, 4, false, -1},
    {IOCTL_VARNEL_SET_ROTATION_FLIP, "IOCTL_VARNEL_SET_ROTATION_FLIP", 12, 0, false, -1},
    {VARNEL_ESCAPE_GET_ROTATION_FLIP, "VARNEL_ESCAPE_GET_ROTATION_FLIP", 4, 8, false, -1},
    {VARNEL_ESCAPE_GET_DRIVER_INFO, "VARNEL_ESCAPE_GET_DRIVER_INFO", 0, kDriverInfoSize, false, -1},
    {VARNEL_ESCAPE_GET_PORT_INFO, "VARNEL_ESCAPE_GET_PORT_INFO", 4, kPortInfoSize, false, -1},
    {VARNEL_ESCAPE_GET_CURRENT_DC, "VARNEL_ESCAPE_GET_CURRENT_DC", 0, 4, false, -1},
    {VARNEL_ESCAPE_GET_DC_LIST, "VARNEL_ESCAPE_GET_DC_LIST", 0, 4, true, -1},
    {VARNEL_ESCAPE_SET_DC, "VARNEL_ESCAPE_SET_DC", kSetDcSize, 0, false, -1},
    {VARNEL_ESCAPE_GET_NUM_DC, "VARNEL_ESCAPE_GET_NUM_DC", 0, 4, false, -1},
    {VARNEL_ESCAPE_GET_OVERLAY_PARAMS, "VARNEL_ESCAPE_GET_OVERLAY_PARAMS", 0, kOverlayParamsSize, false, -1},
    {VARNEL_ESCAPE_SET_OVERLAY_PARAMS, "VARNEL_ESCAPE_SET_OVERLAY_PARAMS", kOverlayParamsSize, 0, false, -1},
    {VARNEL_ESCAPE_GET_EDID_INFO, "VARNEL_ESCAPE_GET_EDID_INFO", 4, kEdidSize, false, -1},
    {VARNEL_ESCAPE_QUERY_GOLDEN_HTOTAL, "VARNEL_ESCAPE_QUERY_GOLDEN_HTOTAL", kModeRecordSize, kModeRecordSize, false, -1},
    {VARNEL_ESCAPE_VIDEO_CRC_START, "VARNEL_ESCAPE_VIDEO_CRC_START", 0, 0, false, -1},
    {VARNEL_ESCAPE_VIDEO_CRC_STOP, "VARNEL_ESCAPE_VIDEO_CRC_STOP", 0, 0, false, -1},
    {VARNEL_ESCAPE_GET_CRC, "VARNEL_ESCAPE_GET_CRC", 0, kCrcBufferSize, false, -1},
    {VARNEL_ESCAPE_GET_CRC_DEBUG_INFO, "VARNEL_ESCAPE_GET_CRC_DEBUG_INFO", 0, 0, false, -1},
    {VARNEL_ESCAPE_GET_SURFACE_DATA, "VARNEL_ESCAPE_GET_SURFACE_DATA", kSurfaceRequestSize, 0, false, -1},
    // Starting the count (input word 1) has no output; reading it has 88 bytes.
    {VARNEL_ESCAPE_GET_VID_RENDERING_INFO, "VARNEL_ESCAPE_GET_VID_RENDERING_INFO", 4, kVideoFpsSize, false, 0},
};

}  // namespace

const EscapeInfo* escape_table(unsigned* count) {
  if (count) *count = sizeof kEscapes / sizeof *kEscapes;
  return kEscapes;
}

const EscapeInfo* find_escape(int32_t code) {
  for (const auto& e : kEscapes)
    if (e.code == code) return &e;
  return nullptr;
}

const char* escape_name(int32_t code) {
  const EscapeInfo* e = find_escape(code);
  return e ? e->name : "UNKNOWN_ESCAPE";
}
