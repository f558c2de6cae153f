/* A program of the library's users: opens a session that installs the
   register access driver, which reads the graphics device id, and prints
   the device id and the chipset name. */
#include <stdio.h>

#include <lumainfo.h>

int main(void) {
  opal_chipset_info_t chipset;
  opal_exit_t code = opal_open(1);
  if (code != EXIT_OK) {
    fprintf(stderr, "opal_open: %u\n", (unsigned)code);
    return 1;
  }
  code = opal_get_chipset_name(&chipset);
  opal_close();
  if (code != EXIT_OK) {
    fprintf(stderr, "opal_get_chipset_name: %u\n", (unsigned)code);
    return 1;
  }
  printf("%04X %s\n", chipset.device_id, chipset.name);
  return 0;
}
