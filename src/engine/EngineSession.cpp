#include "EngineSession.h"

#include "engine/VideoView.h"

#include <utility>

namespace rure {

std::variant<std::unique_ptr<EngineSession>, EngineStartError>
EngineSession::start(PlaybackEngineFactory& factory, CreatedVideoView view, int64_t generation,
                     PlaybackEngineEventHandler events,
                     std::function<void(int64_t generation)> frameRendered) {
    if (view.view == nullptr) {
        return EngineStartError::attach;
    }
    auto created = factory.createEngine(*view.view);
    if (const auto* failure = std::get_if<EngineStartError>(&created)) {
        return *failure;
    }
    // Not make_unique: the constructor is private.
    std::unique_ptr<EngineSession> session(
        new EngineSession(view, generation, std::move(std::get<0>(created))));
    session->eventLoop_ = session->engine_->makeEventLoop(generation, std::move(events));
    session->eventLoop_->start();
    if (frameRendered) {
        view.view->setFrameRenderedHandler(
            [frameRendered = std::move(frameRendered), generation] { frameRendered(generation); });
    }
    return session;
}

EngineSession::EngineSession(CreatedVideoView view, int64_t generation,
                             std::unique_ptr<PlaybackEngine> engine)
    : viewWidget_(view.widget), view_(view.view), generation_(generation),
      engine_(std::move(engine)) {}

EngineSession::~EngineSession() {
    // A view that is gone reports nothing any more, and freed its render
    // context in its own destructor.
    if (viewWidget_) {
        view_->setFrameRenderedHandler({});
    }
    if (eventLoop_) {
        eventLoop_->stop();
        eventLoop_.reset();
    }
    if (viewWidget_) {
        view_->shutdownRenderContext();
    }
    engine_.reset();
}

} // namespace rure
