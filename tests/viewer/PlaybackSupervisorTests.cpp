#include "SupervisorTestFixture.h"

#include <QRegularExpression>

namespace rure::test {
namespace {

using State = PlaybackSupervisorState;
using Kind = PlaybackEngineEvent::Kind;

struct ScheduledRecovery {
    int count = 0;
    double delay = 0;
    bool recreate = false;
    QString reason;
};

// The recoveries the log announced, in order.
std::vector<ScheduledRecovery> scheduledRecoveries(const LogCapture& log) {
    static const QRegularExpression line(QStringLiteral(
        R"(^Scheduling recovery (\d+) in (\d+\.\d{6}) seconds; recreate=(true|false); reason=(.*)\.$)"));
    std::vector<ScheduledRecovery> result;
    for (const QString& text : log.texts(RureLogCategory::playback)) {
        const auto match = line.match(text);
        if (match.hasMatch()) {
            result.push_back({match.captured(1).toInt(), match.captured(2).toDouble(),
                              match.captured(3) == QStringLiteral("true"), match.captured(4)});
        }
    }
    return result;
}

class Supervision : public SupervisorTest {
protected:
    void launch() {
        log.clear();
        start(threeCameras());
    }
    void launchPlaying() {
        launch();
        ASSERT_TRUE(supervisor->hasEngine());
        supervisor->recordRenderedFrame(supervisor->playerGeneration());
        ASSERT_EQ(supervisor->state(), State::playing);
        log.clear();
    }
    void deliver(PlaybackEngineEvent event) { ASSERT_TRUE(engine().deliver(event)); }
};

TEST_F(Supervision, aCameraThatNeverSendsAFrameIsRetriedOnTheBackOffSchedule) {
    for (const double jitter : {0.0, 0.35}) {
        SCOPED_TRACE(jitter);
        supervisor.reset();
        scheduler.setJitter(jitter);
        launch();
        ASSERT_TRUE(supervisor->hasEngine());

        // Long enough for ten attempts: each waits out its delay plus the time
        // a camera never seen is given to show its first frame, 20 s at first
        // and longer after each load that showed none, up to a minute.
        advanceSettling(Seconds(700));

        const auto recoveries = scheduledRecoveries(log);
        ASSERT_GE(recoveries.size(), 9u);
        const double expectedDelays[] = {0.5, 1, 2, 4, 8, 15, 30, 30, 30};
        for (size_t i = 0; i < 9; ++i) {
            SCOPED_TRACE(i + 1);
            EXPECT_EQ(recoveries[i].count, static_cast<int>(i + 1));
            EXPECT_NEAR(recoveries[i].delay, expectedDelays[i] + jitter, 1e-6);
            EXPECT_EQ(recoveries[i].recreate, (i + 1) % 3 == 0);
            EXPECT_EQ(recoveries[i].reason, QStringLiteral("no first video frame"));
        }
        // Rebuilds on the third, sixth and ninth attempts: three new generations.
        EXPECT_GE(supervisor->playerGeneration(), 4);
        EXPECT_EQ(engines.journal().liveEngines, 1);
        EXPECT_TRUE(log.contains(QStringLiteral("Starting video engine generation 4.")));
    }
}

TEST_F(Supervision, aFrameCancelsThePendingRecoveryAndResetsTheCount) {
    launchPlaying();
    supervisor->schedulePlaybackRecovery(QStringLiteral("test"), false, false);
    supervisor->schedulePlaybackRecovery(QStringLiteral("test"), false, false);
    ASSERT_TRUE(supervisor->hasPendingRecovery());
    EXPECT_EQ(supervisor->retryCount(), 1);
    EXPECT_EQ(supervisor->state(), State::backingOff);

    supervisor->recordRenderedFrame(supervisor->playerGeneration());
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    EXPECT_EQ(supervisor->retryCount(), 0);
    EXPECT_EQ(supervisor->state(), State::playing);
    EXPECT_TRUE(log.contains(QStringLiteral("Live video frames resumed for player generation 1.")));
    engines.clearJournal();
    advanceSettling(Seconds(3));
    EXPECT_TRUE(engines.journal().calls.isEmpty());
}

TEST_F(Supervision, aSteadySlowCameraPlaysWithoutReloadsOrRecoveries) {
    // Doorbell and battery cameras: one picture every one, two or five seconds.
    for (const double interval : {1.0, 2.0, 5.0}) {
        SCOPED_TRACE(interval);
        supervisor.reset();
        launchPlaying();
        const int64_t generation = supervisor->playerGeneration();
        engines.clearJournal();
        for (double played = 0; played < 60; played += interval) {
            advanceSettling(Seconds(interval));
            supervisor->recordRenderedFrame(generation);
            ASSERT_EQ(supervisor->state(), State::playing) << played;
        }
        EXPECT_TRUE(engines.journal().calls.isEmpty())
            << engines.journal().calls.join('\n').toStdString();
        EXPECT_TRUE(scheduledRecoveries(log).empty());
        EXPECT_EQ(supervisor->playerGeneration(), generation);

        // The same camera, stalled for five times its pace (where that is
        // shorter than the watchdog's limit), is loaded again.
        if (interval * 5 >= 10) {
            continue;
        }
        advanceSettling(Seconds(interval * 5));
        supervisor->recordRenderedFrame(generation);
        advanceSettling(Seconds(0.2));
        EXPECT_EQ(engines.journal().calls,
                  QStringList{QStringLiteral("loadfile %1 replace").arg(threeCameras()[0].url)});
    }
}

TEST_F(Supervision, aPictureThatFallsBehindTheStreamClockIsLoadedAgain) {
    launchPlaying();
    const int64_t generation = supervisor->playerGeneration();
    const auto loads = [this] {
        return engines.journal().calls.filter(QRegularExpression(QStringLiteral("^loadfile ")));
    };
    // Frames `interval` apart on both clocks, then one after a stall of
    // `stall` seconds in which the stream moved on by one frame only.
    const auto play = [&](double interval, int count, double stall = 0) {
        for (int frame = 0; frame < count; ++frame) {
            advanceSettling(Seconds(interval));
            *engine().position += interval;
            supervisor->recordRenderedFrame(generation);
        }
        if (stall > 0) {
            advanceSettling(Seconds(stall));
            *engine().position += interval;
            supervisor->recordRenderedFrame(generation);
            // The stream's clock is read a moment after the picture.
            advanceSettling(Seconds(0.2));
        }
    };

    // A stall right after the first picture of a load: nothing is known of
    // the camera's pace yet, and the stream's clock still tells, once the
    // pictures that follow the stall stay as late as the one after it.
    engine().position = 100.0;
    engines.clearJournal();
    supervisor->recordRenderedFrame(generation);
    play(1.0 / 30, 0, 5.0);
    EXPECT_TRUE(loads().isEmpty());
    play(1.0 / 30, 160);
    EXPECT_EQ(loads().size(), 1);
    EXPECT_EQ(log.texts().filter(QStringLiteral("The picture fell 5.")).size(), 1)
        << log.texts().join('\n').toStdString();

    // The new load is measured afresh. Short stalls add up until the picture is
    // a second behind; a slow camera's long gaps are no lag at all.
    engines.clearJournal();
    supervisor->recordRenderedFrame(generation);
    play(1.0 / 30, 30, 0.6);
    play(1.0 / 30, 30);
    EXPECT_TRUE(loads().isEmpty());
    play(1.0 / 30, 30, 0.6);
    EXPECT_EQ(loads().size(), 1);

    // A camera that is slow from the start (its pace is learnt afresh).
    supervisor.reset();
    launchPlaying();
    ASSERT_EQ(supervisor->playerGeneration(), generation);
    engine().position = 0.0;
    engines.clearJournal();
    log.clear();
    supervisor->recordRenderedFrame(generation);
    play(5.0, 12);
    play(2.0, 10);
    EXPECT_TRUE(loads().isEmpty()) << engines.journal().calls.join('\n').toStdString();
    EXPECT_TRUE(scheduledRecoveries(log).empty());
}

TEST_F(Supervision, framesThatComeBackAfterAGapLoadTheCameraAgainToCatchUp) {
    launchPlaying();
    const int64_t generation = supervisor->playerGeneration();
    const auto loads = [this] {
        return engines.journal().calls.filter(QRegularExpression(QStringLiteral("^loadfile ")));
    };
    engines.clearJournal();

    // A 30 frames-a-second camera; a pause of just under two seconds changes nothing.
    for (int frame = 0; frame < 10; ++frame) {
        advanceSettling(Seconds(1.0 / 30));
        supervisor->recordRenderedFrame(generation);
    }
    advanceSettling(Seconds(1.95));
    supervisor->recordRenderedFrame(generation);
    EXPECT_TRUE(loads().isEmpty()) << engines.journal().calls.join('\n').toStdString();
    EXPECT_EQ(supervisor->state(), State::playing);

    // Frames that come back after 2.5 seconds (short of the silence limit)
    // would stay 2.5 seconds late.
    advanceSettling(Seconds(2.5));
    supervisor->recordRenderedFrame(generation);
    advanceSettling(Seconds(0.2));
    EXPECT_EQ(loads(),
              QStringList{QStringLiteral("loadfile %1 replace").arg(threeCameras()[0].url)});
    EXPECT_TRUE(log.contains(QStringLiteral("Video frames came back after 2.5 seconds; loading the "
                                            "camera again to return to the live picture.")));
    EXPECT_EQ(supervisor->state(), State::starting);
    EXPECT_EQ(supervisor->retryCount(), 0);
    EXPECT_EQ(supervisor->playerGeneration(), generation);
    // The new load's first frame is live, with no further load.
    supervisor->recordRenderedFrame(generation);
    EXPECT_EQ(supervisor->state(), State::playing);
    EXPECT_EQ(loads().size(), 1);

    // Back after the watchdog planned its recovery: loaded at once, the plan dropped.
    for (int step = 0; step < 250 && !supervisor->hasPendingRecovery(); ++step) {
        advanceSettling(Seconds(0.05));
    }
    ASSERT_TRUE(supervisor->hasPendingRecovery());
    engines.clearJournal();
    supervisor->recordRenderedFrame(generation);
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    advanceSettling(Seconds(0.2));
    EXPECT_EQ(loads().size(), 1);
    advanceSettling(Seconds(3));
    EXPECT_EQ(loads().size(), 1) << engines.journal().calls.join('\n').toStdString();

    // While the network path is down, the path's own reconnection takes over.
    supervisor->recordRenderedFrame(generation);
    advanceSettling(Seconds(3));
    supervisor->handleNetworkPath({true, true, false, false});
    supervisor->handleNetworkPath({false, false, false, false});
    engines.clearJournal();
    supervisor->recordRenderedFrame(generation);
    EXPECT_TRUE(loads().isEmpty()) << engines.journal().calls.join('\n').toStdString();
}

TEST_F(Supervision, endFileReasonsOfOurOwnDoingAreIgnoredAndOthersRecover) {
    launchPlaying();
    for (const int reason : {2, 3, 5}) {
        deliver(PlaybackEngineEvent::endFile(reason, 0));
    }
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    EXPECT_EQ(supervisor->state(), State::playing);
    EXPECT_TRUE(log.texts().isEmpty());

    const struct {
        int reason;
        int error;
    } failures[] = {{0, 0}, {4, -13}, {-1, 0}, {7, -2}};
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.reason);
        log.clear();
        supervisor->recordRenderedFrame(supervisor->playerGeneration()); // cancels the last one
        deliver(PlaybackEngineEvent::endFile(failure.reason, failure.error));
        EXPECT_TRUE(log.contains(QStringLiteral("mpv ended the stream: reason=%1, error=%2.")
                                     .arg(failure.reason)
                                     .arg(failure.error)));
        const auto recoveries = scheduledRecoveries(log);
        ASSERT_EQ(recoveries.size(), 1u);
        EXPECT_EQ(recoveries[0].reason, QStringLiteral("mpv ended the stream"));
        EXPECT_FALSE(recoveries[0].recreate);
    }
}

