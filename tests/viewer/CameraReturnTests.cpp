#include "SupervisorTestFixture.h"

#include "viewer/CameraReturnWatch.h"

namespace rure::test {
namespace {

// A loopback port where nothing listens now; listening on it later plays a
// camera that comes back.
quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

class CameraReturn : public SupervisorTest {
protected:
    bool logMentions(const QString& fragment) const {
        return log.texts().filter(fragment).size() > 0;
    }

    // Plays a camera on `port`, which refuses, until a slot long enough to
    // knock in is watched: the first load shows nothing, then each attempt's
    // preflight fails and the slots grow.
    void playRefusedCameraUntilWatched(quint16 port) {
        log.clear();
        start({{QStringLiteral("Porch"), QStringLiteral("rtsp://127.0.0.1:%1/live").arg(port)}});
        for (int waited = 0; waited < 400 && !supervisor->isWatchingForCameraReturn(); ++waited) {
            advanceKnocking(Seconds(0.1));
        }
    }

    // Moves virtual time forward in small steps, letting the watch's knocks
    // reach the loopback port as well as every preflight on the way.
    void advanceKnocking(Seconds total) {
        for (Seconds done{0}; done < total; done += Seconds(0.05)) {
            advanceSettling(Seconds(0.05));
            pumpUntil([] { return false; }, 5);
            scheduler.runPosted();
        }
    }
};

TEST_F(CameraReturn, theWatchReportsOnlyAnAcceptedConnectionAndNothingOnceStopped) {
    const quint16 port = closedPort();
    ASSERT_NE(port, 0);
    CameraReturnWatch watch(scheduler);
    int answers = 0;
    const Seconds period{2.0};
    const auto everyPeriod = [period] { return std::optional<Seconds>(period); };
    watch.start({QStringLiteral("127.0.0.1"), port}, everyPeriod, [&] { ++answers; });

    // Refused knocks, period after period, are no answer.
    advanceKnocking(Seconds(6.5));
    EXPECT_EQ(answers, 0);
    EXPECT_TRUE(watch.isWatching());

    QTcpServer camera;
    ASSERT_TRUE(camera.listen(QHostAddress::LocalHost, port));
    advanceKnocking(period + Seconds(0.5));
    EXPECT_EQ(answers, 1);
    EXPECT_FALSE(watch.isWatching());
    advanceKnocking(Seconds(4.5));
    EXPECT_EQ(answers, 1);

    // Stopped before its first knock, a watch of an open port never answers.
    watch.start({QStringLiteral("127.0.0.1"), port}, everyPeriod, [&] { ++answers; });
    watch.stop();
    advanceKnocking(Seconds(4.5));
    EXPECT_EQ(answers, 1);
}

TEST_F(CameraReturn, aCameraThatAnswersAgainIsTriedAtOnceNotAtTheEndOfItsSlot) {
    const quint16 port = closedPort();
    ASSERT_NE(port, 0);
    playRefusedCameraUntilWatched(port);
    ASSERT_TRUE(supervisor->isWatchingForCameraReturn());
    ASSERT_TRUE(supervisor->hasPendingRecovery());
    const SteadyTime slotEnd = *supervisor->status().nextAttemptAt;
    ASSERT_GE(secondsBetween(scheduler.now(), slotEnd), 1.0);
    EXPECT_FALSE(logMentions(QStringLiteral("The camera answers again")));

    // It comes back: within a second (the outage is young), the attempt
    // starts and loads the camera, before the slot would have ended.
    QTcpServer camera;
    ASSERT_TRUE(camera.listen(QHostAddress::LocalHost, port));
    const SteadyTime back = scheduler.now();
    const size_t loadsBefore = loadsAnnounced.size();
    for (int waited = 0; waited < 40 && loadsAnnounced.size() == loadsBefore; ++waited) {
        advanceKnocking(Seconds(0.1));
    }
    EXPECT_GT(loadsAnnounced.size(), loadsBefore);
    EXPECT_LE(secondsBetween(back, scheduler.now()), 1.5);
    EXPECT_LT(scheduler.now(), slotEnd);
    EXPECT_TRUE(logMentions(QStringLiteral("The camera answers again")));
    EXPECT_FALSE(supervisor->hasPendingRecovery());
    EXPECT_FALSE(supervisor->isWatchingForCameraReturn());
    EXPECT_EQ(supervisor->state(), PlaybackSupervisorState::starting);
}

TEST_F(CameraReturn, aPortThatAcceptsAKnockAndThenRefusesIsNotTriedOverAndOver) {
    const quint16 port = closedPort();
    ASSERT_NE(port, 0);
    playRefusedCameraUntilWatched(port);
    ASSERT_TRUE(supervisor->isWatchingForCameraReturn());

    // A listener that flaps: it takes one connection (the knock) and is gone
    // again before the attempt's own connection.
    QTcpServer flapping;
    QObject::connect(&flapping, &QTcpServer::newConnection, &flapping, [&] { flapping.close(); });
    ASSERT_TRUE(flapping.listen(QHostAddress::LocalHost, port));
    for (int waited = 0; waited < 200 && flapping.isListening(); ++waited) {
        // Time moves on; the camera's side hears of a knock before the
        // viewer acts on its answer.
        scheduler.advance(Seconds(0.05));
        for (int turn = 0; turn < 20 && flapping.isListening(); ++turn) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    ASSERT_FALSE(flapping.isListening());
    settle();
    ASSERT_TRUE(logMentions(QStringLiteral("The camera answers again")));
    const int64_t cutShort = supervisor->retryCount();

    // The attempt fails: the next slot runs whole, with no knocks to cut it short.
    for (int waited = 0; waited < 800 && supervisor->retryCount() == cutShort; ++waited) {
        advanceKnocking(Seconds(0.1));
    }
    ASSERT_EQ(supervisor->retryCount(), cutShort + 1);
    EXPECT_TRUE(supervisor->hasPendingRecovery());
    EXPECT_FALSE(supervisor->isWatchingForCameraReturn());
}

TEST_F(CameraReturn, aCameraWhoseStreamConnectionIsRefusedIsWatchedToo) {
    // The camera's port answered the preflight but refused the engine (it was
    // restarting): its slots are knocked through as well.
    QTcpServer camera;
    ASSERT_TRUE(camera.listen(QHostAddress::LocalHost));
    start({{QStringLiteral("Porch"),
            QStringLiteral("rtsp://127.0.0.1:%1/live").arg(camera.serverPort())}});
    for (int attempt = 0; attempt < 6 && !supervisor->isWatchingForCameraReturn(); ++attempt) {
        for (int step = 0;
             step < 400 && (supervisor->state() != PlaybackSupervisorState::starting ||
                            supervisor->hasPreflight());
             ++step) {
            advanceKnocking(Seconds(0.05));
        }
        ASSERT_TRUE(engine().deliver(
            PlaybackEngineEvent::problemOfCamera(CameraProblem::connectionRefused)));
        ASSERT_TRUE(engine().deliver(PlaybackEngineEvent::endFile(EndFileReason::error, -111)));
        settle();
    }
    EXPECT_TRUE(supervisor->isWatchingForCameraReturn());
}

TEST_F(CameraReturn, aCameraThatAnswersButDoesNotPlayKeepsItsSlots) {
    // The host accepts connections; only the stream fails. Cutting its slots
    // short would retry it over and over.
    log.clear();
    start(threeCameras());
    advanceSettling(Seconds(300));
    EXPECT_FALSE(supervisor->isWatchingForCameraReturn());
    EXPECT_FALSE(logMentions(QStringLiteral("The camera answers again")));
    EXPECT_TRUE(logMentions(QStringLiteral("Scheduling recovery 5 in 8.")));
}

} // namespace
} // namespace rure::test
