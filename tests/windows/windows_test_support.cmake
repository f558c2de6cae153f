# Test support of the Windows build (included from tests/CMakeLists.txt).
# The target has no GoogleTest package: build it from the system's sources,
# with its own warning settings.
set(LUMA_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
get_directory_property(luma_saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${LUMA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${luma_saved_options}")
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
include(GoogleTest)
# Listing the tests runs the programs under wine: do it when ctest runs,
# not on every build.
set(LUMA_TEST_DISCOVERY DISCOVERY_MODE PRE_TEST)

# The helpers of support/sim_fixture.h that need no simulated machine.
# Build paths are host paths; wine sees the host's root as drive Z:.
add_library(luma_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/portable_support.cpp)
target_include_directories(luma_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(luma_test_support PUBLIC luma_base luma_sim_internals GTest::gtest)
target_compile_definitions(luma_test_support PUBLIC
  LUMA_BIN_DIR="Z:${CMAKE_RUNTIME_OUTPUT_DIRECTORY}"
  LUMA_TEST_DATA_DIR="Z:${CMAKE_CURRENT_LIST_DIR}/../data")
