#include "MPVEngine.h"

#include "common/RtspAddress.h"
#include "engine/VideoCropEmulation.h"

#include "engine/MPVEventLoop.h"
#include "engine/MPVSnapshotRequests.h"

#include <QCoreApplication>

#include <QByteArray>

#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace rure {

MPVEngine::MPVEngine(MPVHandle handle)
    : snapshots_(std::make_shared<MPVSnapshotRequests>(QCoreApplication::instance())),
      handle_(std::move(handle)) {}

MPVEngine::~MPVEngine() {
    handle_.reset();
#if defined(__GLIBC__)
    // The instance's decoder and demuxer buffers were freed across the
    // allocator's per-thread arenas, which keep such pages for later. An
    // engine is rebuilt rarely and the viewer runs for days: hand them back
    // (about 13 MiB here after a few rebuilds).
    malloc_trim(0);
#endif
}

int MPVEngine::loadFile(const QString& url) {
    // The engine would open any address it knows (a file, a device, a filter
    // graph, a playlist); it never sees one that is not a camera's.
    if (!isRtspAddress(url)) {
        return MPV_ERROR_INVALID_PARAMETER;
    }
    // Through the relay, which hands each picture to the decoder as soon as
    // its last packet is in.
    const QByteArray address = relay_.route(url).toUtf8();
    const char* arguments[] = {"loadfile", address.constData(), "replace", nullptr};
    const int status = mpv_command(handle_.get(), arguments);
    // With "keep-open" the engine pauses on the last frame when a stream ends
    // (a camera losing power), and the pause outlives the next load: the
    // camera would come back to one frozen picture. Every load plays. Only
    // after the load: before it, the ended stream is still current and the
    // engine pauses it again at once.
    mpv_set_property_string(handle_.get(), "pause", "no");
    return status;
}

void MPVEngine::stopPlayback() {
    mpv_command_string(handle_.get(), "stop");
}

void MPVEngine::setProperty(const QString& name, const QString& value) {
    const int status = mpv_set_property_string(handle_.get(), name.toUtf8().constData(),
                                               value.toUtf8().constData());
    if (status == MPV_ERROR_PROPERTY_NOT_FOUND && name == QLatin1String("video-crop")) {
        emulateVideoCrop(value);
    }
}

void MPVEngine::emulateVideoCrop(const QString& text) {
    const int64_t width = integerProperty("video-params/w").value_or(0);
    const int64_t height = integerProperty("video-params/h").value_or(0);
    const std::optional<QString> filter = videoCropFilter(text, width, height);
    if (filter) {
        mpv_set_property_string(handle_.get(), "vf", filter->toUtf8().constData());
    }
}

std::optional<int64_t> MPVEngine::integerProperty(const char* name) {
    if (snapshots_->anyPending()) {
        return std::nullopt;
    }
    int64_t value = 0;
    if (mpv_get_property(handle_.get(), name, MPV_FORMAT_INT64, &value) < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> MPVEngine::streamPosition() {
    if (snapshots_->anyPending()) {
        return std::nullopt;
    }
    double seconds = 0;
    if (mpv_get_property(handle_.get(), "time-pos", MPV_FORMAT_DOUBLE, &seconds) < 0) {
        return std::nullopt;
    }
    return seconds;
}

void MPVEngine::takeSnapshot(SnapshotHandler done) {
    // "video": the decoded picture at its own size, without subtitles or
    // anything the engine draws on screen. The engine converts it to "bgr0"
    // on its own thread and answers through the event loop. While it does,
    // the engine waits for the view to draw the picture it has queued, and
    // the view draws on this thread: a blocking read from here would hold
    // both up until the engine gives up waiting (0.2 s), so reads answer
    // nothing until the answer is in.
    const uint64_t replyNumber = snapshots_->add(std::move(done));
    const char* arguments[] = {"screenshot-raw", "video", nullptr};
    if (const int status = mpv_command_async(handle_.get(), replyNumber, arguments); status < 0) {
        snapshots_->answer(replyNumber, status, nullptr);
    }
}

std::unique_ptr<EngineEventLoop> MPVEngine::makeEventLoop(int64_t generation,
                                                          PlaybackEngineEventHandler handler) {
    return std::make_unique<MPVEventLoop>(handle_.get(), generation, std::move(handler),
                                          QCoreApplication::instance(), snapshots_);
}

} // namespace rure
