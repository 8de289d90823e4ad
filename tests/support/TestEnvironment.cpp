#include "TestEnvironment.h"

#include <QtGlobal>

namespace rure::test {

QString testCameraProgram() {
    return qEnvironmentVariable("RURE_TEST_CAMERA", QStringLiteral(RURE_TEST_CAMERA_DEFAULT));
}

QString binaryDirectory() {
    return qEnvironmentVariable("RURE_BINARY_DIR", QStringLiteral(RURE_BINARY_DIR_DEFAULT));
}

} // namespace rure::test
