#pragma once

#include "common/Scheduler.h"

#include <optional>

namespace rure {

// How often the selected camera may be loaded again to catch up with its live
// picture. A catch-up that brought the picture back to live (none was asked
// for in the `heldSeconds` after it: a stall of the camera or the network,
// fixed) does not count against the next one. Catch-ups that keep coming (a stream the
// machine decodes slower than it arrives) run at once the first few times;
// after that each waits twice as long as the one before, from 30 s up to 10
// minutes, so that such a stream is not reloaded every few seconds.
class CatchUpPacing {
public:
    // Whether a catch-up may run at `now`; when it may, it is counted.
    bool allow(SteadyTime now);

    // The wait after the last catch-up before the next may run.
    double spacingSeconds() const;

    static constexpr int freeCatchUps = 3;
    static constexpr double firstSpacing = 30;
    static constexpr double longestSpacing = 600;
    static constexpr double heldSeconds = 20;

private:
    std::optional<SteadyTime> last_;
    int inARow_ = 0;
    // A catch-up was asked for and refused since the last one ran: the
    // picture did not stay live.
    bool refusedSinceLast_ = false;
};

} // namespace rure
