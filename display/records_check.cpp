// The public records must match the driver's byte layout exactly.
#include <cstddef>

#include "lumainfo.h"

static_assert(sizeof(opal_mode_t) == 40);
static_assert(offsetof(opal_mode_t, refresh) == 4);
static_assert(offsetof(opal_mode_t, flags) == 32);
static_assert(sizeof(opal_port_info_t) == 556);
static_assert(offsetof(opal_port_info_t, pd_name) == 28);
static_assert(offsetof(opal_port_info_t, user_alias) == 284);
static_assert(offsetof(opal_port_info_t, pd_version) == 540);
static_assert(offsetof(opal_port_info_t, display) == 548);
static_assert(offsetof(opal_port_info_t, mode_flags) == 552);
static_assert(sizeof(opal_port_slot_t) == 560);
static_assert(sizeof(opal_disp_port_map_t) == 2256);
static_assert(offsetof(opal_disp_port_map_t, is_primary) == 8);
static_assert(offsetof(opal_disp_port_map_t, ports) == 12);
static_assert(offsetof(opal_disp_port_map_t, num_ports) == 2252);
static_assert(sizeof(opal_driver_info_t) == 796);
static_assert(offsetof(opal_driver_info_t, major) == 512);
static_assert(offsetof(opal_driver_info_t, build_date) == 524);
static_assert(offsetof(opal_driver_info_t, signature) == 792);
static_assert(sizeof(opal_port_attribute_t) == 64);
static_assert(offsetof(opal_port_attribute_t, name) == 8);
static_assert(offsetof(opal_port_attribute_t, flags) == 40);
static_assert(offsetof(opal_port_attribute_t, driver_data) == 60);
static_assert(sizeof(opal_overlay_params_t) == 24);
static_assert(sizeof(opal_video_fps_t) == 88);
static_assert(offsetof(opal_video_fps_t, start) == 16);
static_assert(offsetof(opal_video_fps_t, stop) == 52);
