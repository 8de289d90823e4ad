#include "SoakViewerLog.h"

#include <QRegularExpression>

namespace rure::bench {

namespace {

// Far above what an hour of faults produces; a viewer that floods its log must
// not make the soak grow along with it.
constexpr size_t maximumEntries = 100000;

const QRegularExpression& scheduledRecovery() {
    static const QRegularExpression line(
        QStringLiteral(R"(^Scheduling recovery \d+ in (\d+(?:\.\d+)?) seconds;)"));
    return line;
}

} // namespace

SoakViewerLog::SoakViewerLog()
    : echoDebug_(qEnvironmentVariable("RURE_LOG_LEVEL") == QStringLiteral("debug")) {
    previous_ = RureLog::setSink([this](const RureLogEntry& entry) { take(entry); });
}

SoakViewerLog::~SoakViewerLog() {
    RureLog::setSink(previous_);
}

void SoakViewerLog::take(const RureLogEntry& entry) {
    const SoakClock::time_point at = SoakClock::now();
    if (entry.level != RureLogLevel::debug || echoDebug_) {
        SoakTimeline::progress(QStringLiteral("viewer: %1.%2 %3: %4")
                                   .arg(entry.subsystem, categoryName(entry.category),
                                        levelName(entry.level), entry.text));
    }
    const std::lock_guard lock(mutex_);
    const auto match = scheduledRecovery().match(entry.text);
    if (match.hasMatch()) {
        recoveries_.push_back({at, match.captured(1).toDouble(), entry.text});
    }
    // Debug entries (one per engine message) would grow without bound over an
    // hour; the figures need the others only.
    if (entry.level != RureLogLevel::debug) {
        if (entries_.size() >= maximumEntries) {
            entries_.erase(entries_.begin(), entries_.begin() + maximumEntries / 2);
        }
        entries_.push_back({at, entry});
    }
}

std::optional<SoakScheduledRecovery>
SoakViewerLog::lastRecoveryAtOrBefore(SoakClock::time_point at) const {
    const std::lock_guard lock(mutex_);
    for (auto it = recoveries_.rbegin(); it != recoveries_.rend(); ++it) {
        if (it->at <= at) {
            return *it;
        }
    }
    return std::nullopt;
}

std::optional<SoakScheduledRecovery>
SoakViewerLog::firstRecoveryBetween(SoakClock::time_point from, SoakClock::time_point to) const {
    const std::lock_guard lock(mutex_);
    for (const SoakScheduledRecovery& recovery : recoveries_) {
        if (recovery.at >= from && recovery.at <= to) {
            return recovery;
        }
    }
    return std::nullopt;
}

std::optional<SoakClock::time_point>
SoakViewerLog::firstArrival(const QString& prefix, SoakClock::time_point since) const {
    const std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
        if (entry.at >= since && entry.entry.text.startsWith(prefix)) {
            return entry.at;
        }
    }
    return std::nullopt;
}

} // namespace rure::bench
