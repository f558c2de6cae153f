# Authenticode signatures (SHA-256) of the Windows binaries, made with
# osslsigncode. 64-bit Windows loads only signed kernel drivers, and signed
# programs draw no warnings.
#
# A release build signs with the certificate and key the environment names
# at configure time:
#   LUMA_SIGN_CERT       the certificate (PEM or DER, with its chain)
#   LUMA_SIGN_KEY        its private key (PEM or DER)
#   LUMA_SIGN_PASS_FILE  a file holding the key's password (optional)
#   LUMA_SIGN_TIMESTAMP  a timestamp server's URL (optional)
# Without them the build signs with a test certificate of its own, made with
# openssl in <build>/signing/ (tools/package-windows.sh makes a new one for
# each archive); its public part ships in the archive for test boards.
#
# luma_sign(<target> <file> <name> [PAGE_HASHES]) signs the `file` that
# `target` builds into <build>/signed/<name>, by the target <target>_signed
# (part of every build); <target>_SIGNED names the signed file.

find_program(LUMA_OSSLSIGNCODE osslsigncode)
if(NOT LUMA_OSSLSIGNCODE)
  message(FATAL_ERROR "osslsigncode signs the Windows binaries: apt-get install osslsigncode")
endif()

set(LUMA_SIGNED_DIR ${CMAKE_BINARY_DIR}/signed)
set(LUMA_TEST_CERT_NAME "Lumagraph toolkit test signing")
set(LUMA_TEST_CERT_BOARD_FILE lumagraph-test-signing.cer)
if(NOT "$ENV{LUMA_SIGN_CERT}" STREQUAL "" OR NOT "$ENV{LUMA_SIGN_KEY}" STREQUAL "")
  foreach(variable LUMA_SIGN_CERT LUMA_SIGN_KEY)
    if("$ENV{${variable}}" STREQUAL "" OR NOT EXISTS "$ENV{${variable}}")
      message(FATAL_ERROR "${variable} must name a file for a release signature (it is '$ENV{${variable}}')")
    endif()
  endforeach()
  set(LUMA_SIGN_KIND release)
  set(LUMA_SIGN_CERT_FILE $ENV{LUMA_SIGN_CERT})
  set(LUMA_SIGN_KEY_FILE $ENV{LUMA_SIGN_KEY})
else()
  set(LUMA_SIGN_KIND test)
  set(dir ${CMAKE_BINARY_DIR}/signing)
  set(LUMA_SIGN_CERT_FILE ${dir}/test-signing.pem)
  set(LUMA_SIGN_KEY_FILE ${dir}/test-signing.key)
  # The Windows certificate stores import the DER form.
  set(LUMA_TEST_CERT_DER ${dir}/${LUMA_TEST_CERT_BOARD_FILE})
  if(NOT EXISTS ${LUMA_SIGN_CERT_FILE} OR NOT EXISTS ${LUMA_SIGN_KEY_FILE} OR NOT EXISTS ${LUMA_TEST_CERT_DER})
    find_program(LUMA_OPENSSL openssl REQUIRED)
    file(MAKE_DIRECTORY ${dir})
    execute_process(
      COMMAND ${LUMA_OPENSSL} req -x509 -newkey rsa:3072 -sha256 -days 90 -nodes
              -subj "/CN=${LUMA_TEST_CERT_NAME}/O=Lumagraph toolkit build (not for release)"
              -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature"
              -addext "extendedKeyUsage=codeSigning"
              -keyout ${LUMA_SIGN_KEY_FILE} -out ${LUMA_SIGN_CERT_FILE}
      COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND ${LUMA_OPENSSL} x509 -in ${LUMA_SIGN_CERT_FILE} -outform DER -out ${LUMA_TEST_CERT_DER}
                    COMMAND_ERROR_IS_FATAL ANY)
    message(STATUS "Windows signatures: a new test certificate in ${dir}")
  endif()
endif()

set(LUMA_SIGN_ARGS -h sha256 -certs ${LUMA_SIGN_CERT_FILE} -key ${LUMA_SIGN_KEY_FILE})
if(LUMA_SIGN_KIND STREQUAL "release" AND NOT "$ENV{LUMA_SIGN_PASS_FILE}" STREQUAL "")
  list(APPEND LUMA_SIGN_ARGS -readpass $ENV{LUMA_SIGN_PASS_FILE})
endif()
if(LUMA_SIGN_KIND STREQUAL "release" AND NOT "$ENV{LUMA_SIGN_TIMESTAMP}" STREQUAL "")
  list(APPEND LUMA_SIGN_ARGS -ts $ENV{LUMA_SIGN_TIMESTAMP})
endif()
message(STATUS "Windows signatures: ${LUMA_SIGN_KIND} certificate ${LUMA_SIGN_CERT_FILE}")

function(luma_sign target file name)
  cmake_parse_arguments(PARSE_ARGV 3 SIGN "PAGE_HASHES" "" "")
  set(out ${LUMA_SIGNED_DIR}/${name})
  set(extra -n "Lumagraph toolkit")
  if(SIGN_PAGE_HASHES)
    # Windows checks a driver's pages as they are loaded.
    list(APPEND extra -ph)
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMA_SIGNED_DIR}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${out}
    COMMAND ${LUMA_OSSLSIGNCODE} sign ${LUMA_SIGN_ARGS} ${extra} -in ${file} -out ${out}
    DEPENDS ${target} ${file} ${LUMA_SIGN_CERT_FILE} ${LUMA_SIGN_KEY_FILE}
    COMMENT "Signing ${name}" VERBATIM)
  add_custom_target(${target}_signed ALL DEPENDS ${out})
  set(${target}_SIGNED ${out} PARENT_SCOPE)
endfunction()
