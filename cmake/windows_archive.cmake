# What a Windows build delivers. Every binary gets a version resource
# (Explorer's properties and inventory tools read it), and `cpack` packs
# what goes onto a board into lumagraph-toolkit-<version>-win64.zip or
# -win32.zip: the programs and libraries (signed, cmake/windows_signing.cmake),
# the files they read beside them, the public header and import library, the
# test certificate when the build signs with one, and README.txt saying what
# each is and how a board trusts the signatures.
#
# The list at the end says it all, one line per file. A line whose target
# (or source file) this tree does not have is reported as pending and left
# out; the manifest windows-archive.txt records both, and
# tools/check-windows-archive.sh holds the archive to it.

set(LUMA_VR_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LUMA_BOARD_ARCH win64)
  set(LUMA_BOARD_WORDS 64-bit)
else()
  set(LUMA_BOARD_ARCH win32)
  set(LUMA_BOARD_WORDS 32-bit)
endif()
set(LUMA_BOARD_MANIFEST ${CMAKE_BINARY_DIR}/windows-archive.txt)
set(LUMA_BOARD_README ${CMAKE_BINARY_DIR}/board/README.txt)
set_property(GLOBAL PROPERTY LUMA_BOARD_SHIPPED "")
set_property(GLOBAL PROPERTY LUMA_BOARD_CARRIED "")
set_property(GLOBAL PROPERTY LUMA_BOARD_PENDING "")

# luma_version_resource(<target> <file name> <description>): the version
# resource of one binary; the kind of file follows from its extension.
function(luma_version_resource target file description)
  get_filename_component(LUMA_VR_INTERNAL ${file} NAME_WE)
  get_filename_component(ext ${file} LAST_EXT)
  string(TOLOWER "${ext}" ext)
  set(LUMA_VR_SUBTYPE 0)
  if(ext STREQUAL ".exe")
    set(LUMA_VR_TYPE 1)      # an application
  elseif(ext STREQUAL ".dll")
    set(LUMA_VR_TYPE 2)      # a dynamic-link library
  elseif(ext STREQUAL ".sys")
    set(LUMA_VR_TYPE 3)      # a driver,
    set(LUMA_VR_SUBTYPE 7)   # a system driver
  else()
    message(FATAL_ERROR "${file}: no version resource for a ${ext} file")
  endif()
  set(LUMA_VR_FILE ${file})
  set(LUMA_VR_DESCRIPTION ${description})
  set(rc ${CMAKE_BINARY_DIR}/version-resources/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# luma_board(<how> <target or source file> <name on the board> <what it is>)
#   SHIPPED         a program or library copied onto the board
#   CARRIED         a binary the programs and libraries carry as a resource
#   INTERNAL        a binary for the tests only: versioned, never shipped
#   FILE            a file of the source tree, copied beside the programs
#   GENERATED       a file the configure step wrote (an absolute path)
#   IMPORT_LIBRARY  the import library of a shipped library's target
function(luma_board how what name description)
  # The description goes into a resource script and a CMake list.
  if(description MATCHES "[\";|]")
    message(FATAL_ERROR "${name}: the description must hold no double quote, semicolon or bar")
  endif()
  if(how STREQUAL "FILE")
    set(present FALSE)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${what})
      set(present TRUE)
    endif()
  elseif(how STREQUAL "GENERATED" OR TARGET ${what})
    set(present TRUE)
  else()
    set(present FALSE)
  endif()
  if(NOT present)
    message(STATUS "Windows archive: ${name} is pending (${what} is not in this tree)")
    set_property(GLOBAL APPEND PROPERTY LUMA_BOARD_PENDING "${name}")
    return()
  endif()
  if(how STREQUAL "SHIPPED" OR how STREQUAL "CARRIED" OR how STREQUAL "INTERNAL")
    luma_version_resource(${what} ${name} "${description}")
  endif()
  if(how STREQUAL "SHIPPED")
    luma_sign(${what} "$<TARGET_FILE:${what}>" ${name})
    install(FILES ${${what}_SIGNED} DESTINATION . COMPONENT board)
  elseif(how STREQUAL "IMPORT_LIBRARY")
    install(FILES "$<TARGET_LINKER_FILE:${what}>" DESTINATION . RENAME ${name} COMPONENT board)
  elseif(how STREQUAL "FILE")
    install(FILES ${PROJECT_SOURCE_DIR}/${what} DESTINATION . RENAME ${name} COMPONENT board)
  elseif(how STREQUAL "GENERATED")
    install(FILES ${what} DESTINATION . RENAME ${name} COMPONENT board)
  endif()
  if(how STREQUAL "CARRIED")
    set_property(GLOBAL APPEND PROPERTY LUMA_BOARD_CARRIED "${name}|${description}")
  elseif(NOT how STREQUAL "INTERNAL")
    set_property(GLOBAL APPEND PROPERTY LUMA_BOARD_SHIPPED "${name}|${description}")
  endif()
endfunction()

# README.txt lines "<name padded to 16>  <description>" with Windows line ends.
function(luma_board_lines out entries)
  set(text "")
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 description)
    string(LENGTH "${name}" length)
    set(pad "")
    if(length LESS 16)
      math(EXPR count "16 - ${length}")
      string(REPEAT " " ${count} pad)
    endif()
    string(APPEND text "${name}${pad}  ${description}\r\n")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The board, one line per file.
