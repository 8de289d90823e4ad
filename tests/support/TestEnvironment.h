#pragma once

#include <QString>

namespace rure::test {

// Path of the built test camera program (set by CTest through RURE_TEST_CAMERA).
QString testCameraProgram();

// The build directory (set by CTest through RURE_BINARY_DIR).
QString binaryDirectory();

} // namespace rure::test
