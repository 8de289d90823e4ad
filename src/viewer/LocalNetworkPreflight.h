#pragma once

#include "common/Scheduler.h"
#include "viewer/LocalNetworkPreflightTarget.h"
#include "viewer/PortKnock.h"

#include <QObject>

#include <functional>

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

    // Starts a probe of `target`: one connection attempt to each of its
    // addresses until one accepts. Its outcome is handed on through the
    // scheduler's queue.
    void start(const LocalNetworkPreflightTarget& target, Finished finished);
    // Drops a running probe; its `finished` is never called.
    void cancel();
    bool isRunning() const { return static_cast<bool>(finished_); }
    // Whether the last probe failed because the camera's name was not found.
    bool nameWasNotFound() const { return nameWasNotFound_; }

    // How long a probe may take before playback goes ahead anyway.
    static constexpr Seconds fallbackDelay{1.25};

private:
    void finish(quint64 probe, bool reachable);

    Scheduler& scheduler_;
    PortKnock knock_;
    quint64 probes_ = 0;
    TaskHandle fallback_;
    Finished finished_;
    bool nameWasNotFound_ = false;
};

} // namespace rure
