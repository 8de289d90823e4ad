// The viewer comes back to a live picture by itself: the camera loses power,
// freezes, is not there yet at launch, or the machine sleeps.
#include "LiveViewerFixture.h"

#include "support/FakeLogind.h"

#include <QRegularExpression>

#include <chrono>

namespace rure::test {
namespace {

using Clock = std::chrono::steady_clock;

// When each announced recovery falls due: the moment it was logged plus its delay.
std::vector<Clock::time_point> recoveryDueTimes(const LogCapture& log) {
    static const QRegularExpression line(
        QStringLiteral(R"(^Scheduling recovery \d+ in (\d+\.\d+) seconds;)"));
    const auto entries = log.entries();
    const auto arrivals = log.arrivalTimes();
    std::vector<Clock::time_point> due;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto match = line.match(entries[i].text);
        if (match.hasMatch()) {
            due.push_back(arrivals[i] + std::chrono::duration_cast<Clock::duration>(
                                            Seconds(match.captured(1).toDouble())));
        }
    }
    return due;
}

// When a log line starting with `prefix` first arrived at or after `since`.
std::optional<Clock::time_point> firstArrival(const LogCapture& log, const QString& prefix,
                                              Clock::time_point since) {
    const auto entries = log.entries();
    const auto arrivals = log.arrivalTimes();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (arrivals[i] >= since && entries[i].text.startsWith(prefix)) {
            return arrivals[i];
        }
    }
    return std::nullopt;
}

double secondsFrom(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<Seconds>(to - from).count();
}

const QString framesResumed = QStringLiteral("Live video frames resumed for player generation");

class LiveRecovery : public LiveViewerTest {
protected:
    // Waits for frames that arrive after `since`; returns when they did.
    std::optional<Clock::time_point> waitForFramesAfter(Clock::time_point since, int timeoutMs) {
        waitFor([&] { return firstArrival(log, framesResumed, since).has_value(); }, timeoutMs);
        return firstArrival(log, framesResumed, since);
    }

    // The picture came back no later than 3 seconds after the first attempt
    // that was due once the camera was back.
    void expectLiveOnTheNextAttempt(Clock::time_point cameraBack, Clock::time_point live) {
        const auto due = recoveryDueTimes(log);
        const auto next = std::find_if(due.begin(), due.end(),
                                       [&](Clock::time_point t) { return t >= cameraBack; });
        // No attempt due after the camera came back: the one under way then
        // brought the picture back, and it counts from the camera's return.
        const Clock::time_point attempt = next != due.end() ? *next : cameraBack;
        EXPECT_LE(secondsFrom(attempt, live), 3.0)
            << "live " << secondsFrom(cameraBack, live) << " s after the camera came back, "
            << secondsFrom(cameraBack, attempt) << " s after the attempt was due";
    }

    void expectNothingAboutTheCameraInTheLog(const QStringList& secrets) {
        for (const QString& text : log.texts()) {
            for (const QString& secret : secrets) {
                EXPECT_FALSE(text.contains(secret)) << text.toStdString();
            }
        }
    }
};

TEST_F(LiveRecovery, aCameraThatLosesPowerIsLiveAgainSoonAfterItReturns) {
    TestCamera::Options options;
    options.user = QStringLiteral("viewer");
    options.password = QStringLiteral("s3cret-Pa55");
    ASSERT_TRUE(camera.start(options));
    QString address = camera.url();
    address.insert(QStringLiteral("rtsp://").size(), QStringLiteral("viewer:s3cret-Pa55@"));
    launch({{QStringLiteral("Driveway"), address}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); })) << log.texts().join('\n').toStdString();
    // The last picture before the power loss is white; the camera comes back
    // with its colour bars, so bars on screen can only be a new picture.
    ASSERT_TRUE(camera.showWhite());
    const auto isWhite = [](const QColor& c) {
        return c.isValid() && c.red() > 200 && c.green() > 200 && c.blue() > 200;
    };
    ASSERT_TRUE(waitFor([&] { return isWhite(centreColour()); }))
        << centreColour().name().toStdString();

    camera.kill();
    waitFor([] { return false; }, 5000);
    ASSERT_TRUE(camera.restart());
    const Clock::time_point back = Clock::now();

    const auto live = waitForFramesAfter(back, 60000);
    ASSERT_TRUE(live) << log.texts().join('\n').toStdString();
    EXPECT_TRUE(waitFor(
        [&] {
            const QColor c = centreColour();
            return c.isValid() && !isWhite(c) && !isBlack(c);
        },
        30000))
        << "the picture stayed frozen: " << centreColour().name().toStdString() << "\n"
        << log.texts().join('\n').toStdString();
    // And it stays live: one new picture followed by nothing is a stream the
    // engine still holds paused from the end of the lost one.
    const std::optional<SteadyTime> newPicture = supervisor().lastFrameRenderedAt();
    ASSERT_TRUE(newPicture.has_value());
    EXPECT_TRUE(waitFor(
        [&] {
            const std::optional<SteadyTime> last = supervisor().lastFrameRenderedAt();
            return last && *last - *newPicture >= std::chrono::seconds(2);
        },
        5000))
        << "no new frames after the first one\n"
        << log.texts().join('\n').toStdString();
    expectLiveOnTheNextAttempt(back, *live);
    EXPECT_TRUE(isPlaying());
    EXPECT_GE(recoveryDueTimes(log).size(), 1u);
    expectNothingAboutTheCameraInTheLog({address, camera.url(), QStringLiteral("s3cret"),
                                         QStringLiteral("viewer:"), QStringLiteral("Driveway"),
                                         QStringLiteral(":%1").arg(camera.port())});
}

