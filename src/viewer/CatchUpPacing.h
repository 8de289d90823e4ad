#pragma once

#include "common/Scheduler.h"

#include <optional>

namespace rure {

// How often the selected camera may be loaded again to catch up with its live
// picture. The first few catch-ups in a row run at once; after that each waits
// twice as long as the one before, from 30 s up to 10 minutes, so that a stream
// the machine cannot keep up with (one it decodes slower than it arrives) is
// not reloaded every few seconds. A quarter of an hour without a catch-up
// starts afresh.
class CatchUpPacing {
public:
    // Whether a catch-up may run at `now`; when it may, it is counted.
    bool allow(SteadyTime now);

    // The wait after the last catch-up before the next may run.
    double spacingSeconds() const;

    static constexpr int freeCatchUps = 3;
    static constexpr double firstSpacing = 30;
    static constexpr double longestSpacing = 600;
    static constexpr double quietPeriod = 900;

private:
    std::optional<SteadyTime> last_;
    int inARow_ = 0;
};

} // namespace rure
