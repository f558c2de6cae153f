// Port attributes, overlay colour parameters, the monitor's EDID, the
// driver's identity, the video frame rate and the golden htotal.
#include <cstdlib>
#include <cstring>

#include "core/msglog.h"
#include "display_internal.h"

namespace {
void error(const char* text) {
  if (vol_above(0)) writeMsg(MSG_ERROR, "%s", text);
}
}  // namespace

extern "C" opal_exit_t opal_get_driver_info(opal_driver_info_t* info) {
  if (!info) {
    error("ERROR: Invalid pointer to driver info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  opal_driver_info_t reply{};
  if (opal_exit_t rc = send_escape_checked(nullptr, &reply, VARNEL_ESCAPE_GET_DRIVER_INFO, 0, sizeof reply))
    return rc;
  reply.product_name[sizeof reply.product_name - 1] = 0;
  reply.second_text[sizeof reply.second_text - 1] = 0;
  reply.build_date[sizeof reply.build_date - 1] = 0;
  *info = reply;
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_port_attributes(uint32_t port, opal_port_attribute_t** table, uint32_t* count) {
  if (!count || !table) {
    error("ERROR: Input number of attributes pointer is NULL. Caller must specify a NON NULL pointer");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint32_t n = 0;
  if (opal_exit_t rc = send_escape_checked(&port, &n, VARNEL_ESCAPE_GET_NUM_PD_ATTRIBUTES, sizeof port, sizeof n))
    return rc;
  *table = nullptr;
  *count = 0;
  if (n > kMaxTableBytes / sizeof(opal_port_attribute_t)) {
    if (vol_above(0)) writeMsg(MSG_ERROR, "ERROR: The driver reported %u attributes, more than can be listed", n);
    return EXIT_INVALID_PARAM_ERROR;
  }
  auto* attrs = static_cast<opal_port_attribute_t*>(std::calloc(n ? n : 1, sizeof(opal_port_attribute_t)));
  if (!attrs) return EXIT_INVALID_PARAM_ERROR;
  *table = attrs;
  *count = n;
  opal_exit_t rc = send_escape_checked(&port, attrs, VARNEL_ESCAPE_GET_AVAIL_PD_ATTRIBUTES, sizeof port,
                                       static_cast<int32_t>(n * sizeof(opal_port_attribute_t)));
  for (uint32_t i = 0; i < n; ++i) attrs[i].name[sizeof attrs[i].name - 1] = 0;
  return rc;
}

extern "C" void opal_free_port_attributes(void* table) { std::free(table); }
extern "C" opal_exit_t opal_free_frame_buffer(void* buffer) {
  opal_free_port_attributes(buffer);
  return EXIT_OK;
}

extern "C" opal_exit_t opal_set_port_attributes(uint32_t port, const opal_port_attribute_t* attribute) {
  if (!attribute) {
    error("ERROR: Input attributes pointer is NULL. Caller must specify a NON NULL pointer");
    return EXIT_INVALID_PARAM_ERROR;
  }
  unsigned char request[4 + sizeof(opal_port_attribute_t)];
  std::memcpy(request, &port, 4);
  std::memcpy(request + 4, attribute, sizeof *attribute);
  uint32_t status = 0;
  return send_escape_checked(request, &status, VARNEL_ESCAPE_SET_PD_ATTRIBUTES, sizeof request, sizeof status);
}

extern "C" opal_exit_t opal_get_overlay_params(opal_overlay_params_t* params) {
  if (!params) {
    error("ERROR: Invalid pointer to color params");
    return EXIT_INVALID_PARAM_ERROR;
  }
  opal_overlay_params_t reply{};
  if (send_escape(nullptr, &reply, VARNEL_ESCAPE_GET_OVERLAY_PARAMS, 0, sizeof reply) != 0) {
    error("ERROR: Cannot read the overlay colour parameters");
    return EXIT_OS_CALL_ERROR;
  }
  *params = reply;
  return EXIT_OK;
}

extern "C" opal_exit_t opal_set_overlay_params(const opal_overlay_params_t* params) {
  if (!params) {
    error("ERROR: Invalid pointer to color params");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (send_escape(params, nullptr, VARNEL_ESCAPE_SET_OVERLAY_PARAMS, sizeof *params, 0) != 0) {
    error("ERROR: Cannot set the overlay colour parameters");
    return EXIT_OS_CALL_ERROR;
  }
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_display_firmware(uint32_t port, uint32_t, uint8_t* edid) {
  if (!edid) {
    error("ERROR: Invalid pointer to firmware info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  uint8_t block[OPAL_EDID_SIZE] = {};
  if (opal_exit_t rc = send_escape_checked(&port, block, VARNEL_ESCAPE_GET_EDID_INFO, sizeof port, sizeof block))
    return rc;
  std::memcpy(edid, block, sizeof block);
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_video_fps(uint32_t command, opal_video_fps_t* info) {
  if (command == OPAL_VIDEO_FPS_START)
    return send_escape_checked(&command, nullptr, VARNEL_ESCAPE_GET_VID_RENDERING_INFO, sizeof command, 0);
  if (!info) {
    error("ERROR: Invalid pointer to video fps info");
    return EXIT_INVALID_PARAM_ERROR;
  }
  opal_video_fps_t reply{};
  if (opal_exit_t rc =
          send_escape_checked(&command, &reply, VARNEL_ESCAPE_GET_VID_RENDERING_INFO, sizeof command, sizeof reply))
    return rc;
  *info = reply;
  return EXIT_OK;
}

extern "C" opal_exit_t opal_get_golden_htotal(opal_mode_t** input, opal_mode_t** output) {
  if (!output || !*output) {
    if (vol_above(0)) writeMsg(MSG_WARNING, "ERROR: Output mode NULL. Caller must allocate memory for output");
    return EXIT_INVALID_PARAM_ERROR;
  }
  if (!input || !*input) {
    error("ERROR: Input mode NULL. Caller must specify a NON NULL mode");
    return EXIT_INVALID_PARAM_ERROR;
  }
  opal_mode_t reply{};
  if (opal_exit_t rc = send_escape_checked(*input, &reply, VARNEL_ESCAPE_QUERY_GOLDEN_HTOTAL, sizeof(opal_mode_t),
                                           sizeof reply))
    return rc;
  **output = reply;
  return EXIT_OK;
}