TEST_F(LiveRecovery, aShortStallDoesNotLeaveThePictureBehind) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Porch"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); })) << log.texts().join('\n').toStdString();

    // Far shorter than the silence limit: the viewer never stops playing.
    ASSERT_TRUE(camera.stall());
    waitFor([] { return false; }, 2300);
    ASSERT_TRUE(camera.resume());

    // The engine shows the frames that come after the stall as they come,
    // not two seconds late on the stream's clock: a change at the camera
    // shows in about the usual delay, without loading the camera again.
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }, 10000));
    waitFor([] { return false; }, 1000);
    ASSERT_TRUE(camera.showWhite());
    const auto isWhite = [](const QColor& c) {
        return c.isValid() && c.red() > 200 && c.green() > 200 && c.blue() > 200;
    };
    // Well under the 2.3 s the picture would lag behind.
    EXPECT_TRUE(waitFor([&] { return isWhite(centreColour()); }, 1200))
        << "the picture still lags: " << centreColour().name().toStdString();
    EXPECT_EQ(supervisor().playerGeneration(), 1);
    EXPECT_TRUE(recoveryDueTimes(log).empty()) << log.texts().join('\n').toStdString();
    EXPECT_TRUE(log.texts().filter(QStringLiteral("loading the camera again")).isEmpty())
        << log.texts().join('\n').toStdString();
}

TEST_F(LiveRecovery, aFrozenCameraIsNeverTakenForLiveAndTheThirdAttemptRebuilds) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Shed"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    const int64_t generation = supervisor().playerGeneration();

    // The camera answers but sends no pictures. Each reload into the old
    // engine redraws its last picture; none of that is a frame from the
    // camera, so the attempts keep counting and the third one rebuilds.
    ASSERT_TRUE(camera.stall());
    const Clock::time_point stalled = Clock::now();
    const QString thirdAttempt = QStringLiteral("Scheduling recovery 3 in");
    ASSERT_TRUE(
        waitFor([&] { return firstArrival(log, thirdAttempt, stalled).has_value(); }, 60000))
        << log.texts().join('\n').toStdString();
    EXPECT_TRUE(log.texts().filter(thirdAttempt).last().contains(QStringLiteral("recreate=true")));
    ASSERT_TRUE(waitFor([&] { return supervisor().playerGeneration() == generation + 1; }, 10000));
    waitFor([] { return false; }, 1000);
    EXPECT_FALSE(firstArrival(log, framesResumed, stalled).has_value())
        << log.texts().join('\n').toStdString();
    EXPECT_FALSE(isPlaying());
}

TEST_F(LiveRecovery, aFrozenStreamWithItsSessionOpenIsReloadedAfterTenSecondsAndComesBack) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Porch"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    waitFor([] { return false; }, 500);

    ASSERT_TRUE(camera.stall());
    const Clock::time_point stalled = Clock::now();
    const QString stalledLine = QStringLiteral("reason=video frame heartbeat stalled.");
    ASSERT_TRUE(waitFor([&] { return log.texts().filter(stalledLine).size() == 1; }, 20000));
    const auto noticed = firstArrival(log, QStringLiteral("Scheduling recovery 1 in"), stalled);
    ASSERT_TRUE(noticed);
    const double after = secondsFrom(stalled, *noticed);
    // The camera keeps its session open (it may only be pausing, as cameras
    // do while nothing moves): ten seconds, not ten of its frame intervals.
    // The watchdog looks every half second, and frames already on their way
    // when the camera froze may land a moment later.
    EXPECT_GE(after, 9.5);
    EXPECT_LE(after, 11.6);

    ASSERT_TRUE(camera.resume());
    const Clock::time_point resumed = Clock::now();
    const auto live = waitForFramesAfter(resumed, 60000);
    ASSERT_TRUE(live) << log.texts().join('\n').toStdString();
    expectLiveOnTheNextAttempt(resumed, *live);
}

