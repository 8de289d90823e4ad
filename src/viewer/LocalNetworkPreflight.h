#pragma once

#include "common/Scheduler.h"
#include "viewer/LocalNetworkPreflightTarget.h"

#include <QObject>

#include <functional>

class QTcpSocket;

namespace rure {

// The local-network preflight: a plain TCP connection to the camera before
// every engine start and recovery, so that the camera's reachability is known
// (and any local-network permission settled) before the engine connects. One
// probe at a time; a new one may start only after the last has finished or
// been cancelled.
class LocalNetworkPreflight final : public QObject {
public:
    // Called once per probe that is not cancelled: `reachable` is true when the
    // camera accepted the connection or the probe took longer than the
    // fallback delay (playback goes ahead and finds out for itself), false when
    // the connection failed.
    using Finished = std::function<void(bool reachable)>;

    explicit LocalNetworkPreflight(Scheduler& scheduler, QObject* parent = nullptr);
    ~LocalNetworkPreflight() override;

    // Starts a probe of `target`. Its socket's signals are handed on through
    // the scheduler's queue, never acted on inside the socket's own signal.
    void start(const LocalNetworkPreflightTarget& target, Finished finished);
    // Drops a running probe; its `finished` is never called.
    void cancel();
    bool isRunning() const { return connection_ != nullptr; }
    // Whether the last probe failed because the camera's name was not found.
    bool nameWasNotFound() const { return nameWasNotFound_; }

    // How long a probe may take before playback goes ahead anyway.
    static constexpr Seconds fallbackDelay{1.25};

private:
    void finish(QTcpSocket* connection, bool reachable);

    Scheduler& scheduler_;
    QTcpSocket* connection_ = nullptr; // owned; deleted through deleteLater
    TaskHandle fallback_;
    Finished finished_;
    bool nameWasNotFound_ = false;
};

} // namespace rure
