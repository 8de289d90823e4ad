#pragma once

#include "SoakTimeline.h"

#include "common/RureLog.h"

#include <mutex>
#include <optional>
#include <vector>

namespace rure::bench {

// One recovery the viewer announced ("Scheduling recovery N in X seconds; ...").
struct SoakScheduledRecovery {
    SoakClock::time_point at;
    double delaySeconds = 0;
    QString text;
};

// Takes the viewer's log entries while alive: keeps them with their arrival
// time for the figures, and writes them to standard error on the soak's time
// line (debug entries only with RURE_LOG_LEVEL=debug), so that a late recovery
// can be read against what the viewer did.
class SoakViewerLog {
public:
    SoakViewerLog();
    ~SoakViewerLog();
    SoakViewerLog(const SoakViewerLog&) = delete;
    SoakViewerLog& operator=(const SoakViewerLog&) = delete;

    // The last recovery announced at or before `at`.
    std::optional<SoakScheduledRecovery> lastRecoveryAtOrBefore(SoakClock::time_point at) const;
    // The first recovery announced in [from, to].
    std::optional<SoakScheduledRecovery> firstRecoveryBetween(SoakClock::time_point from,
                                                              SoakClock::time_point to) const;
    // When an entry starting with `prefix` first arrived at or after `since`.
    std::optional<SoakClock::time_point> firstArrival(const QString& prefix,
                                                      SoakClock::time_point since) const;

private:
    struct Entry {
        SoakClock::time_point at;
        RureLogEntry entry;
    };

    void take(const RureLogEntry& entry);

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::vector<SoakScheduledRecovery> recoveries_;
    bool echoDebug_ = false;
    RureLog::Sink previous_;
};

} // namespace rure::bench
