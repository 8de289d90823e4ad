#include "MPVEventLoop.h"

#include "engine/MPVEventMapping.h"
#include "engine/MPVSnapshotRequests.h"

#include <mpv/client.h>

#include <QMetaObject>

#include <pthread.h>

#include <string>
#include <utility>

namespace rure {

MPVEventLoop::MPVEventLoop(mpv_handle* player, int64_t generation,
                           PlaybackEngineEventHandler handler, QObject* mainThreadContext,
                           std::shared_ptr<MPVSnapshotRequests> snapshots)
    : player_(player), generation_(generation), handler_(std::move(handler)),
      mainThreadContext_(mainThreadContext), snapshots_(std::move(snapshots)) {}

MPVEventLoop::~MPVEventLoop() {
    stop();
    if (queue_.joinable()) {
        queue_.join();
    }
}

void MPVEventLoop::start() {
    {
        std::lock_guard guard(lock_);
        if (didStart_) {
            return;
        }
        didStart_ = true;
    }
    queue_ = std::thread([this] { run(); });
    // Named before start returns, so the thread is recognisable from its first moment.
    const std::string threadName = std::string(queueLabel).substr(0, 15);
    pthread_setname_np(queue_.native_handle(), threadName.c_str());
}

void MPVEventLoop::stop() {
    bool wasStopping = false;
    {
        std::lock_guard guard(lock_);
        wasStopping = shouldStop_;
        shouldStop_ = true;
        if (!didStart_) {
            return;
        }
    }
    if (wasStopping) {
        return;
    }
    mpv_wakeup(player_);
    stopped_.acquire();
    // The thread has left its loop and only has to return; joining here means a
    // stopped loop has no thread left at all.
    if (queue_.joinable()) {
        queue_.join();
    }
}

bool MPVEventLoop::stopRequested() {
    std::lock_guard guard(lock_);
    return shouldStop_;
}

void MPVEventLoop::run() {
    while (!stopRequested()) {
        const mpv_event* event = mpv_wait_event(player_, waitTimeoutSeconds);
        if (event != nullptr && event->event_id == MPV_EVENT_COMMAND_REPLY && snapshots_) {
            const auto* reply = static_cast<const mpv_event_command*>(event->data);
            snapshots_->answer(event->reply_userdata, event->error,
                               reply != nullptr ? &reply->result : nullptr);
        } else if (event != nullptr) {
            if (const auto mapped = playbackEngineEventFrom(*event)) {
                // The task owns copies of everything it needs: it may run after
                // this loop (and its engine instance) are long gone.
                QMetaObject::invokeMethod(
                    mainThreadContext_,
                    [handler = handler_, mappedEvent = *mapped, generation = generation_] {
                        if (handler) {
                            handler(mappedEvent, generation);
                        }
                    },
                    Qt::QueuedConnection);
            }
        }
    }
    stopped_.release();
}

} // namespace rure
