#include "ControllerTestFixture.h"

#include "common/RtspAddress.h"
#include "viewer/CameraSelection.h"
#include "window/StatusLine.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace rure::test {
namespace {

using State = PlaybackSupervisorState;

QString loadCall(const Camera& camera) {
    return QStringLiteral("loadfile ") + camera.url + QStringLiteral(" replace");
}

TEST_F(ControllerTest, selectingACameraReusesTheEngineAndRemembersTheChoice) {
    const QList<Camera> cameras = threeCameras();
    saveCameras(cameras);
    launch();
    ASSERT_TRUE(supervisor().hasEngine());
    engines.clearJournal();
    const int64_t selection = supervisor().selectionGeneration();

    delegate->selectCamera(2);
    EXPECT_EQ(engines.journal().calls, QStringList{loadCall(cameras[2])});
    EXPECT_EQ(engines.journal().enginesCreated, 1);
    EXPECT_EQ(supervisor().playerGeneration(), 1);
    EXPECT_EQ(supervisor().selectionGeneration(), selection + 1);
    EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 2);
    EXPECT_EQ(settings.value(QStringLiteral("selectedCameraIndex")).toInt(), 2);
    EXPECT_EQ(supervisor().state(), State::starting);
    // The task bar tells viewers apart by their cameras.
    EXPECT_EQ(delegate->viewerWindow()->windowTitle(), QString::fromUtf8("Garage — Rure"));

    // The same camera again still reloads and starts a new selection.
    delegate->selectCamera(2);
    EXPECT_EQ(engines.journal().calls, QStringList({loadCall(cameras[2]), loadCall(cameras[2])}));
    EXPECT_EQ(supervisor().selectionGeneration(), selection + 2);

    // Outside the list: nothing at all.
    for (const qsizetype outside : {qsizetype{-1}, qsizetype{3}}) {
        delegate->selectCamera(outside);
    }
    EXPECT_EQ(engines.journal().calls.size(), 2);
    EXPECT_EQ(supervisor().selectionGeneration(), selection + 2);
    EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 2);
}

TEST_F(ControllerTest, selectingACameraResetsRetriesAndDropsThePendingRecovery) {
    saveCameras(threeCameras());
    launch();
    delegate->playback().schedulePlaybackRecovery(QStringLiteral("test"), false, false);
    ASSERT_TRUE(supervisor().hasPendingRecovery());
    ASSERT_EQ(supervisor().retryCount(), 1);

    delegate->selectCamera(1);
    EXPECT_FALSE(supervisor().hasPendingRecovery());
    EXPECT_EQ(supervisor().retryCount(), 0);
    engines.clearJournal();
    scheduler.advance(Seconds(5));
    EXPECT_FALSE(engines.journal().calls.contains(loadCall(threeCameras()[0])));
}

TEST_F(ControllerTest, selectingACameraWithoutAnEngineStartsOneThroughThePreflight) {
    const QList<Camera> cameras = threeCameras();
    saveCameras(cameras);
    engines.failNextCreation = EngineStartError::create;
    launch();
    ASSERT_FALSE(supervisor().hasEngine());

    delegate->selectCamera(1);
    EXPECT_TRUE(supervisor().hasPreflight());
    settle();
    ASSERT_TRUE(supervisor().hasEngine());
    EXPECT_EQ(supervisor().playerGeneration(), 2);
    EXPECT_EQ(engines.journal().calls.last(), loadCall(cameras[1]));
}

