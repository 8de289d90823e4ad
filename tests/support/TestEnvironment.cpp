#include "TestEnvironment.h"

#include "BuildPlaces.h"

#include <QtGlobal>

namespace rure::test {

QString testCameraProgram() {
    return qEnvironmentVariable("RURE_TEST_CAMERA", QString::fromUtf8(build::testCameraProgram));
}

QString binaryDirectory() {
    return qEnvironmentVariable("RURE_BINARY_DIR", QString::fromUtf8(build::binaryDirectory));
}

} // namespace rure::test
