// Focus on an area through the real window and interaction view, with a
// scripted engine that reports a 1920 x 1080 picture.
#include "ControllerTestFixture.h"
#include "viewer/ViewerWindowSide.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

namespace rure::test {
namespace {

const QString waitMessage =
    QStringLiteral("Wait for the camera picture, then choose the focus area again.");

// Lets a test see which keys the interaction view passes on.
class KeyRecorder final : public QObject {
public:
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            keys << static_cast<QKeyEvent*>(event)->key();
        }
        return false;
    }
};

class FocusArea : public ControllerTest {
protected:
    void launchWithPicture(int64_t width, int64_t height, int64_t rotation = 0) {
        engines.properties = {{"video-params/w", width},
                              {"video-params/h", height},
                              {"video-params/rotate", rotation}};
        saveCameras(threeCameras());
        launch();
        ViewerWindow* window = delegate->viewerWindow();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window, 3000)) {
            GTEST_SKIP() << "the display gives the window no focus";
        }
        window->setGeometry(QRect(200, 150, 960, 540));
        ASSERT_TRUE(
            pumpUntil([window] { return window->geometry() == QRect(200, 150, 960, 540); }));
        engines.clearJournal();
    }

    DraggableContentView* view() const { return &delegate->windowSide().pointerSurface(); }

    void mouse(QEvent::Type type, QPointF position, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, position, view()->mapToGlobal(position), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &event);
    }

    void drag(QPointF from, QPointF to) {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, (from + to) / 2);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to);
    }

    void key(int code) {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &event);
    }

    // The property writes since the journal was last cleared.
    QStringList propertyWrites() const {
        QStringList writes;
        for (const QString& call : engines.journal().calls) {
            if (call.startsWith(QStringLiteral("set "))) {
                writes << call;
            }
        }
        return writes;
    }

    bool frameSettlesAt(const QRect& frame) {
        return pumpUntil([this, frame] { return delegate->viewerWindow()->geometry() == frame; });
    }

    // Selects an area and waits for the crop.
    void focusOn(QPointF from, QPointF to) {
        delegate->toggleFocusArea();
        drag(from, to);
        ASSERT_TRUE(pumpUntil([this] { return delegate->focusArea().focusCrop().has_value(); }));
    }
};