TEST_F(Supervision, shutdownAndQueueOverflowRebuildTheEngine) {
    const struct {
        Kind kind;
        const char* line;
        const char* reason;
    } cases[] = {
        {Kind::shutdown, "mpv shut down unexpectedly.", "mpv shutdown"},
        {Kind::queueOverflow, "The mpv event queue overflowed.", "mpv event queue overflow"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        supervisor.reset();
        launchPlaying();
        const int64_t before = supervisor->playerGeneration();
        deliver(PlaybackEngineEvent::of(c.kind));
        EXPECT_TRUE(log.contains(QString::fromLatin1(c.line)));
        const auto recoveries = scheduledRecoveries(log);
        ASSERT_EQ(recoveries.size(), 1u);
        EXPECT_TRUE(recoveries[0].recreate);
        EXPECT_EQ(recoveries[0].reason, QString::fromLatin1(c.reason));
        EXPECT_EQ(recoveries[0].count, 1);

        advanceSettling(Seconds(0.6));
        EXPECT_EQ(supervisor->playerGeneration(), before + 1);
        EXPECT_TRUE(supervisor->hasEngine());
        EXPECT_EQ(engines.journal().liveEngines, 1);
    }
}

TEST_F(Supervision, failuresArrivingTogetherGiveOneRecoveryThatKeepsItsOwnDecision) {
    launchPlaying();
    deliver(PlaybackEngineEvent::endFile(4, -5));
    deliver(PlaybackEngineEvent::of(Kind::shutdown));
    deliver(PlaybackEngineEvent::of(Kind::shutdown));
    const auto recoveries = scheduledRecoveries(log);
    ASSERT_EQ(recoveries.size(), 1u);
    EXPECT_FALSE(recoveries[0].recreate);
    EXPECT_EQ(supervisor->retryCount(), 1);

    advanceSettling(Seconds(0.6));
    // The pending task kept its reload: same engine instance, a new load.
    EXPECT_EQ(supervisor->playerGeneration(), 1);
    EXPECT_EQ(engines.journal().calls.last(),
              QStringLiteral("loadfile ") + threeCameras()[0].url + QStringLiteral(" replace"));
}

TEST_F(Supervision, eventsAndFramesOfAnOlderEngineChangeNothing) {
    launchPlaying();
    supervisor->schedulePlaybackRecovery(QStringLiteral("rebuild"), true, true);
    advanceSettling(Seconds(0.6));
    ASSERT_EQ(supervisor->playerGeneration(), 2);
    supervisor->recordRenderedFrame(2);
    log.clear();

    supervisor->handlePlaybackEngineEvent(PlaybackEngineEvent::of(Kind::shutdown), 1);
    supervisor->handlePlaybackEngineEvent(PlaybackEngineEvent::endFile(4, -1), 1);
    supervisor->handlePlaybackEngineEvent(PlaybackEngineEvent::of(Kind::startFile), 1);
    EXPECT_EQ(supervisor->state(), State::playing);
    EXPECT_FALSE(supervisor->hasPendingRecovery());

    // A frame of the old engine does not count as a heartbeat of the new one.
    scheduler.advance(Seconds(10));
    supervisor->recordRenderedFrame(1);
    advanceSettling(Seconds(2.1));
    EXPECT_TRUE(
        log.contains(QStringLiteral("Scheduling recovery 1 in 0.500000 seconds; recreate=false; "
                                    "reason=video frame heartbeat stalled.")));
    EXPECT_TRUE(log.texts().filter(QStringLiteral("mpv")).isEmpty());
}

TEST_F(Supervision, theWatchdogNoticesAStalledStreamWithinTenToTwelveSeconds) {
    launchPlaying();
    advanceSettling(Seconds(9.9));
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    advanceSettling(Seconds(2.2));
    const auto recoveries = scheduledRecoveries(log);
    ASSERT_EQ(recoveries.size(), 1u);
    EXPECT_EQ(recoveries[0].reason, QStringLiteral("video frame heartbeat stalled"));
}

TEST_F(Supervision, theSilenceLimitFollowsTheCamerasPaceAndPausesAndNeverShrinksWhileItPauses) {
    // Pictures `every` seconds apart (a pause of `pause` seconds after each
    // `run` of them, when set), then none: the seconds until the watchdog
    // plans a recovery (or -1 when none within 40 seconds).
    const auto silenceNoticedAfter = [this](double every, int pictures) {
        const int64_t generation = supervisor->playerGeneration();
        for (int frame = 0; frame < pictures; ++frame) {
            advanceSettling(Seconds(every));
            supervisor->recordRenderedFrame(generation);
        }
        log.clear();
        for (double silent = 0; silent < 40; silent += 0.05) {
            advanceSettling(Seconds(0.05));
            if (supervisor->hasPendingRecovery()) {
                EXPECT_EQ(scheduledRecoveries(log).at(0).reason,
                          QStringLiteral("video frame heartbeat stalled"));
                return silent + 0.05;
            }
        }
        return -1.0;
    };
    // A smart camera: a second of 30 pictures a second, then one picture
    // after `pause` seconds, `times` over, all within one session.
    const auto pausesOf = [this](double pause, int times) {
        const int64_t generation = supervisor->playerGeneration();
        for (int time = 0; time < times; ++time) {
            for (int frame = 0; frame < 30; ++frame) {
                advanceSettling(Seconds(1.0 / 30));
                supervisor->recordRenderedFrame(generation);
            }
            advanceSettling(Seconds(pause));
            supervisor->recordRenderedFrame(generation);
            ASSERT_FALSE(supervisor->hasPendingRecovery()) << pause;
        }
    };

    // Ten of the camera's own gaps, twice its pauses, never under ten seconds
    // (a camera whose session stays open may be pausing; one that closes it
    // is noticed at once) nor over thirty.
    struct Case {
        const char* camera;
        double every;
        double pause; // 0: none
        double limit;
    };
    for (const Case& c : std::vector<Case>{{"30 fps", 1.0 / 30, 0, 10},
                                           {"one picture a second", 1, 0, 10},
                                           {"one picture every 7 s", 7, 0, 14},
                                           {"30 fps, still every 5 s", 1.0 / 30, 5, 10},
                                           {"30 fps, still every 8 s", 1.0 / 30, 8, 16}}) {
        SCOPED_TRACE(c.camera);
        supervisor.reset();
        launchPlaying();
        if (c.pause > 0) {
            pausesOf(c.pause, 3);
        }
        const double noticed = silenceNoticedAfter(c.every, 5);
        EXPECT_GE(noticed, c.limit - 0.01);
        EXPECT_LE(noticed, c.limit + 0.55);
        EXPECT_EQ(supervisor->retryCount(), 1);
    }

    // A smart camera keeps its pause pace however long it moves in between,
    // and the limit it earned holds after an outage; another camera starts
    // afresh.
    supervisor.reset();
    launchPlaying();
    pausesOf(8, 3);
    const auto reconnectAndPlay = [this] {
        advanceSettling(Seconds(1));
        supervisor->recordRenderedFrame(supervisor->playerGeneration());
        ASSERT_EQ(supervisor->state(), State::playing);
    };
    EXPECT_NEAR(silenceNoticedAfter(1.0 / 30, 30 * 600), 16, 0.55);
    reconnectAndPlay();
    EXPECT_NEAR(silenceNoticedAfter(1.0 / 30, 30), 16, 0.55);
    selection.select(1);
    supervisor->playNewSelection();
    settle();
    supervisor->recordRenderedFrame(supervisor->playerGeneration());
    EXPECT_NEAR(silenceNoticedAfter(1.0 / 30, 30), 10, 0.55);
}

TEST_F(Supervision, aClosedStreamIsReconnectedAtOnceNotAfterTheSilenceLimit) {
    launchPlaying();
    engines.clearJournal();
    deliver(PlaybackEngineEvent::of(Kind::streamEnded));
    settle();
    const auto recoveries = scheduledRecoveries(log);
    ASSERT_EQ(recoveries.size(), 1u);
    EXPECT_EQ(recoveries[0].reason, QStringLiteral("mpv ended the stream"));
    EXPECT_LT(recoveries[0].delay, 1.0);
    EXPECT_TRUE(log.contains(QStringLiteral("mpv reached the end of the stream.")));
}

TEST_F(Supervision, theFirstPictureIsAwaitedAsLongAsTheCameraIsKnownToNeed) {
    // A camera never seen is given 20 s for its first picture; one that
    // showed its first picture in `took` seconds is given twice that and two
    // more (never less than 8 s), and a load that showed none in time makes
    // the next wait twice as long and two more.
    for (const auto& [took, limit] :
         std::vector<std::pair<double, double>>{{0.4, 8}, {9, 20}, {19, 40}}) {
        SCOPED_TRACE(took);
        supervisor.reset();
        launch();
        ASSERT_TRUE(supervisor->hasEngine());
        advanceSettling(Seconds(took));
        supervisor->recordRenderedFrame(supervisor->playerGeneration());
        ASSERT_EQ(supervisor->state(), State::playing);
        EXPECT_TRUE(scheduledRecoveries(log).empty());

        supervisor->catchUpWithLiveStream(QStringLiteral("Behind"));
        log.clear();
        advanceSettling(Seconds(limit - 0.5));
        EXPECT_TRUE(scheduledRecoveries(log).empty());
        advanceSettling(Seconds(1.1));
        ASSERT_EQ(scheduledRecoveries(log).size(), 1u);
        EXPECT_EQ(scheduledRecoveries(log).at(0).reason, QStringLiteral("no first video frame"));

        for (int step = 0; step < 400 && supervisor->state() != State::starting; ++step) {
            advanceSettling(Seconds(0.05));
        }
        log.clear();
        advanceSettling(Seconds(std::min(2 * limit + 2, 60.0) - 0.5));
        EXPECT_TRUE(scheduledRecoveries(log).empty());
    }
}

TEST_F(Supervision, aRecoveryPlannedBeforeANewSelectionNeverRuns) {
    launchPlaying();
    supervisor->schedulePlaybackRecovery(QStringLiteral("test"), false, true);
    // Applying a list (here an equal one) starts a new selection: the rebuild
    // planned for the old one never happens.
    const int64_t before = supervisor->playerGeneration();
    selection.adoptEditedList(threeCameras());
    supervisor->playNewSelection();
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    engines.clearJournal();
    advanceSettling(Seconds(1));
    EXPECT_EQ(supervisor->playerGeneration(), before);
    EXPECT_TRUE(engines.journal().calls.filter(QStringLiteral("create")).isEmpty());
}

TEST_F(Supervision, theNetworkPathDecidesWhenToSuspendAndWhenToReconnect) {
    launchPlaying();
    const NetworkPathSignature wifi{true, true, false, false};
    const NetworkPathSignature ethernet{true, false, true, false};
    const NetworkPathSignature down{false, false, false, false};

    // First satisfied update: nothing more.
    supervisor->handleNetworkPath(wifi);
    EXPECT_TRUE(log.contains(
        QStringLiteral("Network path update: satisfied=true, wifi=true, ethernet=false.")));
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    // The same again: nothing.
    supervisor->handleNetworkPath(wifi);
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    // A different satisfied path: an immediate rebuild.
    supervisor->handleNetworkPath(ethernet);
    auto recoveries = scheduledRecoveries(log);
    ASSERT_EQ(recoveries.size(), 1u);
    EXPECT_EQ(recoveries[0].reason, QStringLiteral("network path became usable or changed"));
    EXPECT_TRUE(recoveries[0].recreate);
    EXPECT_NEAR(recoveries[0].delay, 0.5, 1e-6);
    // Unusable: the pending recovery goes and everything waits.
    supervisor->handleNetworkPath(down);
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    EXPECT_EQ(supervisor->state(), State::suspended);
    EXPECT_TRUE(supervisor->hold().pathIsDown);
    const int64_t generation = supervisor->playerGeneration();
    advanceSettling(Seconds(60));
    EXPECT_EQ(supervisor->playerGeneration(), generation);
    EXPECT_EQ(scheduledRecoveries(log).size(), 1u);
    supervisor->schedulePlaybackRecovery(QStringLiteral("ignored"), true, true);
    EXPECT_FALSE(supervisor->hasPendingRecovery());

    // Usable again: always different from the unusable path, so a rebuild.
    supervisor->handleNetworkPath(wifi);
    advanceSettling(Seconds(0.6));
    EXPECT_EQ(supervisor->playerGeneration(), generation + 1);
}

TEST_F(Supervision, sleepStopsTheStreamAndWakeRebuildsItAtOnce) {
    launchPlaying();
    supervisor->schedulePlaybackRecovery(QStringLiteral("pending"), false, false);
    engines.clearJournal();

    supervisor->systemWillSleep();
    EXPECT_TRUE(
        log.contains(QStringLiteral("The computer is sleeping; playback recovery is suspended.")));
    EXPECT_EQ(engines.journal().calls, QStringList{QStringLiteral("stop")});
    EXPECT_EQ(supervisor->state(), State::suspended);
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    // The stop's own end-file is ignored, frames while asleep too, and nothing recovers.
    deliver(PlaybackEngineEvent::endFile(2, 0));
    supervisor->recordRenderedFrame(supervisor->playerGeneration());
    EXPECT_EQ(supervisor->state(), State::suspended);
    advanceSettling(Seconds(120));
    EXPECT_EQ(supervisor->playerGeneration(), 1);

    supervisor->systemDidWake();
    EXPECT_TRUE(
        log.contains(QStringLiteral("The computer woke; scheduling a fresh camera connection.")));
    EXPECT_FALSE(supervisor->lastFrameRenderedAt());
    const auto recoveries = scheduledRecoveries(log);
    ASSERT_FALSE(recoveries.empty());
    EXPECT_EQ(recoveries.back().reason, QStringLiteral("system wake"));
    EXPECT_TRUE(recoveries.back().recreate);
    advanceSettling(Seconds(0.6));
    EXPECT_EQ(supervisor->playerGeneration(), 2);
    EXPECT_EQ(supervisor->state(), State::starting);
}

TEST_F(Supervision, wakingWhileThePathIsDownWaitsForThePath) {
    launchPlaying();
    supervisor->handleNetworkPath({true, true, false, false});
    supervisor->systemWillSleep();
    supervisor->handleNetworkPath({false, false, false, false});
    supervisor->systemDidWake();
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    advanceSettling(Seconds(30));
    EXPECT_EQ(supervisor->playerGeneration(), 1);

    supervisor->handleNetworkPath({true, true, false, false});
    EXPECT_TRUE(supervisor->hasPendingRecovery());
    advanceSettling(Seconds(0.6));
    EXPECT_EQ(supervisor->playerGeneration(), 2);
}

TEST_F(Supervision, eachHoldStopsEveryAttemptUntilItIsLifted) {
    // Closing, sleep and a path that is down: while any holds, no recovery is
    // planned, no preflight starts and the watchdog lets a silent stream be.
    const std::function<void()> holds[] = {
        [this] { supervisor->viewerWillClose(); },
        [this] { supervisor->systemWillSleep(); },
        [this] {
            supervisor->handleNetworkPath({false, false, false, false});
        },
    };
    for (size_t which = 0; which < std::size(holds); ++which) {
        SCOPED_TRACE(which);
        launchPlaying();
        holds[which]();
        EXPECT_FALSE(supervisor->mayPlaybackRun());
        supervisor->schedulePlaybackRecovery(QStringLiteral("held"), true, true);
        EXPECT_FALSE(supervisor->hasPendingRecovery());
        supervisor->requestLocalNetworkAccessAndStart();
        EXPECT_FALSE(supervisor->hasPreflight());
        const int64_t generation = supervisor->playerGeneration();
        advanceSettling(Seconds(30));
        EXPECT_EQ(supervisor->playerGeneration(), generation);
        EXPECT_TRUE(scheduledRecoveries(log).empty());
    }

    // Lifting the last hold lets recovery run again.
    launchPlaying();
    supervisor->handleNetworkPath({true, true, false, false});
    supervisor->systemWillSleep();
    supervisor->handleNetworkPath({false, false, false, false});
    supervisor->systemDidWake();
    EXPECT_FALSE(supervisor->mayPlaybackRun());
    supervisor->handleNetworkPath({true, true, false, false});
    EXPECT_TRUE(supervisor->mayPlaybackRun());
    EXPECT_TRUE(supervisor->hasPendingRecovery());
}

TEST_F(Supervision, switchingStreamsIsNeverAReconnect) {
    const QString main = reachableAddress(QStringLiteral("yard"));
    const QString small = reachableAddress(QStringLiteral("yard-small"));
    engines.properties = {{"video-dec-params/w", 1920}, {"video-dec-params/h", 1080}};
    streamNeeds = {.shownArea = QSize(480, 270), .mainRequired = false};
    start({Camera{QStringLiteral("Yard"), main, small}});
    const auto lastLoad = [this] { return engines.journal().calls.last(); };
    const auto loadOf = [](const QString& address) {
        return QStringLiteral("loadfile %1 replace").arg(address);
    };
    // The main stream first, until its size is known; then the small one,
    // in the same engine, without a recovery.
    EXPECT_EQ(lastLoad(), loadOf(main));
    supervisor->recordRenderedFrame(supervisor->playerGeneration());
    supervisor->reconsiderStream();
    EXPECT_EQ(lastLoad(), loadOf(small));
    supervisor->recordRenderedFrame(supervisor->playerGeneration());
    EXPECT_EQ(supervisor->shownStream(), CameraStream::small);

    // While a recovery waits, a change waits for its attempt.
    supervisor->schedulePlaybackRecovery(QStringLiteral("video frame heartbeat stalled"), false,
                                         false);
    streamNeeds.mainRequired = true;
    supervisor->reconsiderStream();
    EXPECT_EQ(lastLoad(), loadOf(small));
    advanceSettling(Seconds(2));
    EXPECT_EQ(lastLoad(), loadOf(main));
    supervisor->recordRenderedFrame(supervisor->playerGeneration());

    // A small stream that brings no picture gives way to the main one at
    // once, and stays out until the machine wakes.
    streamNeeds.mainRequired = false;
    supervisor->reconsiderStream();
    EXPECT_EQ(lastLoad(), loadOf(small));
    supervisor->schedulePlaybackRecovery(QStringLiteral("mpv ended the stream"), false, false);
    EXPECT_EQ(lastLoad(), loadOf(main));
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    supervisor->recordRenderedFrame(supervisor->playerGeneration());
    supervisor->reconsiderStream();
    EXPECT_EQ(supervisor->playingStream(), CameraStream::main);
    EXPECT_EQ(log.count(QStringLiteral("Scheduling recovery")), 0);
    supervisor->systemWillSleep();
    supervisor->systemDidWake();
    supervisor->reconsiderStream();
    EXPECT_EQ(supervisor->playingStream(), CameraStream::small);
    for (const QString& text : log.texts()) {
        EXPECT_FALSE(text.contains(small)) << text.toStdString();
    }
}

TEST_F(Supervision, onlyANewSelectionStartsTheViewAfreshNotARecoveryOrCatchUp) {
    using Load = CameraLoad;
    launchPlaying();
    EXPECT_EQ(loadsAnnounced, std::vector<Load>{Load::newSelection});
    EXPECT_EQ(framesShown, 1);

    // A catch-up keeps the camera, its picture's shape and any focused area.
    supervisor->catchUpWithLiveStream(QStringLiteral("Behind"));
    EXPECT_EQ(supervisor->state(), State::starting);
    EXPECT_EQ(loadsAnnounced, (std::vector<Load>{Load::newSelection, Load::sameCamera}));

    // A recovery, a rebuild of the engine included, loads the same camera:
    // its view stays. Another camera is a new selection.
    supervisor->schedulePlaybackRecovery(QStringLiteral("rebuild"), true, true);
    advanceSettling(Seconds(0.6));
    ASSERT_TRUE(selection.select(2));
    supervisor->playNewSelection();
    EXPECT_EQ(loadsAnnounced, (std::vector<Load>{Load::newSelection, Load::sameCamera,
                                                 Load::sameCamera, Load::newSelection}));
    EXPECT_EQ(engines.journal().calls.last(),
              QStringLiteral("loadfile ") + threeCameras()[2].url + QStringLiteral(" replace"));

    // An emptied list leaves no engine and no picture behind.
    selection.adoptEditedList({});
    supervisor->playNewSelection();
    EXPECT_FALSE(supervisor->hasEngine());
    EXPECT_EQ(supervisor->state(), State::stopped);
    EXPECT_EQ(engines.journal().liveEngines, 0);
}

} // namespace
} // namespace rure::test
