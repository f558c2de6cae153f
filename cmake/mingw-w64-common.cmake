# Shared part of the mingw-w64 toolchain files; LUMA_MINGW_TRIPLE is set.
# The posix flavour of the compilers gives the C++ library its threads.
foreach(flavour -posix "")
  find_program(LUMA_MINGW_CXX NAMES ${LUMA_MINGW_TRIPLE}-g++${flavour})
  find_program(LUMA_MINGW_CC NAMES ${LUMA_MINGW_TRIPLE}-gcc${flavour})
endforeach()
set(CMAKE_C_COMPILER ${LUMA_MINGW_CC})
set(CMAKE_CXX_COMPILER ${LUMA_MINGW_CXX})
set(CMAKE_RC_COMPILER ${LUMA_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The binaries carry the compiler's runtime, so a bare Windows (or wine)
# runs them without extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
