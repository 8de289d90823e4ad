#include "ControllerTestFixture.h"
#include "viewer/ViewerWindowSide.h"

#include "window/StatusLine.h"
#include "window/WindowFrameText.h"
#include "window/WindowResizeGeometry.h"

#include <QTest>

namespace rure::test {
namespace {

// Delivers one engine-announced frame with the given picture to the controller.
void presentFrame(AppDelegate& delegate, FakePlaybackEngine& engine, std::optional<int64_t> width,
                  std::optional<int64_t> height, std::optional<int64_t> rotation) {
    engine.properties.clear();
    if (width) {
        engine.properties["video-params/w"] = *width;
    }
    if (height) {
        engine.properties["video-params/h"] = *height;
    }
    if (rotation) {
        engine.properties["video-params/rotate"] = *rotation;
    }
    delegate.playback().recordRenderedFrame(delegate.playbackSupervisor().playerGeneration());
}

double ratioOf(QSizeF size) {
    return size.width() / size.height();
}

TEST_F(ControllerTest, theWindowFollowsThePicturesDisplayedShape) {
    saveCameras(threeCameras());
    launch();
    ASSERT_TRUE(supervisor().hasEngine());
    ViewerWindow& window = *delegate->viewerWindow();
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(16, 9));

    // A quarter turn shows a portrait picture.
    presentFrame(*delegate, engine(), 1920, 1080, 90);
    EXPECT_EQ(delegate->focusArea().sourceVideoGeometry(), (VideoSourceGeometry{1920, 1080, 90}));
    EXPECT_EQ(window.contentAspectRatio(), QSizeF(1080, 1920));
    EXPECT_NEAR(*delegate->focusArea().appliedVideoAspectRatio(), 1080.0 / 1920.0, 1e-9);
    EXPECT_NEAR(ratioOf(window.size()), 1080.0 / 1920.0, 0.01);

    // An unreadable rotation counts as none.
    presentFrame(*delegate, engine(), 1280, 720, std::nullopt);
    EXPECT_EQ(delegate->focusArea().sourceVideoGeometry(), (VideoSourceGeometry{1280, 720, 0}));
    // Same shape as the 1920 x 1080 picture before it: the window keeps its ratio.
    EXPECT_NEAR(ratioOf(window.contentAspectRatio()), 16.0 / 9.0, 1e-9);
    EXPECT_NEAR(ratioOf(window.size()), 16.0 / 9.0, 0.01);
}

TEST_F(ControllerTest, everyCameraLoadForgetsThePictureAndItsRatio) {
    saveCameras(threeCameras());
    launch();
    presentFrame(*delegate, engine(), 1920, 1080, 0);
    ASSERT_TRUE(delegate->focusArea().appliedVideoAspectRatio());
    delegate->selectCamera(1);
    EXPECT_FALSE(delegate->focusArea().appliedVideoAspectRatio());
    EXPECT_FALSE(delegate->focusArea().sourceVideoGeometry());
    // The same ratio is applied again after the load.
    presentFrame(*delegate, engine(), 1920, 1080, 0);
    EXPECT_TRUE(delegate->focusArea().appliedVideoAspectRatio());
}

TEST_F(ControllerTest, theWindowIsFramelessBlackAndStacksItsViewsInOrder) {
    settings.setValue(QStringLiteral("staysOnTop"), true);
    launch();
    ViewerWindow& window = *delegate->viewerWindow();
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.staysOnTop());
    EXPECT_TRUE(delegate->overlay().stayOnTopButton()->isChecked());
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(window.minimumSize(), QSize(480, 270));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Rure"));

    const QList<QWidget*> expectedOrder =
        QList<QWidget*>{delegate->windowSide().picture().widget,
                        &delegate->windowSide().pointerSurface(),
                        delegate->overlay().emptyStateLabel(), delegate->overlay().statusLine(),
                        delegate->overlay().notice()} +
        delegate->overlay().viewerControls();
    QList<QWidget*> actualOrder;
    for (QObject* child : window.contentView()->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            actualOrder << widget;
        }
    }
    EXPECT_EQ(actualOrder, expectedOrder);
    for (QWidget* control : delegate->overlay().viewerControls()) {
        EXPECT_FALSE(control->isVisible());
        EXPECT_FALSE(control->isEnabled());
    }
    // The video covers the whole window.
    EXPECT_EQ(delegate->windowSide().picture().widget->geometry(), window.contentView()->rect());
    EXPECT_EQ(delegate->windowSide().pointerSurface().geometry(), window.contentView()->rect());
}