TEST_F(LiveRecovery, aCameraThatIsNotThereAtLaunchIsShownOnceItComesUp) {
    TestCamera::Options options;
    options.port = TestCamera::freePort();
    const QString address = QStringLiteral("rtsp://127.0.0.1:%1/camera").arg(options.port);
    launch({{QStringLiteral("Gate"), address}});
    waitFor([] { return false; }, 20000);
    EXPECT_FALSE(isPlaying());
    EXPECT_GE(recoveryDueTimes(log).size(), 3u);

    ASSERT_TRUE(camera.start(options));
    ASSERT_EQ(camera.url(), address);
    const Clock::time_point up = Clock::now();
    const auto live = waitForFramesAfter(up, 60000);
    ASSERT_TRUE(live) << log.texts().join('\n').toStdString();
    expectLiveOnTheNextAttempt(up, *live);
}

TEST_F(LiveRecovery, sleepSuspendsRecoveryAndWakeRebuildsTheEngineAtOnce) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeLogind logind(bus.connect());
    ASSERT_TRUE(logind.isRegistered());
    sleepWakeBus = bus.connect();

    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Hall"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    ASSERT_TRUE(waitFor([&] { return logind.inhibitCallCount() == 1 && logind.lastLockIsHeld(); }));
    const int64_t generation = supervisor().playerGeneration();

    ASSERT_TRUE(logind.emitPrepareForSleep(true));
    ASSERT_TRUE(waitFor([this] { return supervisor().hold().sleeping; }));
    EXPECT_TRUE(
        log.contains(QStringLiteral("The computer is sleeping; playback recovery is suspended.")));
    EXPECT_EQ(supervisor().state(), PlaybackSupervisorState::suspended);
    // The engine was stopped before the lock let the machine go to sleep.
    EXPECT_TRUE(waitFor([&] { return !logind.lastLockIsHeld(); }));
    waitFor([] { return false; }, 2500);
    EXPECT_EQ(supervisor().state(), PlaybackSupervisorState::suspended);
    EXPECT_EQ(supervisor().playerGeneration(), generation);
    EXPECT_FALSE(supervisor().hasPendingRecovery());

    ASSERT_TRUE(logind.emitPrepareForSleep(false));
    const Clock::time_point woke = Clock::now();
    ASSERT_TRUE(waitFor([this] { return !supervisor().hold().sleeping; }));
    EXPECT_TRUE(
        log.contains(QStringLiteral("The computer woke; scheduling a fresh camera connection.")));
    const auto live = waitForFramesAfter(woke, 30000);
    ASSERT_TRUE(live) << log.texts().join('\n').toStdString();
    EXPECT_EQ(supervisor().playerGeneration(), generation + 1);
    EXPECT_LE(secondsFrom(woke, *live), 0.5 + 0.35 + 3.0);
    EXPECT_TRUE(waitFor([&] { return logind.lastLockIsHeld(); }));
}

TEST_F(LiveRecovery, theFocusedAreaAndTheWindowStayThroughAPowerLossAndAnEngineRebuild) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Gate"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    // The colour bars' centre is green; the centre of their left half, yellow.
    const auto isYellow = [](const QColor& c) {
        return c.isValid() && c.red() > 110 && c.green() > 110 && c.blue() < 60 &&
               std::abs(c.red() - c.green()) < 40;
    };
    delegate->toggleFocusArea();
    const QSize view = delegate->viewerWindow()->size();
    delegate->focusSelectionCompleted(QRectF(0, 0, view.width() / 2.0, view.height()));
    ASSERT_TRUE(delegate->focusArea().focusCrop().has_value());
    ASSERT_TRUE(waitFor([&] { return isYellow(centreColour()); }))
        << centreColour().name().toStdString();
    waitFor([] { return false; }, 600);
    const QRect frame = delegate->viewerWindow()->geometry();

    // The camera loses power for three seconds, then the machine sleeps and
    // wakes (the engine is rebuilt): the area and the frame stay.
    camera.kill();
    waitFor([] { return false; }, 3000);
    ASSERT_TRUE(camera.restart());
    ASSERT_TRUE(waitForFramesAfter(Clock::now(), 30000)) << log.texts().join('\n').toStdString();
    const int64_t generation = supervisor().playerGeneration();
    delegate->playback().systemWillSleep();
    waitFor([] { return false; }, 1000);
    delegate->playback().systemDidWake();
    ASSERT_TRUE(waitForFramesAfter(Clock::now(), 30000)) << log.texts().join('\n').toStdString();
    EXPECT_GT(supervisor().playerGeneration(), generation);
    EXPECT_TRUE(delegate->focusArea().focusCrop().has_value());
    EXPECT_TRUE(waitFor([&] { return isYellow(centreColour()); }))
        << centreColour().name().toStdString();
    waitFor([] { return false; }, 600);
    EXPECT_EQ(delegate->viewerWindow()->geometry(), frame);
}

} // namespace
} // namespace rure::test
