# What `cmake --install` puts into a prefix on Linux: lumainfo with its
# header, the simulated machine it runs against (libluma_sim, which holds
# the built-in profiles), a CMake package (find_package(lumainfo), target
# lumainfo::lumainfo) and a pkg-config file. Both description files find
# the prefix from where they lie, so the install may be moved.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# lumainfo finds libluma_sim beside itself wherever the prefix is.
set_target_properties(lumainfo PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS lumainfo luma_sim LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/lumainfo.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

set(LUMA_INSTALL_STAGE ${CMAKE_BINARY_DIR}/install-files)
set(LUMA_LIBRARY_FILE ${CMAKE_SHARED_LIBRARY_PREFIX}lumainfo${CMAKE_SHARED_LIBRARY_SUFFIX})
set(LUMA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/lumainfo)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/lumainfoConfig.cmake.in
  ${LUMA_INSTALL_STAGE}/lumainfoConfig.cmake
  INSTALL_DESTINATION ${LUMA_CMAKE_DIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR CMAKE_INSTALL_LIBDIR)
write_basic_package_version_file(${LUMA_INSTALL_STAGE}/lumainfoConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${LUMA_INSTALL_STAGE}/lumainfoConfig.cmake ${LUMA_INSTALL_STAGE}/lumainfoConfigVersion.cmake
  DESTINATION ${LUMA_CMAKE_DIR} COMPONENT dev)

# The .pc file names its prefix relative to its own folder.
file(RELATIVE_PATH LUMA_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" LUMA_PC_TO_PREFIX "${LUMA_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/lumainfo.pc.in ${LUMA_INSTALL_STAGE}/lumainfo.pc @ONLY)
install(FILES ${LUMA_INSTALL_STAGE}/lumainfo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The Python package beside the library: <libdir>/python/lumagraph, with
# the library's folder recorded relative to it (PYTHONPATH=<libdir>/python).
set(LUMA_PYTHON_DIR ${CMAKE_INSTALL_LIBDIR}/python)
file(RELATIVE_PATH LUMA_PYTHON_TO_LIB ${CMAKE_INSTALL_FULL_LIBDIR}/python/lumagraph ${CMAKE_INSTALL_FULL_LIBDIR})
if(LUMA_PYTHON_TO_LIB STREQUAL "")
  set(LUMA_PYTHON_TO_LIB ".")
endif()
file(WRITE ${LUMA_INSTALL_STAGE}/_install_paths.py
  "# Written by cmake --install: where lumainfo lies, from this folder.\nLIBRARY_DIR = \"${LUMA_PYTHON_TO_LIB}\"\n")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/lumagraph DESTINATION ${LUMA_PYTHON_DIR} COMPONENT dev
  FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
install(FILES ${LUMA_INSTALL_STAGE}/_install_paths.py DESTINATION ${LUMA_PYTHON_DIR}/lumagraph COMPONENT dev)
