/*
 * lumainfo: diagnostics and configuration of the Lumagraph display driver.
 *
 * The exported interface, usable from C and C++. Every operation returns an
 * exit code (OPAL_EXIT_*); tables that the library returns are released
 * only through the library's matching free function.
 *
 * lumaui, the GUI's library, exports a subset: include lumaui.h, which
 * hides (LUMA_UI_ONLY) what that library lacks.
 */
#ifndef LUMAINFO_H
#define LUMAINFO_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(LUMA_BUILDING_LIBRARY)
#define LUMA_API __declspec(dllexport)
#else
#define LUMA_API
#endif
#else
#define LUMA_API __attribute__((visibility("default")))
#endif

/* Exports of lumaui alone (the libraries' export lists decide; on Windows
   nothing is marked for export outside them). */
#if defined(_WIN32)
#define LUMAUI_API
#else
#define LUMAUI_API LUMA_API
#endif

#if defined(__GNUC__)
#define LUMA_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define LUMA_PRINTF(f, a)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Exit codes of every operation and command. */
typedef uint32_t opal_exit_t;
#define EXIT_OK 0u
#define EXIT_GENERIC_ERROR 1u
#define EXIT_PARSER_ERROR 2u
#define EXIT_CFGFILE_ERROR 3u
#define EXIT_LOGFILE_ERROR 4u
#define EXIT_INVALID_PARAM_ERROR 5u
#define EXIT_OS_CALL_ERROR 6u
#define EXIT_LIB_INIT_ERROR 7u
#define EXIT_REGISTRY_ERROR 8u
#define EXIT_DEVICE_NOT_FOUND 9u
/* Returned when the driver answered an escape with a failure status. */
#define EXIT_DRIVER_STATUS_ERROR 10u

/* Message types of writeMsg. */
#define MSG_ERROR 1
#define MSG_WARNING 2
#define MSG_SUCCESS 3
#define MSG_PLAIN 4

/* Results of writePassFail. */
#define RESULT_PASS 1
#define RESULT_FAIL 2

typedef struct opal_lib_version {
  uint32_t major;
  uint32_t minor;
  uint32_t build;
} opal_lib_version_t;

typedef struct opal_chipset_info {
  uint16_t device_id;
  uint16_t revision;
  char name[256];
} opal_chipset_info_t;

/* Size of the buffer opal_get_os_name fills: four lines of 256 characters. */
#define OPAL_OS_NAME_SIZE 1024
/* Smallest buffer opal_decode_exit_code writes into. */
#define OPAL_EXIT_NAME_SIZE 25

/* Messages */
LUMA_API int writeMsg(int type, const char* format, ...) LUMA_PRINTF(2, 3);
LUMA_API int writeFormattedMsg(int type, const char* label, const char* format, ...)
    LUMA_PRINTF(3, 4);
LUMA_API int writePassFail(const char* label, int result);
LUMA_API int32_t strprefix(const char* text, const char* prefix);
#if !defined(LUMA_UI_ONLY)
LUMA_API uint32_t opal_set_debug_volume(uint32_t level);
#endif

/* Session and exit codes */
LUMA_API opal_exit_t opal_open(uint8_t install_driver);
LUMA_API int opal_close(void);
LUMA_API void opal_decode_exit_code(opal_exit_t code, char* name);
LUMA_API opal_exit_t opal_get_lib_version(opal_lib_version_t* version);
LUMA_API opal_exit_t opal_get_os_name(char* os_name);
LUMA_API opal_exit_t opal_get_chipset_name(opal_chipset_info_t* chipset);
LUMA_API opal_exit_t opal_wait(uint32_t seconds);

/* ---- Display control ---------------------------------------------------- */

