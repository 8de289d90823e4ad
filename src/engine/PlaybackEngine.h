#pragma once

#include "common/Result.h"
#include "engine/PlaybackEngineEvent.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

namespace rure {

class VideoView;

// Called on the GUI thread with an event and the generation of the engine
// instance that produced it.
using PlaybackEngineEventHandler = std::function<void(PlaybackEngineEvent, int64_t generation)>;

// Drains one engine instance's events on a thread of its own.
class EngineEventLoop {
public:
    virtual ~EngineEventLoop() = default;
    // Starts draining; a second call does nothing.
    virtual void start() = 0;
    // GUI thread. Ends the loop and waits until its thread has left it; a loop
    // that never started is stopped without waiting. A second call returns at once.
    virtual void stop() = 0;
};

// Answers a snapshot request: the picture, or nothing when the engine could
// not take one. Runs on the GUI thread.
using SnapshotHandler = std::function<void(std::optional<QImage> picture)>;

// One live engine instance, already created, configured, initialised and
// attached to a video view. Destroying it destroys the engine instance; the
// controller does that only after the event loop has stopped and the view's
// render context has been freed. All members run on the GUI thread.
class PlaybackEngine {
public:
    virtual ~PlaybackEngine() = default;

    // "loadfile <url> replace". Returns the engine's status; negative = rejected.
    // Anything but an RTSP address (isRtspAddress) is rejected before the
    // engine sees it.
    virtual int loadFile(const QString& url) = 0;
    // The "stop" command; its status is ignored.
    virtual void stopPlayback() = 0;
    // Sets a property from text; its status is ignored.
    virtual void setProperty(const QString& name, const QString& value) = 0;
    // Reads a signed 64-bit integer property; nothing when the read fails.
    virtual std::optional<int64_t> integerProperty(const char* name) = 0;
    // The stream time of the picture being shown, in seconds; nothing before
    // the first picture or when the engine cannot say.
    virtual std::optional<double> streamPosition() = 0;
    // Asks for the picture the engine shows now as the engine holds it: at its
    // own size, not scaled to the view, with nothing drawn over it (a crop
    // that the engine itself applies is in it). Returns at once; `done` runs
    // later on the GUI thread, exactly once, also when the instance is
    // destroyed before it answers.
    virtual void takeSnapshot(SnapshotHandler done) = 0;
    // Creates (does not start) the event loop of this instance.
    virtual std::unique_ptr<EngineEventLoop> makeEventLoop(int64_t generation,
                                                           PlaybackEngineEventHandler handler) = 0;
};

// Why an engine instance could not be made. Each case has the text shown to the user.
enum class EngineStartError { create, initialize, attach };

QString describe(EngineStartError error);

// Creates engine instances: create, set the option table, initialise, attach to
// the view. On failure nothing is left behind (no handle, no render context).
class PlaybackEngineFactory {
public:
    virtual ~PlaybackEngineFactory() = default;
    virtual std::variant<std::unique_ptr<PlaybackEngine>, EngineStartError>
    createEngine(VideoView& view) = 0;
};

} // namespace rure
