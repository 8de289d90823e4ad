#include "CameraReturnWatch.h"

#include "common/RureLog.h"

namespace rure {

CameraReturnWatch::CameraReturnWatch(Scheduler& scheduler, QObject* parent)
    : QObject(parent), scheduler_(scheduler) {}

CameraReturnWatch::~CameraReturnWatch() {
    stop();
}

void CameraReturnWatch::start(const LocalNetworkPreflightTarget& target, NextKnock nextKnock,
                              Answered answered) {
    stop();
    target_ = target;
    nextKnock_ = std::move(nextKnock);
    answered_ = std::move(answered);
    watching_ = true;
    scheduleKnock();
}

void CameraReturnWatch::stop() {
    watching_ = false;
    knocks_.reset();
    nextKnock_ = {};
    answered_ = {};
    dropKnock();
}

void CameraReturnWatch::scheduleKnock() {
    knocks_.reset();
    const std::optional<Seconds> wait = nextKnock_ ? nextKnock_() : std::nullopt;
    if (!wait) {
        return;
    }
    knocks_ = scheduler_.schedule(*wait, this, [this, wait] {
        knock(std::min(*wait, std::chrono::duration_cast<Seconds>(knockTimeLimit)));
        scheduleKnock();
    });
}

void CameraReturnWatch::knock(Seconds timeLimit) {
    // A knock still unanswered from the last period is given up for a new one.
    dropKnock();
    ++knocksMade_;
    RureLog::network().debug(QStringLiteral("Knocking on the camera's port."));
    const int64_t made = knocksMade_;
    answeringKnock_ = made;
    knock_.start(target_.host, target_.port, [this, made](PortKnockResult result) {
        knockLimit_.reset();
        if (result != PortKnockResult::accepted) {
            answeringKnock_ = 0;
            return;
        }
        // Handed on through the scheduler's queue: the watch's owner may stop
        // it from inside `answered`.
        scheduler_.post(this, [this, made] { accepted(made); });
    });
    knockLimit_ = scheduler_.schedule(timeLimit, this, [this] { dropKnock(); });
}

void CameraReturnWatch::accepted(int64_t knock) {
    if (knock != answeringKnock_ || !watching_) {
        return;
    }
    Answered answered = std::move(answered_);
    stop();
    if (answered) {
        answered();
    }
}

void CameraReturnWatch::dropKnock() {
    knockLimit_.reset();
    knock_.cancel();
    answeringKnock_ = 0;
}

} // namespace rure
