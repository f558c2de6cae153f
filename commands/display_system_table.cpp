// The display and system table's handlers.
#include "display_commands.h"
#include "edid_report.h"
#include "handler_tables.h"
#include "handlers.h"
#include "system_commands.h"

namespace {

constexpr CommandHandlerRow kRows[] = {
    handler_row<CMD_GET_OS_NAME, cmd_get_os_name>(),
    handler_row<CMD_GET_CHIPSET_NAME, cmd_get_chipset_name>(),
    handler_row<CMD_GET_SYSTEM_MEMORY, cmd_get_sys_mem>(),
    handler_row<CMD_GET_CPU_INFO, cmd_get_cpu_info>(),
    handler_row<CMD_GET_DRIVER_VERSION, cmd_get_driver_version>(),
    handler_row<CMD_GET_SYS_BIOS_VERSION, cmd_get_sys_bios_version>(),
    handler_row<CMD_GET_ROT_STATUS, cmd_get_rot_status>(),
    handler_row<CMD_GET_EDID_INFO, cmd_get_edid_info>(),
    handler_row<CMD_GET_PORT_ATTRIB, cmd_get_port_attrib>(),
    handler_row<CMD_GET_CURRENT_DISP_MODE, cmd_get_current_disp_mode>(),
    handler_row<CMD_SET_DISPLAY_MODE, cmd_set_display_mode>(),
    handler_row<CMD_ENABLE_PORT, cmd_enable_port>(),
    handler_row<CMD_DISABLE_PORT, cmd_disable_port>(),
    handler_row<CMD_GET_CURRENT_DC, cmd_get_cur_dc>(),
    handler_row<CMD_WAIT, cmd_wait>(),
    handler_row<CMD_SET_SCRN_RES, cmd_set_scrn_res>(),
    handler_row<CMD_ROTATE, cmd_rotate>(),
    handler_row<CMD_FLIP, cmd_flip>(),
    handler_row<CMD_GET_DC_LIST, cmd_get_dc_list>(),
    handler_row<CMD_GET_DRIVER_MODE_LIST, cmd_get_drv_mode_list>(),
    handler_row<CMD_GET_VIDEO_FPS, cmd_get_video_fps>(),
    handler_row<CMD_GET_DISP_PORT_MAPPING, cmd_get_disp_port_map>(),
};

}  // namespace

extern const CommandHandlerTable display_system_handlers = {kRows, sizeof kRows / sizeof *kRows};
