#pragma once

namespace rure::test {

// Mesa unloads its driver when the last GL display closes, before the leak
// checker runs at exit; the driver's own small leaks then name no library and
// cannot be suppressed. Call once a GL context exists: the loaded drivers stay
// resident until the process ends.
void keepGLDriversLoaded();

} // namespace rure::test
