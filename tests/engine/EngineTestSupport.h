#pragma once

#include "engine/MPVHandle.h"

#include <chrono>
#include <functional>

namespace rure::test {

// Processes GUI-thread events until `condition` holds or `timeout` has passed;
// returns the condition's final value. The timeouts are generous on purpose:
// they only bound a failing test.
bool processEventsUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Processes GUI-thread events for `duration`.
void processEventsFor(std::chrono::milliseconds duration);

// Threads of this process whose OS name is the event loop's (its label cut to
// the 15 characters the kernel keeps).
int eventLoopThreadCount();

// Keeps the GL drivers that are loaded now (Mesa's "*_dri.so") loaded until the
// process ends. Mesa unloads its driver when the display closes, before the leak
// check at exit; leaks inside the driver would then be reported without a
// library name and the suppressions for system libraries could not match them.
void keepGLDriversLoaded();

// An initialised engine instance that needs no window: no video output, no audio,
// no user configuration.
MPVHandle makeHeadlessEngine();

} // namespace rure::test
