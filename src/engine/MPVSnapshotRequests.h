#pragma once

#include "engine/PlaybackEngine.h"

#include <QImage>
#include <QObject>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

struct mpv_node;

namespace rure {

// The picture of an engine's "screenshot-raw" answer (a map of "w", "h",
// "stride", "format" and "data"), copied out of the engine's memory; nothing
// for any other answer, a format but "bgr0", or sizes that do not add up.
std::optional<QImage> pictureFromScreenshotNode(const mpv_node& node);

// One engine instance's snapshot requests that wait for the engine's answer.
// The engine is asked without waiting on the GUI thread; its answer arrives on
// the event loop's thread as a command reply, and the handler is run on the
// GUI thread. Whatever the engine never answered is answered with nothing when
// the instance goes. Thread-safe.
class MPVSnapshotRequests {
public:
    // `mainThreadContext` must outlive every request; handlers run on its thread.
    explicit MPVSnapshotRequests(QObject* mainThreadContext);
    ~MPVSnapshotRequests();
    MPVSnapshotRequests(const MPVSnapshotRequests&) = delete;
    MPVSnapshotRequests& operator=(const MPVSnapshotRequests&) = delete;

    // Registers `done` and answers the reply number to send with the command.
    uint64_t add(SnapshotHandler done);
    // Whether `replyNumber` is one of ours and still unanswered.
    bool isPending(uint64_t replyNumber) const;
    // Whether any request waits for its answer.
    bool anyPending() const;
    // The engine's reply to `replyNumber`: its error (negative for a failure)
    // and its result. Posts the handler; does nothing for a number that is not
    // waiting. Any thread.
    void answer(uint64_t replyNumber, int error, const mpv_node* result);
    // Answers every waiting request with nothing (the engine will not).
    void abandonAll();

private:
    void post(SnapshotHandler done, std::optional<QImage> picture);

    QObject* const mainThreadContext_;
    mutable std::mutex lock_;
    std::map<uint64_t, SnapshotHandler> pending_;
    // Reply numbers start high, away from anything else the engine is asked.
    uint64_t nextReplyNumber_ = uint64_t{1} << 32;
};

} // namespace rure
