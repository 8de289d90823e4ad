#include "ControllerTestFixture.h"

#include <QDir>
#include <QFile>

namespace rure::test {
namespace {

using State = PlaybackSupervisorState;

TEST_F(ControllerTest, firstLaunchWithoutCameraListShowsEmptyWindowAndStartsNoEngine) {
    launch();

    EXPECT_TRUE(delegate->cameraSelection().cameras().isEmpty());
    ASSERT_NE(delegate->viewerWindow(), nullptr);
    EXPECT_TRUE(delegate->viewerWindow()->isVisible());
    EXPECT_TRUE(delegate->overlay().emptyStateLabel()->isVisibleTo(delegate->viewerWindow()));
    EXPECT_EQ(delegate->overlay().cameraPicker()->itemCount(), 0);
    EXPECT_EQ(engines.journal().enginesCreated, 0);
    EXPECT_EQ(supervisor().state(), State::stopped);
    EXPECT_TRUE(log.containsInOrder({QStringLiteral("Rure is launching."),
                                     QStringLiteral("No camera configuration exists yet.")}));
    EXPECT_FALSE(log.contains(QStringLiteral("No usable camera configuration could be loaded.")));
    // Nothing is created on disk by a launch.
    EXPECT_FALSE(QFileInfo::exists(store.appSupportDirectory()));
}

TEST_F(ControllerTest, damagedCameraListWithoutRecoveryCopyStartsEmptyAndKeepsTheFile) {
    QDir().mkpath(store.appSupportDirectory());
    const QString path = store.appSupportDirectory() + QStringLiteral("/cameras.json");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{\"cameras\": [ {\"name\": \"Front\"");
    }
    launch();

    EXPECT_TRUE(delegate->cameraSelection().cameras().isEmpty());
    EXPECT_TRUE(delegate->overlay().emptyStateLabel()->isVisibleTo(delegate->viewerWindow()));
    EXPECT_EQ(engines.journal().enginesCreated, 0);
    EXPECT_TRUE(log.containsInOrder(
        {QStringLiteral("Primary camera configuration is invalid; attempting owner-only recovery."),
         QStringLiteral("No usable camera configuration could be loaded.")}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("{\"cameras\": [ {\"name\": \"Front\""));
}

TEST_F(ControllerTest, soundCameraListStartsTheStoredCameraThroughThePreflight) {
    const QList<Camera> cameras = threeCameras();
    saveCameras(cameras);
    settings.setValue(QStringLiteral("selectedCameraIndex"), 1);

    launch();

    EXPECT_EQ(delegate->cameraSelection().cameras(), cameras);
    EXPECT_FALSE(delegate->overlay().emptyStateLabel()->isVisibleTo(delegate->viewerWindow()));
    EXPECT_EQ(delegate->overlay().cameraPicker()->items(),
              QStringList({QStringLiteral("Front Door"), QStringLiteral("Garden"),
                           QStringLiteral("Garage")}));
    EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 1);
    ASSERT_TRUE(supervisor().hasEngine());
    EXPECT_EQ(engines.journal().liveLoops, 1);
    EXPECT_TRUE(supervisor().hasWatchdog());
    EXPECT_EQ(supervisor().playerGeneration(), 1);
    EXPECT_EQ(supervisor().state(), State::starting);
    EXPECT_EQ(
        engines.journal().calls,
        QStringList({QStringLiteral("create 1"), QStringLiteral("loop start 1"),
                     QStringLiteral("loadfile ") + cameras[1].url + QStringLiteral(" replace")}));
    EXPECT_TRUE(log.containsInOrder(
        {QStringLiteral("Rure is launching."), QStringLiteral("Loaded 3 cameras."),
         QStringLiteral("Starting video engine generation 1."),
         QStringLiteral("Loading camera index 1 for selection generation 0.")}));
    expectNoCameraDetailsInLog(cameras);
}

TEST_F(ControllerTest, storedSelectionOutsideTheListSelectsTheFirstCamera) {
    for (const int stored : {3, -1, 99}) {
        SCOPED_TRACE(stored);
        delegate.reset();
        engines.clearJournal();
        saveCameras(threeCameras());
        settings.setValue(QStringLiteral("selectedCameraIndex"), stored);
        launch();
        EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 0);
        EXPECT_TRUE(engines.journal().calls.contains(
            QStringLiteral("loadfile ") + threeCameras()[0].url + QStringLiteral(" replace")));
    }
}

TEST_F(ControllerTest, engineCreationFailureShowsItsMessageAndSchedulesNothing) {
    const struct {
        EngineStartError error;
        const char* message;
    } cases[] = {
        {EngineStartError::create, "Rure could not start its video engine."},
        {EngineStartError::initialize, "Rure could not initialize its video engine."},
        {EngineStartError::attach, "Rure could not attach video to its window."},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.message);
        delegate.reset();
        alerts.clear();
        saveCameras(threeCameras());
        engines.failNextCreation = failure.error;
        launch();

        EXPECT_FALSE(supervisor().hasEngine());
        EXPECT_EQ(engines.journal().liveLoops, 0);
        EXPECT_EQ(supervisor().state(), State::stopped);
        EXPECT_FALSE(supervisor().hasPendingRecovery());
        EXPECT_EQ(alerts, QStringList{QString::fromLatin1(failure.message)});
        // The watchdog leaves a viewer without an engine alone.
        scheduler.advance(Seconds(60));
        EXPECT_FALSE(supervisor().hasEngine());
        EXPECT_FALSE(supervisor().hasPendingRecovery());
    }
}

TEST_F(ControllerTest, rejectedLoadLogsSchedulesOneRecoveryAndNamesTheCameraInTheAlert) {
    saveCameras(threeCameras());
    engines.loadStatus = -4;
    launch();

    EXPECT_TRUE(log.contains(QStringLiteral("mpv rejected the load command with error -4.")));
    EXPECT_TRUE(supervisor().hasPendingRecovery());
    EXPECT_EQ(supervisor().state(), State::backingOff);
    EXPECT_EQ(log.count(QStringLiteral("Scheduling recovery 1 in 0.500000 seconds; recreate=false; "
                                       "reason=mpv rejected the load command.")),
              1);
    EXPECT_EQ(alerts, QStringList{QStringLiteral("Could not open Front Door.")});
    expectNoCameraDetailsInLog(threeCameras());
}

} // namespace
} // namespace rure::test
