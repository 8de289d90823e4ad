#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace rure {

// When recovery attempts are made, and how often a camera that refused the
// last connection is knocked on meanwhile. Both slow down the longer the
// camera has been gone, so that a camera that is off for hours is asked about
// once a minute, never hammered: at most about 250 connections in its first
// hour, about 55 an hour after that.
struct RecoverySchedule {
    // The slot before attempt `attempt` (0 for the first after a good
    // picture), `outageSeconds` into the outage; jitter is added by the caller.
    static double slotSeconds(int64_t attempt, bool immediate, double outageSeconds);

    // The wait before the next knock on the camera's port, `outageSeconds`
    // into the outage, while a slot of `slotSeconds` runs: a second for the
    // first ten seconds, then twice as long for each doubling of the outage,
    // never more often than once a minute after ten minutes, and never once
    // the wait reaches the slot (the attempt itself comes first then).
    static std::optional<double> knockPeriod(double outageSeconds, double slotSeconds);

    static constexpr double immediateDelay = 0.5;
    static constexpr std::array<double, 7> backOffDelays{0.5, 1.0, 2.0, 4.0, 8.0, 15.0, 30.0};
    // After an hour of outage, one attempt every two and a half minutes.
    static constexpr double longOutageSeconds = 3600;
    static constexpr double longOutageDelay = 150;

    // A camera that refused the user name or password this many times in a
    // row is asked once every five minutes: real cameras lock an account
    // after a few failures.
    static constexpr int64_t credentialRefusalsBeforeSlowing = 3;
    static constexpr double refusedCredentialsDelay = 300;

    static constexpr double firstKnockPeriod = 1.0;
    static constexpr double quickKnocksFor = 10;
    static constexpr double slowKnocksAfter = 600;
    static constexpr double slowKnockPeriod = 60;
};

} // namespace rure
