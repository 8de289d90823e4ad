// The viewer with its real engine, real window and the project's RTSP test
// camera: what a user sees after launching it.
#include "LiveViewerFixture.h"
#include "viewer/ViewerWindowSide.h"

#include "common/RtspAddress.h"

#include "window/CabinCameraMenuItemView.h"
#include "window/ViewerMainMenu.h"
#include "window/WindowFrameText.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QMouseEvent>
#include <QTcpServer>

#include <sys/stat.h>

namespace rure::test {
namespace {

using LivePicture = LiveViewerTest;

TEST_F(LivePicture, showsTheCameraFollowsItsShapeAndSwitchesCamerasInTheSameEngine) {
    TestCamera::Options options;
    options.width = 640;
    options.height = 480;
    ASSERT_TRUE(camera.start(options));
    // Accepts connections and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    launch({{QStringLiteral("Bars"), camera.url()},
            {QStringLiteral("Blue"), camera.secondUrl()},
            {QStringLiteral("Silent"),
             QStringLiteral("rtsp://127.0.0.1:%1/camera").arg(silent.serverPort())}});

    ASSERT_TRUE(waitFor([this] { return isPlaying(); })) << log.texts().join('\n').toStdString();
    EXPECT_EQ(supervisor().playerGeneration(), 1);
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();

    // The engine reads back the camera's size, and the window takes its shape.
    ASSERT_TRUE(
        waitFor([this] { return delegate->focusArea().sourceVideoGeometry().has_value(); }));
    EXPECT_EQ(*delegate->focusArea().sourceVideoGeometry(), (VideoSourceGeometry{640, 480, 0}));
    EXPECT_EQ(delegate->viewerWindow()->contentAspectRatio(), QSizeF(640, 480));
    const QSize size = delegate->viewerWindow()->size();
    EXPECT_NEAR(double(size.width()) / size.height(), 4.0 / 3.0, 0.01);

    // The picture is on screen: colour bars, not black.
    EXPECT_TRUE(
        waitFor([this] { return !isBlack(centreColour()) && centreColour().isValid(); }, 5000))
        << centreColour().name().toStdString();
    EXPECT_FALSE(isSecondPattern(centreColour()));

    // Another camera plays in the same engine instance.
    delegate->selectCamera(1);
    EXPECT_TRUE(waitFor([this] { return isSecondPattern(centreColour()); }))
        << centreColour().name().toStdString();
    EXPECT_TRUE(waitFor([this] { return isPlaying(); }));
    EXPECT_EQ(supervisor().playerGeneration(), 1);
    EXPECT_FALSE(log.contains(QStringLiteral("Starting video engine generation 2.")));

    // A camera that does not answer: the last camera's picture goes at once,
    // never to pass for this one's, and the window says which camera comes.
    delegate->selectCamera(2);
    EXPECT_TRUE(waitFor([this] { return isBlack(centreColour()); }, 2000))
        << centreColour().name().toStdString();
    EXPECT_EQ(supervisor().statusText(), QStringLiteral("Connecting to Silent…"));
    waitFor([] { return false; }, 1500);
    EXPECT_TRUE(isBlack(centreColour())) << centreColour().name().toStdString();

    // Nothing about the cameras reaches the log.
    for (const QString& text : log.texts()) {
        EXPECT_FALSE(text.contains(camera.url()) || text.contains(QStringLiteral("Bars")))
            << text.toStdString();
    }
}

// The test camera's colour bars: the seventh of the upper two thirds is blue,
// the fourth (the centre) green.
bool isBarBlue(const QColor& colour) {
    return colour.isValid() && colour.blue() > 150 && colour.red() < 70 && colour.green() < 70;
}
bool isBarGreen(const QColor& colour) {
    return colour.isValid() && colour.green() > 150 && colour.red() < 70 && colour.blue() < 70;
}

