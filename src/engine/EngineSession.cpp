#include "EngineSession.h"

#include "engine/VideoView.h"

namespace rure {

std::variant<std::unique_ptr<EngineSession>, EngineStartError>
EngineSession::start(PlaybackEngineFactory& factory, CreatedVideoView view, int64_t generation,
                     PlaybackEngineEventHandler events,
                     std::function<void(int64_t generation)> frameRendered) {
    auto created = factory.createEngine(*view.view);
    if (auto* failure = std::get_if<EngineStartError>(&created)) {
        return *failure;
    }
    std::unique_ptr<EngineSession> session(new EngineSession(
        view, generation, std::move(std::get<std::unique_ptr<PlaybackEngine>>(created))));
    session->eventLoop_ = session->engine_->makeEventLoop(generation, std::move(events));
    session->eventLoop_->start();
    view.view->setFrameRenderedHandler(
        [frameRendered = std::move(frameRendered), generation] { frameRendered(generation); });
    return session;
}

EngineSession::EngineSession(CreatedVideoView view, int64_t generation,
                             std::unique_ptr<PlaybackEngine> engine)
    : viewWidget_(view.widget), view_(view.view), generation_(generation),
      engine_(std::move(engine)) {}

EngineSession::~EngineSession() {
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