TEST_F(FocusArea, aDraggedAreaBecomesTheCropAndTheButtonBringsBackTheOriginal) {
    launchWithPicture(1920, 1080);
    const QRect before = delegate->viewerWindow()->geometry();

    delegate->windowSide().overlay().hoverChanged(true);
    FocusViewerButton* button = delegate->overlay().focusViewerButton();
    ASSERT_TRUE(pumpUntil([button] { return button->isEnabled() && button->isVisible(); }));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(delegate->focusArea().isSelectingFocusArea());
    EXPECT_TRUE(view()->isSelectingFocusArea());
    EXPECT_TRUE(button->isSelectingArea);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Cancel Area Selection"));
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Cancel Area Selection"));
    EXPECT_EQ(view()->cursor().shape(), Qt::CrossCursor);
    EXPECT_FALSE(view()->mouseDownCanMoveWindow());
    EXPECT_EQ(view()->focusSelectionHint(), QStringLiteral("Drag to select an area"));

    // The controls stay up while selecting, even with the pointer gone.
    delegate->windowSide().overlay().hoverChanged(false);
    EXPECT_TRUE(delegate->overlay().viewerControlsAreVisible());

    // The centre quarter of the view; the drag runs past the view's edge first.
    mouse(QEvent::MouseButtonPress, {240, 135});
    EXPECT_EQ(view()->focusSelectionHint(), QStringLiteral("Release to focus"));
    mouse(QEvent::MouseMove, {2000, 1000});
    EXPECT_EQ(view()->focusSelectionRect(), QRectF(240, 135, 720, 405));
    mouse(QEvent::MouseMove, {720, 405});
    mouse(QEvent::MouseButtonRelease, {720, 405});
    EXPECT_TRUE(view()->isFinalizingFocusSelection());
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value()) << "the crop waits for the pause";

    ASSERT_TRUE(pumpUntil([this] { return delegate->focusArea().focusCrop().has_value(); }));
    EXPECT_EQ(delegate->focusArea().focusCrop()->engineText(), QStringLiteral("960x540+480+270"));
    EXPECT_EQ(propertyWrites(),
              QStringList({QStringLiteral("set video-crop=960x540+480+270"),
                           QStringLiteral("set keepaspect=no"), QStringLiteral("set panscan=0")}));
    EXPECT_EQ(delegate->focusArea().restoreFrameBeforeFocus(), before);
    EXPECT_FALSE(delegate->focusArea().isSelectingFocusArea());
    EXPECT_TRUE(button->showsRestoreIcon);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Show Original View"));
    EXPECT_EQ(delegate->viewerWindow()->contentAspectRatio(), QSizeF());
    EXPECT_EQ(delegate->viewerWindow()->minimumSize(), QSize(160, 160));
    EXPECT_FALSE(delegate->focusArea().appliedVideoAspectRatio().has_value());
    // A 16:9 crop keeps the 16:9 window where it was.
    EXPECT_TRUE(frameSettlesAt(before));

    engines.clearJournal();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(propertyWrites(),
              QStringList({QStringLiteral("set video-crop="), QStringLiteral("set keepaspect=yes"),
                           QStringLiteral("set panscan=0.0")}));
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value());
    EXPECT_FALSE(button->showsRestoreIcon);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Focus on an Area"));
    EXPECT_EQ(delegate->viewerWindow()->minimumSize(), QSize(480, 270));
    EXPECT_EQ(delegate->viewerWindow()->contentAspectRatio(), QSizeF(1920, 1080));
    EXPECT_FALSE(delegate->focusArea().restoreFrameBeforeFocus().has_value());
    EXPECT_TRUE(frameSettlesAt(before));
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(FocusArea, theWindowTakesTheCropsShapeAndRightClicksShowTheWholePictureInIt) {
    launchWithPicture(1920, 1080);
    const QRect before = delegate->viewerWindow()->geometry();

    // The left half of the view: 960 x 1080 picture pixels, a tall crop.
    focusOn({0, 0}, {480, 540});
    EXPECT_EQ(delegate->focusArea().focusCrop()->engineText(), QStringLiteral("960x1080+0+0"));
    const QRect cropped(before.center().x() - 240 + 1, before.top(), 480, 540);
    ASSERT_TRUE(pumpUntil([this] {
        return !delegate->viewerWindow()->geometry().isEmpty() &&
               delegate->viewerWindow()->width() == 480;
    }));
    const QRect shaped = delegate->viewerWindow()->geometry();
    EXPECT_EQ(shaped.height(), 540);
    EXPECT_NEAR(shaped.center().x(), cropped.center().x(), 1);

    engines.clearJournal();
    delegate->secondaryClick();
    EXPECT_TRUE(delegate->focusArea().isShowingFullCameraTemporarily());
    // All of the picture, in its own proportions: never squeezed into the crop's shape.
    EXPECT_EQ(propertyWrites(),
              QStringList({QStringLiteral("set video-crop="), QStringLiteral("set keepaspect=yes"),
                           QStringLiteral("set panscan=0")}));
    delegate->secondaryClick();
    EXPECT_FALSE(delegate->focusArea().isShowingFullCameraTemporarily());
    EXPECT_EQ(propertyWrites().mid(3),
              QStringList({QStringLiteral("set video-crop=960x1080+0+0"),
                           QStringLiteral("set keepaspect=no"), QStringLiteral("set panscan=0")}));
    QTest::qWait(400);
    EXPECT_EQ(delegate->viewerWindow()->geometry(), shaped) << "right clicks never move the window";
    EXPECT_FALSE(delegate->windowFrame().isTemporarilyMaximized());

    // Another camera: the original view and frame come back before it loads.
    engines.clearJournal();
    delegate->selectCamera(2);
    settle();
    const QStringList calls = engines.journal().calls;
    const qsizetype restore = calls.indexOf(QStringLiteral("set keepaspect=yes"));
    const qsizetype load = calls.indexOf(QRegularExpression(QStringLiteral("loadfile .*garage.*")));
    ASSERT_GE(restore, 0) << calls.join('\n').toStdString();
    ASSERT_GE(load, 0) << calls.join('\n').toStdString();
    EXPECT_LT(restore, load);
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value());
    EXPECT_TRUE(frameSettlesAt(before));
}

