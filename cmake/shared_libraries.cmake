# luma_exports_from_def(<target> <def file>): the shared library exports
# exactly the names of its module-definition file, on Windows through the
# file itself, elsewhere through a linker version script made from it, so
# both builds of a library export the same names.
function(luma_exports_from_def target def)
  if(WIN32)
    target_sources(${target} PRIVATE ${def})
    return()
  endif()
  file(STRINGS ${def} lines)
  set(names "")
  set(in_exports FALSE)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^;")
      continue()
    elseif(line STREQUAL "EXPORTS")
      set(in_exports TRUE)
    elseif(in_exports)
      string(APPEND names "    ${line};\n")
    endif()
  endforeach()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  file(WRITE ${script} "{\n  global:\n${names}  local: *;\n};\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()

