#pragma once

#include "common/Scheduler.h"
#include "viewer/LocalNetworkPreflightTarget.h"
#include "viewer/PortKnock.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>

namespace rure {

// While a recovery waits out a back-off slot for a camera that refused or
// failed the last connection, knocks on the camera's port now and then (its
// owner says when: knocks grow rarer the longer the camera is gone): a plain
// TCP connection, closed as soon as it is made. The first time the camera
// accepts one, the watch stops and reports that the camera answers again, so
// that the waiting attempt can start at once instead of at the end of its
// slot. A knock that gets no answer at all is given up after a moment and
// counts as no answer.
class CameraReturnWatch final : public QObject {
public:
    using Answered = std::function<void()>;
    // The wait before the next knock, asked before each; nothing ends the
    // knocking (the watch then waits to be stopped).
    using NextKnock = std::function<std::optional<Seconds>()>;

    explicit CameraReturnWatch(Scheduler& scheduler, QObject* parent = nullptr);
    ~CameraReturnWatch() override;

    // Starts watching `target` (stopping any earlier watch); the first knock
    // goes out after the first wait `nextKnock` gives.
    void start(const LocalNetworkPreflightTarget& target, NextKnock nextKnock, Answered answered);
    // Stops watching; `answered` is never called for this watch.
    void stop();
    bool isWatching() const { return watching_; }
    // Knocks made since the watch was created.
    int64_t knocksMade() const { return knocksMade_; }

    // At most this long for a knock, and never longer than the wait before the next.
    static constexpr Seconds knockTimeLimit{1.5};

private:
    void scheduleKnock();
    void knock(Seconds timeLimit);
    void dropKnock();
    void accepted(int64_t knock);

    Scheduler& scheduler_;
    LocalNetworkPreflightTarget target_;
    NextKnock nextKnock_;
    Answered answered_;
    bool watching_ = false;
    int64_t knocksMade_ = 0;
    TaskHandle knocks_;
    TaskHandle knockLimit_;
    PortKnock knock_;
    // The knock whose acceptance is still to be reported (0: none).
    int64_t answeringKnock_ = 0;
};

} // namespace rure