/* Display configuration value (dc): eight 4-bit fields. */
#define MULTI_TYPE_SINGLE 1u
#define MULTI_TYPE_CLONE 2u
#define MULTI_TYPE_TWIN 4u
#define MULTI_TYPE_EXTENDED 8u
/* Nibble of each port role in a dc. */
#define PRIMARY_MASTER 1u
#define PRIMARY_TWIN1 2u
#define PRIMARY_TWIN2 3u
#define PRIMARY_TWIN3 4u
#define SECONDARY_MASTER 5u
#define SECONDARY_TWIN1 6u
#define SECONDARY_TWIN2 7u
#define OPAL_DC_TYPE(dc) ((uint32_t)(dc)&0xFu)
#define OPAL_DC_FIELD(dc, nibble) (((uint32_t)(dc) >> (4u * (nibble))) & 0xFu)

/* Port numbers. */
#define PORT_UNUSED 0u
#define PORT_TV 1u
#define PORT_DVOB 2u
#define PORT_DVOC 3u
#define PORT_LVDS 4u
#define PORT_ANALOG 5u
#define PORT_DPB 6u
#define PORT_DPC 7u
#define PORT_EDP 8u
#define OPAL_MAX_PORT 8u

/* Screen number that selects every Lumagraph screen. */
#define OPAL_ALL_SCREENS 255u
/* Size of a dc name buffer. */
#define OPAL_DC_NAME_SIZE 256
/* Flags of opal_set_dc: apply the primary / secondary mode to its screen. */
#define OPAL_APPLY_PRIMARY 1u
#define OPAL_APPLY_SECONDARY 2u
/* Bit of a mode's flags word that marks an interlaced mode. */
#define OPAL_MODE_INTERLACED 0x80000000u

/* A mode as the driver lists it (40 bytes). A mode request only needs
   width, height and refresh. */
typedef struct opal_mode {
  uint16_t width;
  uint16_t height;
  uint16_t refresh;
  uint8_t driver_data[26];
  uint32_t flags;
  uint8_t driver_data2[4];
} opal_mode_t;

/* What the driver reports about one port (556 bytes). */
typedef struct opal_port_info {
  uint32_t width;
  uint32_t height;
  uint32_t depth;
  uint32_t refresh;
  uint32_t edid;
  uint32_t enable;
  uint32_t timing_owner;
  char pd_name[256];
  char user_alias[256];
  uint32_t pd_version;
  uint32_t pd_type;
  uint32_t display;
  uint32_t mode_flags;
} opal_port_info_t;

/* One port of a screen in the display-port mapping (560 bytes). */
typedef struct opal_port_slot {
  uint32_t port;
  opal_port_info_t info;
} opal_port_slot_t;

#define OPAL_MAX_SCREENS 5u
#define OPAL_MAX_SCREEN_PORTS 4u

/* One screen of the display-port mapping (2256 bytes); the table holds
   OPAL_MAX_SCREENS of them. */
typedef struct opal_disp_port_map {
  uint32_t absolute_display;
  uint32_t relative_display;
  uint8_t is_primary;
  uint8_t reserved[3];
  opal_port_slot_t ports[OPAL_MAX_SCREEN_PORTS];
  uint32_t num_ports;
} opal_disp_port_map_t;

/* The driver's identity (796 bytes). */
#define OPAL_DRIVER_SIGNATURE 0xE1D0u
typedef struct opal_driver_info {
  char product_name[256];
  char second_text[256];
  uint32_t major;
  uint32_t minor;
  uint32_t build;
  char build_date[268];
  uint32_t signature;
} opal_driver_info_t;

/* Attribute types. */
#define OPAL_ATTR_RANGE 1u
#define OPAL_ATTR_LIST 2u
#define OPAL_ATTR_BOOL 3u
#define OPAL_ATTR_OTHER 4u
/* Flag bits that keep an attribute from being edited. */
#define OPAL_ATTR_READONLY_FLAGS 0x98u
/* Colour attributes: one byte per channel, red in bits 16-23. */
#define OPAL_ATTR_GAMMA 35u
#define OPAL_ATTR_BRIGHTNESS 36u
#define OPAL_ATTR_CONTRAST 37u

/* One port attribute, or one entry of a list attribute (64 bytes). For a
   list attribute `min` is the number of entries that follow it. */
