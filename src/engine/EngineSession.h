#pragma once

#include "engine/PlaybackEngine.h"
#include "engine/VideoViewChoice.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <variant>

namespace rure {

// One running engine instance with everything tied to it: the engine, its
// event loop and its attachment to the view (the render context and the
// view's new-picture handler). Destroying the session takes them down in the
// one safe order: the view stops reporting pictures, the event loop stops
// (its thread has left the engine), the render context is freed, then the
// engine is destroyed. GUI thread only.
class EngineSession {
public:
    // Creates an engine instance for `view` with the factory, starts its event
    // loop, and routes the view's new pictures to `frameRendered`. Events and
    // pictures carry `generation`. On failure nothing is left behind; without a
    // view to attach to, the session fails as EngineStartError::attach.
    static std::variant<std::unique_ptr<EngineSession>, EngineStartError>
    start(PlaybackEngineFactory& factory, CreatedVideoView view, int64_t generation,
          PlaybackEngineEventHandler events, std::function<void(int64_t generation)> frameRendered);

    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    int64_t generation() const { return generation_; }
    PlaybackEngine& engine() { return *engine_; }

private:
    EngineSession(CreatedVideoView view, int64_t generation,
                  std::unique_ptr<PlaybackEngine> engine);

    QPointer<QWidget> viewWidget_; // the view may go before the session
    VideoView* view_;
    int64_t generation_;
    std::unique_ptr<PlaybackEngine> engine_;
    std::unique_ptr<EngineEventLoop> eventLoop_;
};

} // namespace rure