TEST_F(ControllerTest, theWindowFrameIsSavedAndRestoredExceptDuringATemporaryMaximum) {
    settings.setValue(QStringLiteral("mainWindowFrame"), QStringLiteral("100 120 800 450"));
    launch();
    ViewerWindow& window = *delegate->viewerWindow();
    EXPECT_EQ(window.geometry(), QRect(100, 120, 800, 450));

    window.move(140, 160);
    QTest::qWait(50);
    EXPECT_EQ(windowFrameFromText(settings.value(QStringLiteral("mainWindowFrame")).toString()),
              window.geometry());

    // The maximum itself, and moves and resizes while it lasts, are not saved.
    const QString saved = settings.value(QStringLiteral("mainWindowFrame")).toString();
    delegate->toggleTemporaryMaximum();
    ASSERT_TRUE(delegate->windowFrame().isTemporarilyMaximized());
    ASSERT_TRUE(pumpUntil([this] { return !delegate->windowFrame().isAnimating(); }));
    EXPECT_NE(window.geometry(), QRect(140, 160, 800, 450));
    window.move(300, 300);
    window.resize(960, 540);
    QTest::qWait(50);
    EXPECT_EQ(settings.value(QStringLiteral("mainWindowFrame")).toString(), saved);
}

TEST_F(ControllerTest, anUnreadableOrOffScreenSavedFrameCentresTheWindow) {
    for (const char* text : {"garbage", "1 2 3", "10 10 -5 100", "-90000 -90000 800 450"}) {
        SCOPED_TRACE(text);
        delegate.reset();
        settings.setValue(QStringLiteral("mainWindowFrame"), QString::fromLatin1(text));
        launch();
        const QRect available = delegate->viewerWindow()->screen()->availableGeometry();
        EXPECT_LE(
            std::abs(delegate->viewerWindow()->geometry().center().x() - available.center().x()),
            1);
        EXPECT_EQ(delegate->viewerWindow()->size(), QSize(1120, 630));
    }
}

TEST(WindowFrameText, roundTripsAndRejectsMalformedText) {
    const QRect frames[] = {{0, 0, 1120, 630}, {-300, 40, 480, 270}, {2000, 1000, 1921, 1081}};
    for (const QRect& frame : frames) {
        EXPECT_EQ(windowFrameFromText(windowFrameText(frame)), frame);
    }
    EXPECT_EQ(windowFrameText(QRect(1, -2, 3, 4)), QStringLiteral("1 -2 3 4"));
    for (const char* bad :
         {"", "1 2 3", "1 2 3 4 5", "a b c d", "1 2 0 4", "1 2 3 -4", "1.5 2 3 4"}) {
        EXPECT_FALSE(windowFrameFromText(QString::fromLatin1(bad))) << bad;
    }
}

TEST(WindowResizeGeometry, draggingAnEdgeKeepsTheRatioTheMinimumAndTheOppositeEdges) {
    const QRect start(100, 100, 1600, 900);
    const QSize minimum(480, 270);
    const QSizeF wide(16, 9);

    const QRect right = resizedFrame(start, {false, true, false, false}, {160, 0}, wide, minimum);
    EXPECT_EQ(right, QRect(100, 100, 1760, 990));

    const QRect top = resizedFrame(start, {false, false, true, false}, {0, 90}, wide, minimum);
    EXPECT_EQ(top.size(), QSize(1440, 810));
    EXPECT_EQ(top.bottom(), start.bottom());

    const QRect left = resizedFrame(start, {true, false, false, false}, {-320, 0}, wide, minimum);
    EXPECT_EQ(left.size(), QSize(1920, 1080));
    EXPECT_EQ(left.right(), start.right());

    // Far below the minimum: the smallest size with the ratio.
    const QRect tiny =
        resizedFrame(start, {false, true, false, true}, {-1500, -850}, wide, minimum);
    EXPECT_EQ(tiny.size(), QSize(480, 270));

    // A portrait picture: the minimum width decides the height.
    const QRect portrait = resizedFrame(QRect(0, 0, 480, 853), {false, true, false, false},
                                        {-100, 0}, {9, 16}, minimum);
    EXPECT_EQ(portrait.size(), QSize(480, 853));

    // Without a ratio, width and height move freely.
    const QRect free =
        resizedFrame(start, {false, true, false, true}, {10, -20}, QSizeF(), minimum);
    EXPECT_EQ(free.size(), QSize(1610, 880));
}

TEST(WindowResizeGeometry, reshapingToARatioKeepsTheWindowOnItsScreen) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize minimum(480, 270);
    const QRect reshaped =
        frameWithAspectRatio(QRect(400, 225, 1120, 630), {4, 3}, minimum, screen);
    EXPECT_EQ(reshaped.width(), 1120);
    EXPECT_EQ(reshaped.height(), 840);
    EXPECT_TRUE(screen.contains(reshaped));

    // Too tall for the screen: it shrinks to fit.
    const QRect tall = frameWithAspectRatio(QRect(400, 225, 1120, 630), {9, 16}, minimum, screen);
    EXPECT_EQ(tall.height(), 1080);
    EXPECT_EQ(tall.width(), 608);
    EXPECT_TRUE(screen.contains(tall));
}

} // namespace
} // namespace rure::test
