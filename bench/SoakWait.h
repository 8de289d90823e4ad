#pragma once

#include <functional>

namespace rure::bench {

// Bounded waits on the GUI thread. The thread keeps running its event loop in
// the meantime (the viewer lives on it), sleeping between checks instead of
// spinning, so the viewer gets the machine as it would on its own. Every wait
// ends early once an interrupt (SIGINT, SIGTERM) asked the soak to stop.
class SoakWait {
public:
    // True once `done` holds; false when `seconds` passed or the soak is stopping.
    static bool until(const std::function<bool()>& done, double seconds);
    // Lets `seconds` pass; false when the soak is stopping.
    static bool pause(double seconds);

    // Turns SIGINT and SIGTERM into a stop request for every wait.
    static void installInterruptHandlers();
    static bool stopRequested();
};

} // namespace rure::bench