TEST_F(FocusArea, aSnapshotOfACropIsOfTheWholePictureAndTheCropComesBackAfterIt) {
    launchWithPicture(1920, 1080);
    const int64_t generation = supervisor().playerGeneration();
    delegate->playback().recordRenderedFrame(generation);
    focusOn({0, 0}, {480, 540});
    const QStringList cropRow{QStringLiteral("set video-crop=960x1080+0+0"),
                              QStringLiteral("set keepaspect=no"), QStringLiteral("set panscan=0")};
    const QStringList wholeRow{QStringLiteral("set video-crop="),
                               QStringLiteral("set keepaspect=yes"),
                               QStringLiteral("set panscan=0")};
    const auto snapshotRequests = [this] {
        return engines.journal().calls.count(QStringLiteral("snapshot"));
    };
    engines.clearJournal();

    // The whole picture is shown first, and the engine asked once it has drawn it.
    delegate->saveSnapshot();
    EXPECT_TRUE(delegate->focusArea().isShowingFullCameraTemporarily());
    EXPECT_EQ(propertyWrites(), wholeRow);
    EXPECT_EQ(snapshotRequests(), 0);
    delegate->saveSnapshot();
    delegate->playback().recordRenderedFrame(generation);
    EXPECT_EQ(snapshotRequests(), 1) << "one snapshot at a time while the picture changes";

    // Once the engine has answered, the crop is back.
    engines.clearJournal();
    QImage whole(1920, 1080, QImage::Format_RGB888);
    whole.fill(Qt::darkCyan);
    ASSERT_TRUE(engine().answerSnapshot(whole));
    ASSERT_TRUE(pumpUntil([this] { return delegate->snapshots().snapshotsUnderWay() == 0; }));
    EXPECT_FALSE(delegate->focusArea().isShowingFullCameraTemporarily());
    EXPECT_EQ(propertyWrites(), cropRow);
    const QDir folder(snapshotFolderIn(directory.path()));
    ASSERT_EQ(folder.entryList(QDir::Files).size(), 1);
    EXPECT_EQ(QImage(folder.filePath(folder.entryList(QDir::Files)[0])).size(), QSize(1920, 1080));
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join(u'\n').toStdString();

    // An engine that crops with a filter draws pictures of the crop's size
    // until the whole picture arrives; when it never does, the snapshot gives up.
    // Pictures keep coming meanwhile, as from a camera.
    const auto playFor = [this, generation](Seconds total) {
        for (Seconds played{0}; played < total; played += Seconds(0.04)) {
            scheduler.advance(Seconds(0.04));
            delegate->playback().recordRenderedFrame(generation);
        }
    };
    engine().properties["video-params/w"] = 960;
    engines.clearJournal();
    delegate->saveSnapshot();
    playFor(Seconds(4.5));
    EXPECT_EQ(snapshotRequests(), 0);
    EXPECT_TRUE(alerts.isEmpty());
    playFor(Seconds(1));
    ASSERT_TRUE(pumpUntil([this] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts, QStringList{QStringLiteral("The snapshot could not be saved. Wait for the "
                                                 "camera picture, then save the snapshot again.")});
    EXPECT_FALSE(delegate->focusArea().isShowingFullCameraTemporarily());
    EXPECT_EQ(propertyWrites(), wholeRow + cropRow);

    // A right click back to the crop before the whole picture comes: no snapshot, no word.
    alerts.clear();
    engines.clearJournal();
    delegate->saveSnapshot();
    delegate->secondaryClick();
    playFor(Seconds(6));
    settle();
    EXPECT_EQ(snapshotRequests(), 0);
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join(u'\n').toStdString();
    EXPECT_FALSE(delegate->focusArea().isShowingFullCameraTemporarily());
    EXPECT_EQ(propertyWrites(), wholeRow + cropRow);
}

TEST_F(FocusArea, escapeRightClickTheButtonAndLosingFocusCancelTheSelection) {
    launchWithPicture(1920, 1080);
    auto* parent = view()->parentWidget();
    KeyRecorder passedOn;
    parent->installEventFilter(&passedOn);

    // Escape when nothing is selected goes on to the window.
    key(Qt::Key_Escape);
    EXPECT_EQ(passedOn.keys, QList<int>({Qt::Key_Escape}));

    const std::function<void()> cancellers[] = {
        [this] { key(Qt::Key_Escape); },
        [this] {
            mouse(QEvent::MouseButtonPress, {300, 300}, Qt::RightButton);
        },
        [this] { delegate->toggleFocusArea(); },
        [this] { delegate->applicationDidResignActive(); },
        // A release smaller than 12 points in either direction.
        [this] {
            drag({100, 100}, {111.9, 130});
        },
        [this] {
            drag({100, 100}, {130, 111.9});
        },
    };
    int round = 0;
    for (const auto& cancel : cancellers) {
        SCOPED_TRACE(round++);
        delegate->toggleFocusArea();
        ASSERT_TRUE(delegate->focusArea().isSelectingFocusArea());
        mouse(QEvent::MouseButtonPress, {100, 100});
        passedOn.keys.clear();
        cancel();
        EXPECT_FALSE(delegate->focusArea().isSelectingFocusArea());
        EXPECT_FALSE(view()->isSelectingFocusArea());
        EXPECT_FALSE(view()->focusSelectionRect().has_value());
        EXPECT_FALSE(delegate->overlay().focusViewerButton()->isSelectingArea);
        EXPECT_EQ(delegate->overlay().focusViewerButton()->toolTip(),
                  QStringLiteral("Focus on an Area"));
        EXPECT_NE(view()->cursor().shape(), Qt::CrossCursor);
        EXPECT_TRUE(passedOn.keys.isEmpty()) << "Escape ends the selection and goes no further";
    }
    EXPECT_FALSE(delegate->windowFrame().isTemporarilyMaximized())
        << "a cancelling right click maximizes nothing";

    // Exactly 12 points is enough.
    focusOn({100, 100}, {112, 112});
    EXPECT_TRUE(delegate->focusArea().focusCrop().has_value());
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_TRUE(propertyWrites().contains(QStringLiteral("set video-crop=24x24+200+200")));
}

TEST_F(FocusArea, aPressDuringThePauseOrACancelDuringItHandsNothingOver) {
    launchWithPicture(1920, 1080);
    delegate->toggleFocusArea();
    drag({100, 100}, {400, 300});
    ASSERT_TRUE(view()->isFinalizingFocusSelection());
    // Presses are ignored during the pause; the button cancels it.
    mouse(QEvent::MouseButtonPress, {10, 10});
    EXPECT_TRUE(view()->isFinalizingFocusSelection());
    delegate->toggleFocusArea();
    EXPECT_FALSE(view()->isFinalizingFocusSelection());
    QTest::qWait(DraggableContentView::finalizingMilliseconds + 200);
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value());
    EXPECT_FALSE(delegate->focusArea().isSelectingFocusArea());
    EXPECT_TRUE(propertyWrites().isEmpty());
}

