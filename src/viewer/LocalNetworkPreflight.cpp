#include "LocalNetworkPreflight.h"

#include "common/RureLog.h"

namespace rure {

LocalNetworkPreflight::LocalNetworkPreflight(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {}

LocalNetworkPreflight::~LocalNetworkPreflight() {
    cancel();
}

void LocalNetworkPreflight::start(const LocalNetworkPreflightTarget& target, Finished finished) {
    Q_ASSERT(!isRunning());
    cancel();
    finished_ = std::move(finished);
    nameWasNotFound_ = false;
    const quint64 probe = ++probes_;
    knock_.start(target.host, target.port, [this, probe](PortKnockResult result) {
        if (result == PortKnockResult::accepted) {
            RureLog::network().debug(
                QStringLiteral("The local-network preflight reached ready state."));
        } else {
            nameWasNotFound_ = result == PortKnockResult::nameNotFound;
            RureLog::network().error(QStringLiteral("The local-network preflight failed."));
        }
        // Handed on through the scheduler's queue: the owner may start the
        // next probe, or cancel this one, from inside `finished`.
        scheduler_.post(
            this, [this, probe, result] { finish(probe, result == PortKnockResult::accepted); });
    });
    fallback_ = scheduler_.schedule(fallbackDelay, this, [this, probe] {
        if (probe != probes_ || !finished_) {
            return;
        }
        RureLog::network().debug(QStringLiteral("The local-network preflight fallback elapsed; "
                                                "continuing with playback recovery."));
        finish(probe, true);
    });
}

void LocalNetworkPreflight::finish(quint64 probe, bool reachable) {
    // A probe that was cancelled or replaced meanwhile reports nothing.
    if (probe != probes_ || !finished_) {
        return;
    }
    Finished finished = std::move(finished_);
    cancel();
    finished(reachable);
}

void LocalNetworkPreflight::cancel() {
    ++probes_;
    fallback_.reset();
    finished_ = {};
    knock_.cancel();
}

} // namespace rure
