# The key that signs this build's bundles, and the header that compiles its
# public half into rure-bundle. Every directory that needs them includes this
# file; the key and the header are made once per configure run.
#
# Sets, in the including scope:
#   RURE_SIGNING_KEY_FILE       the private key (PEM)
#   RURE_SIGNING_GENERATED_DIR  the folder holding BundleTrustedKey.h
#
# A release build names its key with the environment variable RURE_SIGNING_KEY
# when it first configures (the cache keeps it; -URURE_SIGNING_KEY forgets it).
# Otherwise a development key is generated once into the build directory; it
# survives reconfiguring, so bundles built earlier keep verifying.

set(RURE_SIGNING_GENERATED_DIR "${CMAKE_BINARY_DIR}/signing")

if(DEFINED ENV{RURE_SIGNING_KEY} AND NOT "$ENV{RURE_SIGNING_KEY}" STREQUAL "")
    set(RURE_SIGNING_KEY "$ENV{RURE_SIGNING_KEY}" CACHE FILEPATH
        "Private Ed25519 key (PEM) that signs the bundles; empty for a development key" FORCE)
endif()
if(RURE_SIGNING_KEY)
    get_filename_component(RURE_SIGNING_KEY_FILE "${RURE_SIGNING_KEY}" ABSOLUTE
                           BASE_DIR "${CMAKE_BINARY_DIR}")
else()
    set(RURE_SIGNING_KEY_FILE "${RURE_SIGNING_GENERATED_DIR}/development-key.pem")
endif()

get_property(_rure_signing_key_ready GLOBAL PROPERTY RURE_SIGNING_KEY_READY)
if(NOT _rure_signing_key_ready)
    set_property(GLOBAL PROPERTY RURE_SIGNING_KEY_READY TRUE)
    find_program(RURE_OPENSSL_COMMAND openssl REQUIRED)

    if(NOT EXISTS "${RURE_SIGNING_GENERATED_DIR}")
        file(MAKE_DIRECTORY "${RURE_SIGNING_GENERATED_DIR}")
        # The development key is written into this folder; nobody else reads it.
        file(CHMOD "${RURE_SIGNING_GENERATED_DIR}"
             DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    endif()
    if(NOT RURE_SIGNING_KEY AND NOT EXISTS "${RURE_SIGNING_KEY_FILE}")
        message(STATUS "Generating the development signing key ${RURE_SIGNING_KEY_FILE}")
        execute_process(
            COMMAND "${RURE_OPENSSL_COMMAND}" genpkey -algorithm ed25519 -out "${RURE_SIGNING_KEY_FILE}"
            RESULT_VARIABLE _rure_result ERROR_VARIABLE _rure_errors)
        if(NOT _rure_result EQUAL 0)
            message(FATAL_ERROR "openssl could not generate the development key: ${_rure_errors}")
        endif()
        file(CHMOD "${RURE_SIGNING_KEY_FILE}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE)
    endif()
    if(NOT EXISTS "${RURE_SIGNING_KEY_FILE}")
        message(FATAL_ERROR "The signing key ${RURE_SIGNING_KEY_FILE} (RURE_SIGNING_KEY) does not exist")
    endif()

    execute_process(
        COMMAND "${RURE_OPENSSL_COMMAND}" pkey -in "${RURE_SIGNING_KEY_FILE}" -pubout
        RESULT_VARIABLE _rure_result OUTPUT_VARIABLE RURE_SIGNING_PUBLIC_KEY_PEM
        ERROR_VARIABLE _rure_errors)
    if(NOT _rure_result EQUAL 0 OR NOT RURE_SIGNING_PUBLIC_KEY_PEM MATCHES "^-----BEGIN PUBLIC KEY-----")
        message(FATAL_ERROR "openssl could not read the signing key ${RURE_SIGNING_KEY_FILE}: ${_rure_errors}")
    endif()
    # Rewritten only when the key changes, so reconfiguring rebuilds nothing.
    configure_file("${CMAKE_CURRENT_LIST_DIR}/BundleTrustedKey.h.in"
                   "${RURE_SIGNING_GENERATED_DIR}/BundleTrustedKey.h" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${RURE_SIGNING_KEY_FILE}")
endif()