TEST_F(FocusArea, withoutAPictureTheUserIsAskedToWait) {
    // 12 points per picture pixel: a 12 x 12 selection is one pixel.
    launchWithPicture(80, 45);
    delegate->toggleFocusArea();
    drag({120, 120}, {132, 132});
    ASSERT_TRUE(pumpUntil([this] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts, QStringList({waitMessage}));
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value());
    EXPECT_FALSE(delegate->focusArea().isSelectingFocusArea());
    EXPECT_TRUE(propertyWrites().isEmpty());

    // No picture geometry at all: a camera that has not shown a picture yet.
    alerts.clear();
    engines.properties.clear();
    engine().properties.clear();
    delegate->selectCamera(1);
    settle();
    ASSERT_FALSE(delegate->focusArea().sourceVideoGeometry().has_value());
    delegate->toggleFocusArea();
    drag({100, 100}, {400, 300});
    ASSERT_TRUE(pumpUntil([this] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts, QStringList({waitMessage}));

    // No engine when the pause ends: the selection ends without a word.
    alerts.clear();
    delegate->toggleFocusArea();
    drag({100, 100}, {400, 300});
    delegate->playback().stopPlayerEngine();
    QTest::qWait(DraggableContentView::finalizingMilliseconds + 200);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_FALSE(delegate->focusArea().isSelectingFocusArea());
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value());
}

} // namespace
} // namespace rure::test