typedef struct opal_port_attribute {
  uint32_t id;
  uint32_t type;
  char name[32];
  uint32_t flags;
  uint32_t default_value;
  uint32_t current_value;
  uint32_t min;
  uint32_t max;
  uint32_t driver_data;
} opal_port_attribute_t;

/* Overlay colour parameters (24 bytes). */
#define OPAL_OVERLAY_GAMMA 0x1u
#define OPAL_OVERLAY_BRIGHTNESS 0x2u
#define OPAL_OVERLAY_CONTRAST 0x4u
#define OPAL_OVERLAY_SATURATION 0x8u
#define OPAL_OVERLAY_WRITE 0x10u
typedef struct opal_overlay_params {
  uint32_t mask;
  uint32_t gamma;
  uint32_t brightness;
  uint32_t contrast;
  uint32_t saturation;
  uint32_t reserved;
} opal_overlay_params_t;

/* Size of an EDID base block. */
#define OPAL_EDID_SIZE 128

/* A calendar time of the video rendering record. */
typedef struct opal_time {
  uint32_t seconds;
  uint32_t minutes;
  uint32_t hours;
  uint32_t day_of_month;
  uint32_t month;
  uint32_t year;
  uint32_t day_of_week;
  uint32_t day_of_year;
  uint32_t daylight;
} opal_time_t;

/* Video rendering record (88 bytes). */
#define OPAL_VIDEO_FPS_START 1u
#define OPAL_VIDEO_FPS_STOP 0u
typedef struct opal_video_fps {
  uint32_t used_overlay;
  uint32_t used_hw_decode;
  uint32_t field;
  uint32_t frames;
  opal_time_t start;
  opal_time_t stop;
} opal_video_fps_t;

/* Modes and display configurations */
LUMA_API uint32_t opal_get_current_dc(void);
LUMA_API opal_exit_t opal_get_mode_list(uint32_t dc, uint32_t display, opal_mode_t** table,
                                        uint32_t* count);
LUMA_API void opal_free_mode_list(void* table);
LUMA_API opal_exit_t opal_get_dc_list(uint32_t** dcs, char*** names, uint32_t* count);
LUMA_API void opal_free_dc_list(uint32_t* dcs, char** names, uint32_t count);
/* Writes the name of `dc` into `name` (OPAL_DC_NAME_SIZE bytes). */
LUMA_API opal_exit_t opal_get_dc_name(uint32_t dc, char* name);
LUMA_API opal_exit_t opal_set_dc(uint32_t dc, const opal_mode_t* primary, const opal_mode_t* secondary,
                                 uint16_t primary_depth, uint16_t secondary_depth, uint32_t flags);
LUMA_API opal_exit_t opal_set_mode(uint32_t display, const opal_mode_t* mode, uint16_t depth);

/* Ports, rotation and flip */
LUMA_API uint32_t opal_get_port(uint32_t dc, uint32_t display, uint32_t location);
/* Name of a port number ("LVDS"), "Unused" for 0, "Unknown" above 8. */
LUMA_API const char* opal_port_name(uint32_t port);
LUMA_API opal_exit_t opal_get_port_info(uint32_t port, opal_port_info_t* info);
LUMA_API opal_exit_t opal_get_flip_rot(uint32_t port, uint32_t* flip, uint32_t* rotation);
LUMA_API opal_exit_t opal_set_flip_rot(uint32_t port, uint32_t flip, uint32_t rotation);
LUMA_API opal_exit_t opal_get_disp_port_mapping(opal_disp_port_map_t** table, uint32_t* count);
LUMA_API void opal_free_disp_port_mapping(void* table);
/* Enables (1) or disables (0) a port. Exported by lumaui, the GUI's
 * library; lumainfo carries the same operation for its commands without
 * exporting it. */
LUMAUI_API opal_exit_t opal_en_dis_port(uint32_t enable, uint32_t port);