TEST_F(ControllerTest, anAddressThatIsNotRtspIsNeverHandedToTheEngineFromAnyPath) {
    const QString unplayable[] = {
        QStringLiteral("av://lavfi:testsrc"),
        QStringLiteral("file:///etc/passwd"),
        // Its host answers: not even the preflight may knock there.
        QStringLiteral("http://127.0.0.1:%1/stream").arg(listener.serverPort()),
        QStringLiteral("rtsp:///no-host"),
        QStringLiteral("rtsps://127.0.0.1:%1/stream").arg(listener.serverPort()),
    };
    for (const QString& address : unplayable) {
        SCOPED_TRACE(address.toStdString());
        const Camera front = threeCameras()[0];
        const Camera odd{QStringLiteral("Odd"), address};
        saveCameras({front, odd});
        settings.setValue(QStringLiteral("selectedCameraIndex"), 1);
        const auto neverLoadedAndExplained = [&] {
            EXPECT_FALSE(engines.journal().calls.contains(loadCall(odd)));
            EXPECT_FALSE(supervisor().hasEngine());
            EXPECT_FALSE(supervisor().hasPreflight());
            EXPECT_FALSE(supervisor().hasPendingRecovery());
            EXPECT_TRUE(supervisor().statusText().startsWith(unplayableAddressText()))
                << supervisor().statusText().toStdString();
        };

        // Launched with it selected: no engine at all.
        const int enginesBefore = engines.journal().enginesCreated;
        launch();
        neverLoadedAndExplained();
        EXPECT_EQ(engines.journal().enginesCreated, enginesBefore);
        // The line sends the user to the editor, and a click on it opens it.
        StatusLine* line = delegate->overlay().statusLine();
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->testAttribute(Qt::WA_TransparentForMouseEvents));
        QTest::mouseClick(line, Qt::LeftButton);
        EXPECT_NE(delegate->cameraSettings(), nullptr);

        // Chosen while another camera plays: that camera's engine stops.
        delegate->selectCamera(0);
        settle();
        ASSERT_TRUE(supervisor().hasEngine());
        EXPECT_TRUE(line->testAttribute(Qt::WA_TransparentForMouseEvents))
            << "any other line lets the pointer through to the picture";
        delegate->selectCamera(1);
        neverLoadedAndExplained();

        // A wake, a network path change and a link to it change nothing.
        delegate->playback().systemDidWake();
        for (const bool wifi : {false, true}) {
            delegate->playback().handleNetworkPath(NetworkPathSignature{true, wifi, !wifi});
        }
        delegate->handleLaunchRequest({LaunchRequest::Kind::openAddress, address});
        advanceSettling(Seconds(30), Seconds(1));
        neverLoadedAndExplained();
        expectNoCameraDetailsInLog({odd});
        delegate.reset();
    }
}

TEST(CameraSelectionAfterEdit, followsTheSameCameraThenTheNameThenThePosition) {
    const Camera front{QStringLiteral("Front"), QStringLiteral("rtsp://10.0.0.1/a")};
    const Camera frontMoved{QStringLiteral("Front"), QStringLiteral("rtsp://10.0.0.9/a")};
    const Camera garden{QStringLiteral("Garden"), QStringLiteral("rtsp://10.0.0.2/a")};
    const Camera gardenShout{QStringLiteral("GARDEN"), QStringLiteral("rtsp://10.0.0.7/a")};
    const Camera yard{QStringLiteral("Yard"), QStringLiteral("rtsp://10.0.0.3/a")};
    const struct {
        const char* what;
        QList<Camera> cameras;
        std::optional<Camera> previous;
        qsizetype previousIndex;
        qsizetype expected;
    } cases[] = {
        {"exact camera moved down", {yard, garden, front}, front, 0, 2},
        {"exact camera preferred over an earlier same name", {frontMoved, front}, front, 0, 1},
        {"same name, other address", {yard, frontMoved}, front, 0, 1},
        {"name matched without regard to case", {yard, front, gardenShout}, garden, 1, 2},
        {"nothing matches: same position", {yard, frontMoved, front}, garden, 1, 1},
        {"list shortened below the old position", {yard}, garden, 4, 0},
        {"no previous camera", {yard, front}, std::nullopt, -1, 0},
        {"empty list", {}, front, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(chooseSelectionAfterEdit(c.cameras, c.previous, c.previousIndex), c.expected);
    }
}

TEST_F(ControllerTest, camerasAreChosenFromTheKeyboard) {
    saveCameras(threeCameras());
    launch();
    ViewerWindow* window = delegate->viewerWindow();
    // Keys reach the window's shortcuts only while it is the active window.
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window, 3000)) {
        GTEST_SKIP() << "the display gives the window no focus";
    }
    const struct {
        const char* keys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        qsizetype selected;
    } presses[] = {
        {"Ctrl+3", Qt::Key_3, Qt::ControlModifier, 2},
        {"Page Down, round the list", Qt::Key_PageDown, Qt::NoModifier, 0},
        {"Page Up, round the list", Qt::Key_PageUp, Qt::NoModifier, 2},
        {"Ctrl+2", Qt::Key_2, Qt::ControlModifier, 1},
        {"Ctrl+9, no such camera", Qt::Key_9, Qt::ControlModifier, 1},
    };
    for (const auto& press : presses) {
        SCOPED_TRACE(press.keys);
        QTest::keyClick(window, press.key, press.modifiers);
        EXPECT_EQ(delegate->cameraSelection().selectedIndex(), press.selected);
        EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), press.selected);
    }
}

