#pragma once

#include "common/Scheduler.h"

#include <QString>

#include <chrono>

namespace rure::bench {

using SoakClock = std::chrono::steady_clock;

// The soak's time line: every figure and progress line counts seconds from the
// moment the run began, on the steady clock (CLOCK_MONOTONIC, the clock the
// test camera stamps its picture switches with).
class SoakTimeline {
public:
    // Marks the beginning of the run; the first call wins.
    static void begin();
    static SoakClock::time_point start();
    static double secondsAt(SoakClock::time_point at);
    static double now();
    static SoakClock::time_point fromMonotonicNanoseconds(qint64 nanoseconds);

    // Writes one progress line on standard error: wall clock, run seconds, text.
    static void progress(const QString& text);
};

} // namespace rure::bench
