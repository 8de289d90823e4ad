#include "TestEnvironment.h"

#include <QtGlobal>

namespace rure::test {

QString testCameraProgram() { return qEnvironmentVariable("RURE_TEST_CAMERA"); }

QString binaryDirectory() { return qEnvironmentVariable("RURE_BINARY_DIR"); }

} // namespace rure::test
