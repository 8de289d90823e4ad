#include "VideoViewTestSupport.h"
#include "support/FakePlaybackEngine.h"
#include "support/RecordingVideoView.h"

#include "engine/EngineSession.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

// Lets GoogleTest show the journal's texts in failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace rure::test {
namespace {

using namespace std::chrono_literals;
using Kind = PlaybackEngineEvent::Kind;

// A session over fake engines and a view that writes into their journal.
class EngineSessionTest : public ::testing::Test {
protected:
    struct Delivery {
        PlaybackEngineEvent event;
        int64_t generation;
    };

    std::variant<std::unique_ptr<EngineSession>, EngineStartError> start(int64_t generation) {
        return EngineSession::start(
            engines, {view.get(), view.get()}, generation,
            [this](PlaybackEngineEvent event, int64_t from) {
                events.push_back({event, from});
            },
            [this](int64_t from) { pictures.push_back(from); });
    }

    std::unique_ptr<EngineSession> started(int64_t generation) {
        auto outcome = start(generation);
        EXPECT_EQ(outcome.index(), 0U);
        return outcome.index() == 0 ? std::move(std::get<0>(outcome)) : nullptr;
    }

    const QStringList& journal() const { return engines.journal().calls; }

    FakePlaybackEngineFactory engines;
    std::unique_ptr<RecordingVideoView> view =
        std::make_unique<RecordingVideoView>(engines.sharedJournal());
    std::vector<Delivery> events;
    std::vector<int64_t> pictures;
};

TEST_F(EngineSessionTest, StartsAttachedAndTearsDownInTheOneSafeOrder) {
    auto session = started(7);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(journal(),
              QStringList({QStringLiteral("create 1"), QStringLiteral("attach"),
                           QStringLiteral("loop start 7"), QStringLiteral("handler set")}));
    EXPECT_EQ(session->generation(), 7);
    EXPECT_TRUE(view->isAttached());
    EXPECT_EQ(engines.journal().liveEngines, 1);
    EXPECT_EQ(engines.journal().liveLoops, 1);

    engines.clearJournal();
    session.reset();
    // The view stops reporting pictures, the event loop stops, the render
    // context goes, and only then the engine.
    EXPECT_EQ(journal(),
              QStringList({QStringLiteral("handler cleared"), QStringLiteral("loop stop 7"),
                           QStringLiteral("render context freed"),
                           QStringLiteral("destroy loopStopped=yes handlerCleared=yes")}));
    EXPECT_EQ(engines.journal().liveEngines, 0);
    EXPECT_EQ(engines.journal().liveLoops, 0);
    EXPECT_FALSE(view->isAttached());
    EXPECT_FALSE(view->frameRenderedHandler());
}

TEST_F(EngineSessionTest, AFailedStartLeavesNothingBehind) {
    const struct {
        const char* name;
        std::optional<EngineStartError> creationFailure;
        int attachStatus;
        EngineStartError expected;
        QStringList journal;
    } cases[] = {
        {"create",
         EngineStartError::create,
         0,
         EngineStartError::create,
         {QStringLiteral("create failed")}},
        {"initialize",
         EngineStartError::initialize,
         0,
         EngineStartError::initialize,
         {QStringLiteral("create failed")}},
        {"attach",
         std::nullopt,
         -1,
         EngineStartError::attach,
         {QStringLiteral("create 1"), QStringLiteral("attach refused"),
          QStringLiteral("destroy loopStopped=yes handlerCleared=yes")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlaybackEngineFactory factory;
        RecordingVideoView recording(factory.sharedJournal());
        factory.failNextCreation = c.creationFailure;
        recording.attachStatus = c.attachStatus;
        bool called = false;
        const auto outcome = EngineSession::start(
            factory, {&recording, &recording}, 1,
            [&](PlaybackEngineEvent, int64_t) { called = true; }, [&](int64_t) { called = true; });
        ASSERT_EQ(outcome.index(), 1U);
        EXPECT_EQ(std::get<1>(outcome), c.expected);
        EXPECT_EQ(factory.journal().calls, c.journal);
        EXPECT_EQ(factory.journal().liveEngines, 0);
        EXPECT_EQ(factory.journal().liveLoops, 0);
        EXPECT_FALSE(recording.isAttached());
        EXPECT_FALSE(recording.frameRenderedHandler());
        EXPECT_FALSE(recording.presentPicture());
        EXPECT_FALSE(called);
    }

    // Without a view there is nothing to attach to, and no engine is made.
    const auto outcome = EngineSession::start(engines, {}, 1, {}, {});
    ASSERT_EQ(outcome.index(), 1U);
    EXPECT_EQ(std::get<1>(outcome), EngineStartError::attach);
    EXPECT_EQ(engines.journal().enginesCreated, 0);
}

TEST_F(EngineSessionTest, EventsAndPicturesCarryTheSessionsGeneration) {
    for (const int64_t generation : {3, 4}) {
        SCOPED_TRACE(generation);
        events.clear();
        pictures.clear();
        auto session = started(generation);
        ASSERT_NE(session, nullptr);
        ASSERT_NE(engines.current(), nullptr);
        ASSERT_TRUE(engines.current()->deliver(PlaybackEngineEvent::of(Kind::fileLoaded)));
        ASSERT_TRUE(
            engines.current()->deliver(PlaybackEngineEvent::endFile(EndFileReason::error, -13)));
        ASSERT_TRUE(view->presentPicture());
        ASSERT_TRUE(view->presentPicture());

        ASSERT_EQ(events.size(), 2U);
        EXPECT_EQ(events[0].event, PlaybackEngineEvent::of(Kind::fileLoaded));
        EXPECT_EQ(events[1].event, PlaybackEngineEvent::endFile(EndFileReason::error, -13));
        for (const Delivery& delivery : events) {
            EXPECT_EQ(delivery.generation, generation);
        }
        EXPECT_EQ(pictures, std::vector<int64_t>({generation, generation}));

        // Once the session is gone, its view reports nothing to it.
        session.reset();
        EXPECT_FALSE(view->presentPicture());
        EXPECT_EQ(pictures.size(), 2U);
    }
}

TEST_F(EngineSessionTest, ASessionOutlivingItsViewEndsSafely) {
    auto session = started(5);
    ASSERT_NE(session, nullptr);
    engines.clearJournal();

    // The window closed under the session: the view freed its render context
    // as it went.
    view.reset();
    EXPECT_EQ(journal(), QStringList{QStringLiteral("render context freed")});

    engines.clearJournal();
    session.reset();
    EXPECT_EQ(journal(),
              QStringList({QStringLiteral("loop stop 5"),
                           QStringLiteral("destroy loopStopped=yes handlerCleared=yes")}));
    EXPECT_EQ(engines.journal().liveEngines, 0);
    EXPECT_EQ(engines.journal().liveLoops, 0);
}

// A session on each real view, playing the test camera.
template <typename View> class EngineSessionPlayback : public VideoViewPlayback<View> {};
TYPED_TEST_SUITE(EngineSessionPlayback, VideoViews);

TYPED_TEST(EngineSessionPlayback, EndsWhilePlayingWithoutHangingAndLeavesTheViewDetached) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    ASSERT_EQ(eventLoopThreadCount(), 1);

    this->detach();
    EXPECT_FALSE(this->window.view->isAttached());
    EXPECT_FALSE(this->window.view->frameRenderedHandler());
    EXPECT_TRUE(eventLoopThreadsGone());
    // Whatever the engine had announced before it went changes nothing.
    const int framesAfterwards = this->frames;
    processEventsFor(500ms);
    EXPECT_EQ(this->frames, framesAfterwards);

    // The view is left ready for the next engine.
    this->attach();
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    EXPECT_TRUE(this->framesArrive());
    EXPECT_FALSE(isBlack(this->window.centre()));
}

} // namespace
} // namespace rure::test
