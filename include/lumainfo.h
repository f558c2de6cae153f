/*
 * lumainfo: diagnostics and configuration of the Lumagraph display driver.
 *
 * The exported interface, usable from C and C++. Every operation returns an
 * exit code (OPAL_EXIT_*); tables that the library returns are released
 * only through the library's matching free function.
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
LUMA_API uint32_t opal_set_debug_volume(uint32_t level);

/* Session and exit codes */
LUMA_API opal_exit_t opal_open(uint8_t install_driver);
LUMA_API int opal_close(void);
LUMA_API void opal_decode_exit_code(opal_exit_t code, char* name);
LUMA_API opal_exit_t opal_get_lib_version(opal_lib_version_t* version);
LUMA_API opal_exit_t opal_get_os_name(char* os_name);
LUMA_API opal_exit_t opal_get_chipset_name(opal_chipset_info_t* chipset);
LUMA_API opal_exit_t opal_wait(uint32_t seconds);

#ifdef __cplusplus
}
#endif

#endif /* LUMAINFO_H */
