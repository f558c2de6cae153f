# Cross-build for 32-bit Windows with mingw-w64. These programs cannot run
# on the build machines (no 32-bit support there): they are built and
# checked statically only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LUMA_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