luma_board(SHIPPED luma_qrt luma_qrt.exe "Lumagraph report tool: runs the report and writes luma_qrt.log in the current folder")
luma_board(SHIPPED luma_cli luma_cli.exe "Lumagraph command console: the full command set of lumainfo.dll, writing luma_cli.log")
luma_board(SHIPPED lumainfo lumainfo.dll "Lumagraph diagnostics library: the opal functions and message writers")
luma_board(SHIPPED lumaui lumaui.dll "Lumagraph display settings library, used by LUMAGUI.exe")
luma_board(SHIPPED LUMAGUI LUMAGUI.exe "Lumagraph display settings: configuration, attributes and colour correction")
luma_board(FILE hw/ins.txt ins.txt "Instruction templates that decode_ins reads beside the programs")
luma_board(FILE include/lumainfo.h lumainfo.h "Public header of lumainfo.dll, for C and C++")
luma_board(IMPORT_LIBRARY lumainfo lumainfo.lib "Import library for linking a program against lumainfo.dll")
luma_board(CARRIED hwpeek_sys hwpeek.sys "Lumagraph register access driver")
luma_board(CARRIED dsetup Dsetup.dll "DirectX version reader of the Lumagraph toolkit")
luma_board(INTERNAL test_mini_dll test_mini_dll.dll "Lumagraph display driver stand-in for tests")
if(LUMA_SIGN_KIND STREQUAL "test")
  luma_board(GENERATED ${LUMA_TEST_CERT_DER} ${LUMA_TEST_CERT_BOARD_FILE} "The test certificate the binaries are signed with (see Signatures below)")
endif()

# How a board comes to trust the signatures.
if(LUMA_SIGN_KIND STREQUAL "test")
  set(signatures_text
    "Signatures\r\n\r\n"
    "The programs, the libraries and the driver they carry are signed with a\r\n"
    "test certificate made for this archive alone, ${LUMA_TEST_CERT_BOARD_FILE}.\r\n"
    "64-bit Windows loads a driver signed so only on a test board that runs in\r\n"
    "test signing mode and trusts that certificate. Once per board, in a command\r\n"
    "prompt run as an administrator in this folder:\r\n\r\n"
    "  bcdedit /set testsigning on\r\n"
    "  certutil -addstore -f Root ${LUMA_TEST_CERT_BOARD_FILE}\r\n"
    "  certutil -addstore -f TrustedPublisher ${LUMA_TEST_CERT_BOARD_FILE}\r\n\r\n"
    "then restart it (\"Test Mode\" shows on the desktop). Where Secure Boot is\r\n"
    "on, bcdedit refuses: turn Secure Boot off in the firmware settings first.\r\n"
    "To undo it:\r\n\r\n"
    "  certutil -delstore TrustedPublisher \"${LUMA_TEST_CERT_NAME}\"\r\n"
    "  certutil -delstore Root \"${LUMA_TEST_CERT_NAME}\"\r\n"
    "  bcdedit /set testsigning off\r\n\r\n"
    "A release board (no test mode) needs an archive signed with a real code\r\n"
    "signing certificate, and 64-bit Windows 10 and later also want the driver\r\n"
    "signed by Microsoft: tools/package-windows.sh signs with the certificate\r\n"
    "and key that LUMA_SIGN_CERT and LUMA_SIGN_KEY name.\r\n")
else()
  set(signatures_text
    "Signatures\r\n\r\n"
    "The programs, the libraries and the driver they carry are signed with the\r\n"
    "release certificate of this build, which a release board trusts as it is:\r\n"
    "no test mode and no certificate to add.\r\n")
endif()

get_property(shipped GLOBAL PROPERTY LUMA_BOARD_SHIPPED)
get_property(carried GLOBAL PROPERTY LUMA_BOARD_CARRIED)
get_property(pending GLOBAL PROPERTY LUMA_BOARD_PENDING)
luma_board_lines(shipped_text "${shipped}")
luma_board_lines(carried_text "${carried}")
file(WRITE ${LUMA_BOARD_README}
  "Lumagraph toolkit ${PROJECT_VERSION} for ${LUMA_BOARD_WORDS} Windows\r\n\r\n"
  "Copy these files into one folder on the board and run the programs as an\r\n"
  "administrator: they install and start the register access driver, whose\r\n"
  "device only Administrators and SYSTEM may open, and change machine-wide\r\n"
  "display settings.\r\n\r\n"
  "${shipped_text}"
  "README.txt        this file\r\n\r\n"
  "Carried inside the programs and libraries, written out when needed:\r\n\r\n"
  "${carried_text}\r\n"
  ${signatures_text})
install(FILES ${LUMA_BOARD_README} DESTINATION . COMPONENT board)

set(manifest "# What lumagraph-toolkit-${PROJECT_VERSION}-${LUMA_BOARD_ARCH}.zip holds; written by cmake/windows_archive.cmake\n")
foreach(entry IN LISTS shipped)
  string(REGEX REPLACE "\\|.*" "" name "${entry}")
  string(APPEND manifest "file ${name}\n")
endforeach()
string(APPEND manifest "file README.txt\n")
foreach(name IN LISTS pending)
  string(APPEND manifest "pending ${name}\n")
endforeach()
file(WRITE ${LUMA_BOARD_MANIFEST} "${manifest}")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lumagraph-toolkit)
set(CPACK_PACKAGE_VENDOR "Varnel Corporation")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME lumagraph-toolkit-${PROJECT_VERSION}-${LUMA_BOARD_ARCH})
include(CPack)
