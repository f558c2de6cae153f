// The two shared libraries export what their lists say: lumaui has the
// GUI's functions and opal_en_dis_port, and lacks what only lumainfo has.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace {

struct Library {
  explicit Library(const std::string& name) : handle(dlopen((std::string(LUMA_BIN_DIR) + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle) dlclose(handle);
  }
  bool has(const char* symbol) const { return dlsym(handle, symbol) != nullptr; }
  void* handle;
};

const char* const kBoth[] = {"writeMsg", "opal_open", "opal_close", "opal_get_dc_list", "opal_set_dc",
                             "opal_set_flip_rot", "opal_get_port_attributes", "opal_set_overlay_params",
                             "opal_gamma_encode", "opal_free_disp_port_mapping"};
const char* const kLumainfoOnly[] = {
    "opal_set_debug_volume", "opal_free_frame_buffer", "opal_get_frame_buffer", "opal_save_frame_buffer_bmp",
    "opal_get_crc_values",   "opal_get_video_fps",     "opal_get_golden_htotal", "opal_video_fps_rate",
    "opal_read_mmio_reg",    "opal_write_mmio_reg",    "opal_get_reg_value",     "opal_set_reg_value",
    "opal_del_reg",          "opal_get_config_id",     "opal_set_config_id",     "opal_find_regs",
    "opal_free_regs",        "opal_read_reg",          "opal_write_reg"};

}  // namespace

TEST(LibraryExports, LumauiAndLumainfo) {
  Library ui("liblumaui.so"), info("liblumainfo.so");
  ASSERT_NE(ui.handle, nullptr) << dlerror();
  ASSERT_NE(info.handle, nullptr) << dlerror();
  for (const char* name : kBoth) {
    EXPECT_TRUE(ui.has(name)) << name;
    EXPECT_TRUE(info.has(name)) << name;
  }
  for (const char* name : kLumainfoOnly) {
    EXPECT_FALSE(ui.has(name)) << name;
    EXPECT_TRUE(info.has(name)) << name;
  }
  EXPECT_TRUE(ui.has("opal_en_dis_port"));
  EXPECT_FALSE(info.has("opal_en_dis_port"));
  // Nothing of the library's inside leaks out.
  EXPECT_FALSE(ui.has("debug_volume"));
  EXPECT_FALSE(ui.has("session"));
}
