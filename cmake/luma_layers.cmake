# Include paths that admit only what a target may see. A layer's headers are
# reached as "<layer>/<file>.h" through a folder of the build tree holding a
# single link named after the layer, so a target whose include path lacks
# that folder cannot include the layer at all.

# luma_expose(target scope name path): `path` (a folder or one file) becomes
# includable as "<name>" by `target` and, for PUBLIC or INTERFACE, by every
# target linking it.
function(luma_expose target scope name path)
  set(shim ${CMAKE_BINARY_DIR}/include-shims/${target})
  get_filename_component(parent ${shim}/${name} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT IS_SYMLINK ${shim}/${name})
    file(CREATE_LINK ${path} ${shim}/${name} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${shim})
endfunction()