TEST_F(LivePicture, aFocusedAreaFillsTheWindowAndTheOriginalViewComesBack) {
    TestCamera::Options options;
    options.width = 1280;
    options.height = 720;
    ASSERT_TRUE(camera.start(options)); // colour bars
    launch({{QStringLiteral("Bars"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    ASSERT_TRUE(
        waitFor([this] { return delegate->focusArea().sourceVideoGeometry().has_value(); }));
    ViewerWindow* window = delegate->viewerWindow();
    window->setGeometry(QRect(100, 100, 960, 540));
    ASSERT_TRUE(waitFor([window] { return window->geometry() == QRect(100, 100, 960, 540); }));
    ASSERT_TRUE(waitFor([this] { return isBarGreen(centreColour()); }))
        << centreColour().name().toStdString();

    // Drag out an area inside the blue bar (0.75 points per picture pixel).
    DraggableContentView* view = &delegate->windowSide().pointerSurface();
    delegate->toggleFocusArea();
    const auto send = [view](QEvent::Type type, QPointF position) {
        QMouseEvent event(type, position, view->mapToGlobal(position), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, {850, 80});
    send(QEvent::MouseMove, {935, 220});
    send(QEvent::MouseButtonRelease, {935, 220});
    ASSERT_TRUE(waitFor([this] { return delegate->focusArea().focusCrop().has_value(); }));
    EXPECT_EQ(delegate->focusArea().focusCrop()->engineText(), QStringLiteral("114x188+1133+106"));
    // The window takes the crop's tall shape, and the whole of it is blue.
    EXPECT_TRUE(waitFor([window] { return window->width() < window->height(); }));
    const QPointF points[] = {{0.5, 0.5}, {0.15, 0.15}, {0.85, 0.15}, {0.15, 0.85}, {0.85, 0.85}};
    for (const QPointF& point : points) {
        EXPECT_TRUE(waitFor([&] { return isBarBlue(colourAt(point)); }, 5000))
            << point.x() << "," << point.y() << " " << colourAt(point).name().toStdString();
    }

    // A right click shows the whole picture in the same window, the next one the crop.
    delegate->secondaryClick();
    EXPECT_TRUE(waitFor([this] { return isBarGreen(centreColour()); }, 5000))
        << centreColour().name().toStdString();
    delegate->secondaryClick();
    EXPECT_TRUE(waitFor([this] { return isBarBlue(centreColour()); }, 5000));

    // The button brings back the original picture and frame.
    delegate->toggleFocusArea();
    EXPECT_TRUE(waitFor([window] { return window->geometry() == QRect(100, 100, 960, 540); }))
        << windowFrameText(window->geometry()).toStdString();
    EXPECT_TRUE(waitFor([this] { return isBarGreen(centreColour()); }, 5000))
        << centreColour().name().toStdString();
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

TEST_F(LivePicture, framesKeepCountingWhileTheWindowIsHidden) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Bars"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));

    delegate->viewerWindow()->hide();
    const SteadyTime hiddenAt = scheduler.now();
    waitFor([] { return false; }, 1500);
    ASSERT_TRUE(supervisor().lastFrameRenderedAt());
    EXPECT_GT(*supervisor().lastFrameRenderedAt(), hiddenAt);
    EXPECT_TRUE(isPlaying());

    delegate->viewerWindow()->show();
    waitFor([] { return false; }, 500);
    EXPECT_TRUE(isPlaying());
}

TEST_F(LivePicture, stoppingTheEngineAtAnyMomentLeavesNothingBehind) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Bars"), camera.url()}});

    // Right after the start, before any picture.
    ASSERT_TRUE(waitFor([this] { return supervisor().hasEngine(); }));
    delegate->playback().stopPlayerEngine();
    EXPECT_FALSE(supervisor().hasEngine());
    EXPECT_FALSE(delegate->windowSide().picture().view->isAttached());
    const int threadsWithoutEngine = threadCount();

    // During playback, and then once more.
    delegate->playback().startPlayer();
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    EXPECT_EQ(supervisor().playerGeneration(), 2);
    EXPECT_GT(threadCount(), threadsWithoutEngine);
    delegate->playback().stopPlayerEngine();
    delegate->playback().stopPlayerEngine();
    EXPECT_FALSE(supervisor().hasEngine());
    EXPECT_FALSE(delegate->windowSide().picture().view->isAttached());
    EXPECT_EQ(supervisor().state(), PlaybackSupervisorState::stopped);
    // Every thread of the engine and its event loop is gone.
    EXPECT_TRUE(waitFor([&] { return threadCount() <= threadsWithoutEngine; }, 3000))
        << threadCount() << " threads, " << threadsWithoutEngine << " before";
}

TEST_F(LivePicture, removingEveryCameraLeavesNoPictureBehindTheEmptyState) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Bars"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    // The grey bar at the left of the test pattern, away from the empty-state text.
    const QPointF greyBar{0.08, 0.35};
    ASSERT_TRUE(
        waitFor([&] { return colourAt(greyBar).isValid() && !isBlack(colourAt(greyBar)); }, 5000));

    ASSERT_TRUE(delegate->applyEditedCameraList({}).ok());
    EXPECT_FALSE(supervisor().hasEngine());
    EXPECT_TRUE(delegate->overlay().emptyStateLabel()->isVisibleTo(delegate->viewerWindow()));
    EXPECT_TRUE(waitFor([&] { return isBlack(colourAt(greyBar)); }, 3000))
        << colourAt(greyBar).name().toStdString();
}

TEST_F(LivePicture, anAddressThatIsNotRtspIsNeverLoadedAndTheCameraStillPlays) {
    ASSERT_TRUE(camera.start());
    // A bright picture the engine would gladly show.
    const QString picture = directory.path() + QStringLiteral("/picture.ppm");
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("P6\n2 2\n255\n") + QByteArray(12, '\xff'));
    file.close();
    const QList<Camera> cameras{{QStringLiteral("Bars"), camera.url()},
                                {QStringLiteral("Filter"), QStringLiteral("av://lavfi:testsrc")},
                                {QStringLiteral("Picture"), QStringLiteral("file://") + picture}};
    launch(cameras);
    ASSERT_TRUE(waitFor([this] { return isPlaying(); })) << log.texts().join('\n').toStdString();
    const QPointF greyBar{0.08, 0.35};

    for (const qsizetype index : {1, 2}) {
        SCOPED_TRACE(cameras[index].url.toStdString());
        delegate->selectCamera(index);
        EXPECT_FALSE(supervisor().hasEngine());
        EXPECT_TRUE(supervisor().statusText().startsWith(unplayableAddressText()))
            << supervisor().statusText().toStdString();
        // The picture is cleared and stays so: nothing was loaded.
        EXPECT_TRUE(waitFor([&] { return isBlack(colourAt(greyBar)); }, 3000));
        EXPECT_FALSE(waitFor([this] { return supervisor().hasEngine(); }, 2000));
        EXPECT_TRUE(isBlack(colourAt(greyBar))) << colourAt(greyBar).name().toStdString();

        delegate->selectCamera(0);
        EXPECT_TRUE(waitFor([this] { return isPlaying(); }));
        EXPECT_TRUE(waitFor([&] { return !isBlack(colourAt(greyBar)); }, 5000));
    }
}

} // namespace
} // namespace rure::test