/* Port attributes, colour parameters and monitor firmware */
LUMA_API opal_exit_t opal_get_driver_info(opal_driver_info_t* info);
LUMA_API opal_exit_t opal_get_port_attributes(uint32_t port, opal_port_attribute_t** table,
                                              uint32_t* count);
LUMA_API void opal_free_port_attributes(void* table);
#if !defined(LUMA_UI_ONLY)
LUMA_API void opal_free_frame_buffer(void* buffer);
#endif
LUMA_API opal_exit_t opal_set_port_attributes(uint32_t port, const opal_port_attribute_t* attribute);
LUMA_API opal_exit_t opal_get_overlay_params(opal_overlay_params_t* params);
LUMA_API opal_exit_t opal_set_overlay_params(const opal_overlay_params_t* params);
LUMA_API opal_exit_t opal_get_display_firmware(uint32_t port, uint32_t unused, uint8_t* edid);
#if !defined(LUMA_UI_ONLY)
LUMA_API opal_exit_t opal_get_video_fps(uint32_t command, opal_video_fps_t* info);
LUMA_API opal_exit_t opal_get_golden_htotal(opal_mode_t** input, opal_mode_t** output);
#endif

/* MMIO registers of the graphics device (device 2), through the register
 * access driver; width 8, 16 or 32. The read returns 0 when it fails; the
 * write returns 0, 5 for another width, or 6 when the driver refused. */
LUMA_API uint32_t opal_read_mmio_reg(uint32_t offset, uint32_t width);
LUMA_API opal_exit_t opal_write_mmio_reg(uint32_t offset, uint32_t value, uint32_t width);

/* ---- Registers by name ---------------------------------------------------
 * The registers the dump commands print, named in the chipset family of
 * the session (after opal_open(1)). A name is
 *   REG        a short name ("pipe_a_conf"), an MMIO offset ("0x70008") or
 *              a title in any case ("Pipe A Configuration Register", blanks
 *              also written as '_')
 *   REG.FIELD  one field of it ("pipe_a_conf.pipe_enable")
 *   FIELD      a field alone, where its name is unique in the family
 * with the wildcards '*' and '?' in either part ("pipe_a_*", "*.*enable*").
 * A part without '.' names registers when any register matches it, fields
 * otherwise. A name that matches nothing (the message suggests up to three
 * close names), or several where one is needed (the message lists them),
 * returns 5; 6 when the session has no register maps or the register cannot
 * be read. Messages go out as every other message, by the debug volume. */

/* One register, or one field of it, that a name matched. */
#define OPAL_REG_NAME_SIZE 64
#define OPAL_REG_TITLE_SIZE 96
typedef struct opal_reg_match_t {
  char name[OPAL_REG_NAME_SIZE];    /* the register's short name */
  char field[OPAL_REG_NAME_SIZE];   /* the field's name; "" for the whole register */
  char title[OPAL_REG_TITLE_SIZE];  /* the register's title as the dumps print it */
  uint32_t offset;                  /* MMIO offset */
  uint32_t device;                  /* PCI device whose register it is: 2, or 3 */
  uint8_t high, low;                /* the field's bits; 31 and 0 for a register */
  uint8_t unused[2];
} opal_reg_match_t;

/* Every register or field `pattern` matches, in dump order (fields in
 * register order): *count entries in a table released with
 * opal_free_regs. A field name alone that several registers have is
 * refused (5); a wildcard may match any number. */
LUMA_API opal_exit_t opal_find_regs(const char* pattern, opal_reg_match_t** matches, uint32_t* count);
LUMA_API void opal_free_regs(opal_reg_match_t* matches);
/* The value of one register, or of one field (shifted down to bit 0). */
LUMA_API opal_exit_t opal_read_reg(const char* name, uint32_t* value);
/* Writes one field (its value, from bit 0) or one whole register: reads
 * the register, changes only the field's bits (bits of the fields named
 * reservedN are kept on every write), writes it and reads it back.
 * *before and *after (either may be null) receive the register as first
 * read and as read back. 5 before anything is touched for a value that
 * does not fit the field, a reserved field or a captured log; 6 when the
 * driver fails or the read-back differs from what was written. */
