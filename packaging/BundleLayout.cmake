# Where the build puts the bundles and the Debian package. The packaging
# directory makes them; the tests include this file to find them.
#
# Sets RURE_BUNDLES_DIR, RURE_APP_BUNDLE, RURE_INSTALLER_BUNDLE,
# RURE_INSTALLER_ARCHIVE, RURE_DEB_DIR, RURE_DEB_ARCHITECTURE and RURE_DEB_FILE
# (the last two empty where dpkg is missing: no package is made there).

set(RURE_BUNDLES_DIR "${CMAKE_BINARY_DIR}/bundles")
set(RURE_APP_BUNDLE "${RURE_BUNDLES_DIR}/Rure.app")
set(RURE_INSTALLER_BUNDLE "${RURE_BUNDLES_DIR}/Rizezad Aduz.app")
set(RURE_INSTALLER_ARCHIVE "${RURE_BUNDLES_DIR}/Rizezad-Aduz-${PROJECT_VERSION}.tar.gz")
set(RURE_DEB_DIR "${CMAKE_BINARY_DIR}/packages")

set(RURE_DEB_ARCHITECTURE "")
set(RURE_DEB_FILE "")
find_program(RURE_DPKG_COMMAND dpkg)
if(RURE_DPKG_COMMAND)
    execute_process(COMMAND "${RURE_DPKG_COMMAND}" --print-architecture
                    OUTPUT_VARIABLE RURE_DEB_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _rure_dpkg_result)
    if(_rure_dpkg_result EQUAL 0 AND RURE_DEB_ARCHITECTURE)
        set(RURE_DEB_FILE
            "${RURE_DEB_DIR}/rure_${PROJECT_VERSION}-${RURE_BUILD_NUMBER}_${RURE_DEB_ARCHITECTURE}.deb")
    else()
        set(RURE_DEB_ARCHITECTURE "")
    endif()
endif()
