#include "ControllerTestFixture.h"
#include "viewer/ViewerWindowSide.h"

namespace rure::test {
namespace {

using State = PlaybackSupervisorState;

TEST_F(ControllerTest, stoppingWithoutAnEngineIsSafeAndStops) {
    launch();
    ASSERT_FALSE(supervisor().hasEngine());
    delegate->playback().stopPlayerEngine();
    EXPECT_FALSE(delegate->windowSide().picture().view->frameRenderedHandler());
    EXPECT_EQ(supervisor().state(), State::stopped);
    delegate->playback().stopPlayerEngine();
    EXPECT_EQ(supervisor().state(), State::stopped);
}

TEST_F(ControllerTest, stoppingTheEngineTearsItDownInOrder) {
    saveCameras(threeCameras());
    launch();
    ASSERT_TRUE(supervisor().hasEngine());
    engines.clearJournal();

    delegate->playback().stopPlayerEngine();
    EXPECT_FALSE(supervisor().hasEngine());
    EXPECT_EQ(engines.journal().liveLoops, 0);
    EXPECT_EQ(supervisor().state(), State::stopped);
    EXPECT_EQ(engines.journal().calls,
              QStringList({QStringLiteral("loop stop 1"),
                           QStringLiteral("destroy loopStopped=yes handlerCleared=yes")}));
    EXPECT_EQ(engines.journal().liveEngines, 0);
    EXPECT_EQ(engines.journal().liveLoops, 0);
}

TEST_F(ControllerTest, terminationCancelsPendingWorkBeforeTheEngineGoesAndRunsOnce) {
    saveCameras(threeCameras());
    launch();
    // A recovery that has begun its preflight, and another one waiting.
    delegate->playback().schedulePlaybackRecovery(QStringLiteral("test"), false, false);
    scheduler.advance(Seconds(0.6));
    ASSERT_TRUE(supervisor().hasPreflight());
    delegate->playback().schedulePlaybackRecovery(QStringLiteral("test"), false, true);
    ASSERT_TRUE(supervisor().hasPendingRecovery());
    engines.clearJournal();

    delegate->applicationWillTerminate();
    EXPECT_FALSE(supervisor().hasPendingRecovery());
    EXPECT_FALSE(supervisor().hasWatchdog());
    EXPECT_FALSE(supervisor().hasPreflight());
    EXPECT_FALSE(supervisor().hasEngine());
    EXPECT_EQ(engines.journal().calls,
              QStringList({QStringLiteral("loop stop 1"),
                           QStringLiteral("destroy loopStopped=yes handlerCleared=yes")}));
    EXPECT_EQ(log.count(QStringLiteral("Rure is terminating.")), 1);

    // Nothing scheduled earlier runs afterwards, and a second call does nothing.
    scheduler.advance(Seconds(120));
    delegate->applicationWillTerminate();
    EXPECT_EQ(engines.journal().enginesCreated, 1);
    EXPECT_EQ(log.count(QStringLiteral("Rure is terminating.")), 1);
}

TEST_F(ControllerTest, quittingDuringAPreflightAbandonsIt) {
    saveCameras(threeCameras());
    makeDelegate();
    delegate->applicationDidFinishLaunching();
    scheduler.runPosted(); // the posted start begins the preflight
    ASSERT_TRUE(supervisor().hasPreflight());

    delegate->applicationWillTerminate();
    EXPECT_FALSE(supervisor().hasPreflight());
    // Neither the connection's answer nor the fallback starts an engine now.
    pumpUntil([] { return false; }, 300);
    scheduler.advance(Seconds(5));
    EXPECT_EQ(engines.journal().enginesCreated, 0);
}

TEST_F(ControllerTest, closingTheWindowStopsEverythingAndIgnoresLateWork) {
    saveCameras(threeCameras());
    launch();
    ASSERT_TRUE(supervisor().hasEngine());
    const int64_t generation = supervisor().playerGeneration();
    const int64_t selection = supervisor().selectionGeneration();

    delegate->viewerWindow()->close();
    EXPECT_TRUE(delegate->isClosingViewer());
    EXPECT_FALSE(supervisor().hasEngine());
    EXPECT_FALSE(supervisor().hasWatchdog());
    EXPECT_EQ(supervisor().selectionGeneration(), selection + 1);

    // Late frames, events and recoveries of the closing viewer change nothing.
    delegate->playback().recordRenderedFrame(generation);
    delegate->playback().handlePlaybackEngineEvent(
        PlaybackEngineEvent::of(PlaybackEngineEvent::Kind::shutdown), generation);
    delegate->playback().schedulePlaybackRecovery(QStringLiteral("test"), true, true);
    EXPECT_FALSE(supervisor().hasPendingRecovery());
    EXPECT_EQ(supervisor().state(), State::stopped);
}

} // namespace
} // namespace rure::test