LUMA_API opal_exit_t opal_write_reg(const char* name, uint32_t value, uint32_t* before, uint32_t* after);

/* CRC and frame buffer */
/* The pipe's CRC per colour channel over one frame, from port 0 (the
 * pipe's output), 1 (DVOB) or 2 (DVOC). */
LUMA_API opal_exit_t opal_get_crc_values(uint32_t pipe, uint32_t port, uint32_t* red, uint32_t* green,
                                         uint32_t* blue, uint32_t* residual);
/* A copy of pixels x1..x2, rows y1..y2 (inclusive, either order) of plane
 * 0 or 1: each pixel's bytes most significant first, rows top down.
 * Released with opal_free_frame_buffer. */
LUMA_API opal_exit_t opal_get_frame_buffer(uint32_t plane, uint32_t x1, uint32_t x2, uint32_t y1, uint32_t y2,
                                           uint8_t** buffer, uint32_t* size);
/* The same rectangle written to `path` as a 24-bit BMP image. */
LUMA_API opal_exit_t opal_save_frame_buffer_bmp(uint32_t plane, uint32_t x1, uint32_t x2, uint32_t y1,
                                                uint32_t y2, const char* path);

/* Colour conversions */
/* A 3.5 fixed-point gamma byte to its value rounded to one decimal. */
LUMA_API float opal_gamma_decode(uint8_t value);
/* A gamma value (0 to below 8) to 3.5 fixed point, truncated to 1/32. */
LUMA_API uint8_t opal_gamma_encode(float value);
/* An overlay word to the 0..200 scale, and back. */
LUMA_API uint32_t opal_overlay_to_scale(uint32_t word);
LUMA_API uint32_t opal_scale_to_overlay(uint32_t value);
/* Brightness/contrast byte of a colour attribute (value + 128) to -127..127, and back. */
LUMA_API int32_t opal_color_byte_decode(uint8_t byte);
LUMA_API uint8_t opal_color_byte_encode(int32_t value);
/* Channel 0 (red), 1 (green) or 2 (blue) of a packed colour word. */
LUMA_API uint8_t opal_color_channel(uint32_t word, uint32_t channel);
#if !defined(LUMA_UI_ONLY)
/* Frames per second of a finished video rendering record; 0 when no time passed. */
LUMA_API double opal_video_fps_rate(const opal_video_fps_t* info);
#endif

/* ---- Registry configuration of the display driver ----------------------- */

/* Size of the value text opal_get_reg_value fills. */
#define OPAL_REG_VALUE_SIZE 256
/* Registry types opal_get_reg_value reports. */
#define OPAL_REG_SZ 1u
#define OPAL_REG_DWORD 4u

/* One parameter of driver configuration `config_id` (0: the default
   configuration). Port 0 is the configuration's general key; any other
   port is that port's `subkey`. "Name" and "PortOrder" are texts, every
   other parameter a 32-bit number, read back as decimal text. Results: 0,
   5 for a missing or unreadable argument, 8 for a registry failure. */
LUMA_API opal_exit_t opal_get_reg_value(uint32_t config_id, uint32_t port, const char* subkey,
                                        const char* param, char* value, uint32_t* type);
LUMA_API opal_exit_t opal_set_reg_value(uint32_t config_id, uint32_t port, const char* subkey,
                                        const char* param, const char* new_value);
/* Deletes a value of the key `key_path` below the driver's video key, or
   with no value name the key and everything below it. */
LUMA_API opal_exit_t opal_del_reg(const char* key_path, const char* value_name);
/* The default configuration id ("ConfigId"). */
LUMA_API opal_exit_t opal_get_config_id(uint32_t* id);
LUMA_API opal_exit_t opal_set_config_id(uint32_t id);

#ifdef __cplusplus
}
#endif

#endif /* LUMAINFO_H */