TEST_F(ControllerTest, savingAnEditedListStoresItAndFollowsTheSelectedCamera) {
    QList<Camera> cameras = threeCameras();
    saveCameras(cameras);
    settings.setValue(QStringLiteral("selectedCameraIndex"), 1);
    launch();
    engines.clearJournal();
    const int64_t selection = supervisor().selectionGeneration();

    const Camera porch{QStringLiteral("Porch"), reachableAddress(QStringLiteral("porch"))};
    const QList<Camera> edited{porch, cameras[2], cameras[1]};
    const Result<void> saved = delegate->applyEditedCameraList(edited);
    ASSERT_TRUE(saved.ok());

    EXPECT_EQ(delegate->cameraSelection().cameras(), edited);
    EXPECT_EQ(store.load().value(), edited);
    EXPECT_EQ(
        delegate->overlay().cameraPicker()->items(),
        QStringList({QStringLiteral("Porch"), QStringLiteral("Garage"), QStringLiteral("Garden")}));
    EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 2);
    EXPECT_EQ(settings.value(QStringLiteral("selectedCameraIndex")).toInt(), 2);
    EXPECT_EQ(delegate->viewerWindow()->windowTitle(), QString::fromUtf8("Garden — Rure"));
    EXPECT_EQ(supervisor().selectionGeneration(), selection + 1);
    EXPECT_EQ(engines.journal().calls, QStringList{loadCall(cameras[1])});
    EXPECT_EQ(engines.journal().enginesCreated, 1);
}

TEST_F(ControllerTest, savingAnEditedListIntoAnEmptyViewerHidesTheHintAndStartsPlayback) {
    launch();
    ASSERT_TRUE(delegate->overlay().emptyStateLabel()->isVisibleTo(delegate->viewerWindow()));
    EXPECT_EQ(delegate->viewerWindow()->windowTitle(), QStringLiteral("Rure"));

    ASSERT_TRUE(delegate->applyEditedCameraList(threeCameras()).ok());
    EXPECT_EQ(delegate->viewerWindow()->windowTitle(), QString::fromUtf8("Front Door — Rure"));
    EXPECT_FALSE(delegate->overlay().emptyStateLabel()->isVisibleTo(delegate->viewerWindow()));
    EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 0);
    settle();
    ASSERT_TRUE(supervisor().hasEngine());
    EXPECT_EQ(engines.journal().calls.last(), loadCall(threeCameras()[0]));
}

TEST_F(ControllerTest, anEditedListThatCannotBeSavedChangesNothing) {
    const QList<Camera> cameras = threeCameras();
    saveCameras(cameras);
    launch();
    engines.clearJournal();
    // A directory where the camera list file belongs makes the save fail.
    const QString listPath = store.appSupportDirectory() + QStringLiteral("/cameras.json");
    ASSERT_TRUE(QFile::remove(listPath));
    ASSERT_TRUE(QDir().mkpath(listPath + QStringLiteral("/occupied")));
    const int64_t selection = supervisor().selectionGeneration();

    const Result<void> saved = delegate->applyEditedCameraList({cameras[2]});
    ASSERT_FALSE(saved.ok());
    EXPECT_FALSE(saved.error().description.isEmpty());
    EXPECT_EQ(delegate->cameraSelection().cameras(), cameras);
    EXPECT_EQ(delegate->overlay().cameraPicker()->itemCount(), 3);
    EXPECT_EQ(supervisor().selectionGeneration(), selection);
    EXPECT_TRUE(engines.journal().calls.isEmpty());
}

} // namespace
} // namespace rure::test
