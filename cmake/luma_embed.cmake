# luma_embed_resource(target template file producer), Windows builds: an
# object library `target` whose resource script, `template` configured in
# the calling folder, carries the built `file` (a driver, a library) into
# every program or library that links it; `producer` is the target that
# builds the file, so the script is compiled again whenever it changes.
# A macro, as the RC language is enabled in the calling folder's scope.
macro(luma_embed_resource target template file producer)
  enable_language(RC)
  configure_file(${template} ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}.rc PROPERTIES OBJECT_DEPENDS ${file})
  add_library(${target} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  add_dependencies(${target} ${producer})
endmacro()
