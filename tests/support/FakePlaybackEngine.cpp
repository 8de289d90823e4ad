#include "FakePlaybackEngine.h"

#include "support/RecordingVideoView.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace rure::test {

class FakeEventLoop final : public EngineEventLoop {
public:
    FakeEventLoop(FakePlaybackEngine& engine, int64_t generation,
                  PlaybackEngineEventHandler handler)
        : journal_(engine.journal_), engine_(&engine), generation_(generation),
          handler_(std::move(handler)) {
        engine_->loop_ = this;
        ++journal_->liveLoops;
    }
    ~FakeEventLoop() override {
        --journal_->liveLoops;
        if (engine_ && engine_->loop_ == this) {
            engine_->loop_ = nullptr;
        }
    }
    void start() override {
        if (!started_) {
            started_ = true;
            journal_->calls << QStringLiteral("loop start %1").arg(generation_);
        }
    }
    void stop() override {
        if (!stopped_) {
            stopped_ = true;
            journal_->calls << QStringLiteral("loop stop %1").arg(generation_);
        }
    }
    bool deliver(PlaybackEngineEvent event) {
        if (!started_ || stopped_) {
            return false;
        }
        handler_(event, generation_);
        return true;
    }
    bool isStopped() const { return stopped_ || !started_; }
    void detach() { engine_ = nullptr; }

private:
    std::shared_ptr<FakeEngineJournal> journal_;
    FakePlaybackEngine* engine_;
    int64_t generation_;
    PlaybackEngineEventHandler handler_;
    bool started_ = false;
    bool stopped_ = false;
};

FakePlaybackEngine::FakePlaybackEngine(std::shared_ptr<FakeEngineJournal> journal, VideoView& view,
                                       int status, std::map<std::string, int64_t> values)
    : loadStatus(status), properties(std::move(values)), journal_(std::move(journal)), view_(view),
      viewObject_(dynamic_cast<QObject*>(&view)), viewIsObject_(viewObject_ != nullptr) {
    ++journal_->liveEngines;
    ++journal_->enginesCreated;
    journal_->calls << QStringLiteral("create %1").arg(journal_->enginesCreated);
}

FakePlaybackEngine::~FakePlaybackEngine() {
    // The controller destroys an instance only after its event loop stopped and
    // the view no longer reports frames to it; record what held.
    const bool loopStopped = !loop_ || loop_->isStopped();
    const bool handlerCleared = !viewExists() || !view_.frameRenderedHandler();
    journal_->calls << QStringLiteral("destroy loopStopped=%1 handlerCleared=%2")
                           .arg(loopStopped ? "yes" : "no", handlerCleared ? "yes" : "no");
    if (loop_) {
        loop_->detach();
    }
    while (answerSnapshot(std::nullopt)) {
    }
    --journal_->liveEngines;
}

int FakePlaybackEngine::loadFile(const QString& url) {
    journal_->calls << QStringLiteral("loadfile %1 replace").arg(url);
    return loadStatus;
}

void FakePlaybackEngine::stopPlayback() {
    journal_->calls << QStringLiteral("stop");
}

void FakePlaybackEngine::setProperty(const QString& name, const QString& value) {
    journal_->calls << QStringLiteral("set %1=%2").arg(name, value);
}

std::optional<int64_t> FakePlaybackEngine::integerProperty(const char* name) {
    const auto found = properties.find(name);
    if (found == properties.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::unique_ptr<EngineEventLoop>
FakePlaybackEngine::makeEventLoop(int64_t generation, PlaybackEngineEventHandler handler) {
    return std::make_unique<FakeEventLoop>(*this, generation, std::move(handler));
}

bool FakePlaybackEngine::deliver(PlaybackEngineEvent event) {
    return loop_ && loop_->deliver(event);
}

void FakePlaybackEngine::takeSnapshot(SnapshotHandler done) {
    journal_->calls << QStringLiteral("snapshot");
    snapshotRequests_.push_back(std::move(done));
}

bool FakePlaybackEngine::answerSnapshot(std::optional<QImage> picture) {
    if (snapshotRequests_.empty()) {
        return false;
    }
    SnapshotHandler done = std::move(snapshotRequests_.front());
    snapshotRequests_.pop_front();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [done = std::move(done), picture = std::move(picture)] { done(picture); },
        Qt::QueuedConnection);
    return true;
}

namespace {

// Clears the factory's pointer to the current instance when it goes away.
class TrackedEngine final : public PlaybackEngine {
public:
    TrackedEngine(std::unique_ptr<FakePlaybackEngine> engine,
                  std::shared_ptr<FakePlaybackEngine*> slot)
        : engine_(std::move(engine)), slot_(std::move(slot)) {}
    ~TrackedEngine() override {
        if (*slot_ == engine_.get()) {
            *slot_ = nullptr;
        }
    }
    int loadFile(const QString& url) override { return engine_->loadFile(url); }
    void stopPlayback() override { engine_->stopPlayback(); }
    void setProperty(const QString& n, const QString& v) override { engine_->setProperty(n, v); }
    std::optional<int64_t> integerProperty(const char* name) override {
        return engine_->integerProperty(name);
    }
    std::optional<double> streamPosition() override { return engine_->streamPosition(); }
    void takeSnapshot(SnapshotHandler done) override { engine_->takeSnapshot(std::move(done)); }
    std::unique_ptr<EngineEventLoop> makeEventLoop(int64_t generation,
                                                   PlaybackEngineEventHandler handler) override {
        return engine_->makeEventLoop(generation, std::move(handler));
    }

private:
    std::unique_ptr<FakePlaybackEngine> engine_;
    std::shared_ptr<FakePlaybackEngine*> slot_;
};

} // namespace

FakePlaybackEngineFactory::FakePlaybackEngineFactory()
    : journal_(std::make_shared<FakeEngineJournal>()),
      currentSlot_(std::make_shared<FakePlaybackEngine*>(nullptr)) {}

std::variant<std::unique_ptr<PlaybackEngine>, EngineStartError>
FakePlaybackEngineFactory::createEngine(VideoView& view) {
    if (failNextCreation) {
        const EngineStartError error = *failNextCreation;
        failNextCreation.reset();
        journal_->calls << QStringLiteral("create failed");
        return error;
    }
    auto engine = std::make_unique<FakePlaybackEngine>(journal_, view, loadStatus, properties);
    if (auto* recording = dynamic_cast<RecordingVideoView*>(&view)) {
        // The instance is destroyed again, as a real one whose view refused it.
        if (recording->configureWithMPV(nullptr) < 0) {
            return EngineStartError::attach;
        }
    }
    *currentSlot_ = engine.get();
    return std::unique_ptr<PlaybackEngine>(
        std::make_unique<TrackedEngine>(std::move(engine), currentSlot_));
}

} // namespace rure::test
