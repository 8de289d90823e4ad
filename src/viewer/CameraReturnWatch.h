#pragma once

#include "common/Scheduler.h"
#include "viewer/LocalNetworkPreflightTarget.h"

#include <QObject>

#include <functional>

class QTcpSocket;

namespace rure {

// While a recovery waits out a long back-off slot for a camera that refused or
// failed the last connection, knocks on the camera's port every couple of
// seconds: a plain TCP connection, closed as soon as it is made. The first
// time the camera accepts one, the watch stops and reports that the camera
// answers again, so that the waiting attempt can start at once instead of up
// to half a minute later. A knock that gets no answer at all is given up
// after a moment and counts as no answer.
class CameraReturnWatch final : public QObject {
public:
    using Answered = std::function<void()>;

    explicit CameraReturnWatch(Scheduler& scheduler, QObject* parent = nullptr);
    ~CameraReturnWatch() override;

    // Starts watching `target` (stopping any earlier watch); the first knock
    // goes out after one period.
    void start(const LocalNetworkPreflightTarget& target, Answered answered);
    // Stops watching; `answered` is never called for this watch.
    void stop();
    bool isWatching() const { return static_cast<bool>(knocks_); }

    static constexpr Seconds period{2.0};
    static constexpr Seconds knockTimeLimit{1.5};

private:
    void knock();
    void dropKnock();
    void accepted(QTcpSocket* connection);

    Scheduler& scheduler_;
    LocalNetworkPreflightTarget target_;
    Answered answered_;
    TaskHandle knocks_;
    TaskHandle knockLimit_;
    QTcpSocket* connection_ = nullptr; // owned; deleted through deleteLater
};

} // namespace rure