namespace rure::test {
namespace {

TEST_F(LivePicture, aCameraAddedInTheEditorIsSavedListedAndShown) {
    ASSERT_TRUE(camera.start());
    launch({{QStringLiteral("Bars"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));

    // Rure → Camera Addresses… (Ctrl+,)
    QAction* command = nullptr;
    for (QAction* action : delegate->viewerWindow()->actions()) {
        if (withoutMnemonic(action->text()) == QStringLiteral("Camera Addresses\u2026")) {
            command = action;
        }
    }
    ASSERT_NE(command, nullptr);
    command->trigger();
    CameraSettingsController* editor = delegate->cameraSettings();
    ASSERT_NE(editor, nullptr);
    auto* table = editor->window()->findChild<QAbstractItemView*>();
    ASSERT_NE(table, nullptr);

    editor->addCamera();
    QAbstractItemModel* model = table->model();
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_TRUE(model->setData(model->index(1, 1), QStringLiteral("Blue"), Qt::EditRole));
    ASSERT_TRUE(model->setData(model->index(1, 2), camera.secondUrl(), Qt::EditRole));
    editor->save();
    EXPECT_EQ(delegate->cameraSettings(), nullptr) << "the editor closes after a save";

    // The viewer lists it, keeps showing the same camera, and both files hold the list, owner-only.
    EXPECT_EQ(delegate->overlay().cameraPicker()->items(), QStringList({"Bars", "Blue"}));
    EXPECT_EQ(delegate->overlay().cameraPicker()->selectedIndex(), 0);
    const QList<Camera> expected{{QStringLiteral("Bars"), camera.url()},
                                 {QStringLiteral("Blue"), camera.secondUrl()}};
    EXPECT_EQ(store.load().value(), expected);
    for (const char* name : {"/cameras.json", "/cameras.last-good.json"}) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(store.appSupportDirectory() + QString::fromLatin1(name))
                             .constData(),
                         &info),
                  0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }

    // Choosing it from the camera menu shows its picture.
    delegate->overlay().cameraPicker()->rowViews()[1]->activateMenuItem();
    EXPECT_TRUE(waitFor([this] { return isSecondPattern(centreColour()); }))
        << centreColour().name().toStdString();
}

} // namespace
} // namespace rure::test
