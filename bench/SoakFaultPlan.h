#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace rure::bench {

enum class SoakFaultKind {
    powerLoss,    // the camera process is killed and started again a few seconds later
    stall,        // the camera stops sending frames, connections open, then resumes
    longOutage,   // the camera is gone for more than a minute
    sleep,        // the machine sleeps for a few seconds and wakes
    cameraSwitch, // the user picks the other camera
};

QString faultName(SoakFaultKind kind);

struct SoakFault {
    SoakFaultKind kind = SoakFaultKind::powerLoss;
    // How long the camera is down, stalled or the machine asleep; 0 for a switch.
    double seconds = 0;
};

// The seeded schedule of faults: a pause of 20 to 60 s before each, and the
// kinds dealt from a shuffled deck of all five, so that every kind comes up
// once in every five faults, even in a short run.
class SoakFaultPlan {
public:
    explicit SoakFaultPlan(std::uint32_t seed);

    double nextPause();
    // The next fault that, with its recovery, fits in `secondsLeft`; nothing when
    // no kind fits any more.
    std::optional<SoakFault> next(double secondsLeft);
    // How long a fault takes at most while the viewer keeps to its back-off:
    // the fault itself, the longest recovery after it and the preparation.
    static double budget(const SoakFault& fault);

private:
    double uniform(double low, double high);
    SoakFault draw(SoakFaultKind kind);

    std::mt19937 random_;
    std::vector<SoakFaultKind> deck_;
};

} // namespace rure::bench
