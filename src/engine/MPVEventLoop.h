#pragma once

#include "engine/PlaybackEngine.h"

#include <QCoreApplication>
#include <QObject>

#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>

struct mpv_handle;

namespace rure {

class MPVSnapshotRequests;

// Drains one engine instance's events on a thread of its own and posts the ones
// the controller cares about to the GUI thread, tagged with the instance's
// generation so that late events of a replaced instance can be told apart.
class MPVEventLoop final : public EngineEventLoop {
public:
    // Full name of the loop's thread; the OS shows only its first 15 characters.
    static constexpr const char* queueLabel = "com.didirezoror.rure.mpv-events";
    // How long one wait for an event may last, so a stop request is seen even
    // without a wake-up.
    static constexpr double waitTimeoutSeconds = 0.5;

    // `mainThreadContext` must outlive the loop; handler calls are posted to its
    // thread and dropped if it is destroyed before they run. The engine's
    // answers to `snapshots` are handed to it.
    MPVEventLoop(mpv_handle* player, int64_t generation, PlaybackEngineEventHandler handler,
                 QObject* mainThreadContext = QCoreApplication::instance(),
                 std::shared_ptr<MPVSnapshotRequests> snapshots = {});
    // Stops the loop if the owner has not, then joins its thread: no thread ever
    // outlives the loop object.
    ~MPVEventLoop() override;
    MPVEventLoop(const MPVEventLoop&) = delete;
    MPVEventLoop& operator=(const MPVEventLoop&) = delete;

    void start() override;
    void stop() override;

private:
    void run();
    bool stopRequested();

    mpv_handle* const player_;
    const int64_t generation_;
    const PlaybackEngineEventHandler handler_;
    QObject* const mainThreadContext_;
    const std::shared_ptr<MPVSnapshotRequests> snapshots_;
    std::thread queue_;
    std::binary_semaphore stopped_{0};
    std::mutex lock_;
    bool shouldStop_ = false;
    bool didStart_ = false;
};

} // namespace rure
