#pragma once

#include "engine/PlaybackEngine.h"
#include "engine/VideoView.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace rure::test {

// What the fake engines did, in order, shared by every instance of one factory.
struct FakeEngineJournal {
    QStringList calls;
    int liveEngines = 0;
    int liveLoops = 0;
    int enginesCreated = 0;
};

class FakeEventLoop;

// A scripted engine instance: records commands, answers property reads from a
// table, and lets the test deliver events through its event loop.
class FakePlaybackEngine final : public PlaybackEngine {
public:
    FakePlaybackEngine(std::shared_ptr<FakeEngineJournal> journal, VideoView& view, int loadStatus,
                       std::map<std::string, int64_t> properties);
    ~FakePlaybackEngine() override;

    int loadFile(const QString& url) override;
    void stopPlayback() override;
    void setProperty(const QString& name, const QString& value) override;
    std::optional<int64_t> integerProperty(const char* name) override;
    std::optional<double> streamPosition() override { return position; }
    // Keeps `done` until answerSnapshot; an instance destroyed first answers
    // with nothing, as the engine does.
    void takeSnapshot(SnapshotHandler done) override;
    std::unique_ptr<EngineEventLoop> makeEventLoop(int64_t generation,
                                                   PlaybackEngineEventHandler handler) override;

    // Delivers `event` as the event loop would, when the loop is running.
    bool deliver(PlaybackEngineEvent event);
    // Answers the oldest waiting snapshot request, posted to the GUI thread as
    // the engine's answers are; false when none waits.
    bool answerSnapshot(std::optional<QImage> picture);
    qsizetype waitingSnapshots() const { return snapshotRequests_.size(); }

    int loadStatus;
    std::map<std::string, int64_t> properties;
    // What streamPosition answers; the test moves it along with its frames.
    std::optional<double> position;

private:
    friend class FakeEventLoop;
    // Whether the view still exists: it may go before the engine (a window
    // closed under it), and is then not read.
    bool viewExists() const { return !viewIsObject_ || !viewObject_.isNull(); }

    std::shared_ptr<FakeEngineJournal> journal_;
    VideoView& view_;
    QPointer<QObject> viewObject_;
    bool viewIsObject_ = false;
    FakeEventLoop* loop_ = nullptr;
    std::deque<SnapshotHandler> snapshotRequests_;
};

// Makes fake engine instances, all writing into one journal. An instance
// attaches to a RecordingVideoView for real (through configureWithMPV, and a
// refusal fails the creation as the engine's factory does); a real view needs
// a real engine, so any other view stays detached.
class FakePlaybackEngineFactory final : public PlaybackEngineFactory {
public:
    FakePlaybackEngineFactory();

    std::variant<std::unique_ptr<PlaybackEngine>, EngineStartError>
    createEngine(VideoView& view) override;

    // The engine instance that exists now, if any.
    FakePlaybackEngine* current() const { return *currentSlot_; }
    const FakeEngineJournal& journal() const { return *journal_; }
    // The same journal, for a RecordingVideoView to write into.
    std::shared_ptr<FakeEngineJournal> sharedJournal() const { return journal_; }
    void clearJournal() { journal_->calls.clear(); }

    // The next creation fails with this error.
    std::optional<EngineStartError> failNextCreation;
    // What loadFile returns, and what property reads answer, for new instances.
    int loadStatus = 0;
    std::map<std::string, int64_t> properties;

private:
    std::shared_ptr<FakeEngineJournal> journal_;
    std::shared_ptr<FakePlaybackEngine*> currentSlot_;
};

} // namespace rure::test
