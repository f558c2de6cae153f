/* Uses the library through its public C header alone. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "lumainfo.h"
#include "support/c_check.h"

_Static_assert(sizeof(opal_mode_t) == 40, "mode record");
_Static_assert(offsetof(opal_mode_t, flags) == 32, "mode flags");
_Static_assert(sizeof(opal_port_info_t) == 556, "port info");
_Static_assert(offsetof(opal_port_info_t, display) == 548, "port display");
_Static_assert(sizeof(opal_disp_port_map_t) == 2256, "mapping entry");
_Static_assert(offsetof(opal_disp_port_map_t, num_ports) == 2252, "mapping count");
_Static_assert(sizeof(opal_driver_info_t) == 796, "driver info");
_Static_assert(offsetof(opal_driver_info_t, signature) == 792, "signature");
_Static_assert(sizeof(opal_port_attribute_t) == 64, "attribute");
_Static_assert(sizeof(opal_overlay_params_t) == 24, "overlay");
_Static_assert(sizeof(opal_video_fps_t) == 88, "video");

int main(void) {
  CHECK(opal_open(0) == EXIT_OK);
  uint32_t dc = opal_get_current_dc();
  CHECK(dc != 0);

  uint32_t* dcs = NULL;
  char** names = NULL;
  uint32_t n = 0;
  CHECK(opal_get_dc_list(&dcs, &names, &n) == EXIT_OK && n > 0);
  if (n > 0) CHECK(strlen(names[0]) > 0);
  opal_free_dc_list(dcs, names, n);

  opal_mode_t* modes = NULL;
  CHECK(opal_get_mode_list(dc, 0, &modes, &n) == EXIT_OK && n > 0);
  opal_free_mode_list(modes);

  opal_port_info_t info;
  CHECK(opal_get_port_info(opal_get_port(dc, 0, 0), &info) == EXIT_OK);
  CHECK(info.width > 0);

  opal_disp_port_map_t* map = NULL;
  CHECK(opal_get_disp_port_mapping(&map, &n) == EXIT_OK && n == 1);
  opal_free_disp_port_mapping(map);

  opal_driver_info_t driver;
  CHECK(opal_get_driver_info(&driver) == EXIT_OK && driver.signature == OPAL_DRIVER_SIGNATURE);
  uint8_t edid[OPAL_EDID_SIZE];
  CHECK(opal_get_display_firmware(PORT_LVDS, 0, edid) == EXIT_OK && edid[1] == 0xFF);
  CHECK(opal_set_flip_rot(PORT_LVDS, 0, 0) == EXIT_OK);
  CHECK(opal_gamma_encode(2.2f) == 0x46);
  /* A C caller may test the free function's result. */
  CHECK(opal_free_frame_buffer(NULL) == EXIT_OK);

  opal_close();
  if (check_failures) return 1;
  printf("1 passed, 0 failed\n");
  return 0;
}
