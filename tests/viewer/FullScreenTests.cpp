// Full screen from the keyboard, the Window menu and the picture, through the
// real window and interaction view. Keys and clicks go through Qt's window
// system interface, so shortcuts, focus and double-click detection are Qt's own.
#include "ControllerTestFixture.h"
#include "viewer/ViewerWindowSide.h"

#include "window/ViewerMainMenu.h"
#include "window/WindowFrameController.h"
#include "window/WindowFrameText.h"

#include <QTest>

#include <cstdlib>

namespace rure::test {
namespace {

class FullScreen : public ControllerTest {
protected:
    void launchActive(bool withCameras = true) {
        // A picture, so that an area can be selected.
        engines.properties = {
            {"video-params/w", 1920}, {"video-params/h", 1080}, {"video-params/rotate", 0}};
        if (withCameras) {
            saveCameras(threeCameras());
        }
        launch();
        window()->activateWindow();
        if (!QTest::qWaitForWindowActive(window(), 3000)) {
            GTEST_SKIP() << "the display gives the window no focus";
        }
    }

    ViewerWindow* window() const { return delegate->viewerWindow(); }
    DraggableContentView* picture() const { return &delegate->windowSide().pointerSurface(); }

    // The Window menu's full-screen command as the user reads it.
    QString fullScreenItem() const {
        for (QAction* action : window()->actions()) {
            const QString title = withoutMnemonic(action->text());
            if (title.endsWith(QStringLiteral("Full Screen"))) {
                return title;
            }
        }
        return {};
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window()->windowHandle(), key, modifiers);
        QCoreApplication::processEvents();
    }

    // Mouse events as the window system reports them, `step` milliseconds apart.
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
               int step = 10) {
        timestamp_ += step;
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        qt_handleMouseEvent(window()->windowHandle(), at, window()->mapToGlobal(at), held, button,
                            type, Qt::NoModifier, static_cast<int>(timestamp_));
        QCoreApplication::processEvents();
    }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        // Far enough from the last click to count as a click of its own.
        mouse(QEvent::MouseButtonPress, at, button, 5000);
        mouse(QEvent::MouseButtonRelease, at, button);
    }
    void doubleClick(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        click(at, button);
        mouse(QEvent::MouseButtonPress, at, button);
        mouse(QEvent::MouseButtonRelease, at, button);
    }
    QPoint centre() const { return window()->rect().center(); }

private:
    qint64 timestamp_ = 100000;
};

TEST_F(FullScreen, theKeysAndTheMenuEnterAndLeaveItAndTheItemSaysWhichItDoes) {
    launchActive();
    EXPECT_EQ(fullScreenItem(), QStringLiteral("Enter Full Screen"));
    const struct {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool fullScreenAfter;
    } steps[] = {
        {"F11 enters", Qt::Key_F11, Qt::NoModifier, true},
        {"Escape leaves", Qt::Key_Escape, Qt::NoModifier, false},
        {"Escape outside full screen changes nothing", Qt::Key_Escape, Qt::NoModifier, false},
        {"Ctrl+Super+F enters", Qt::Key_F, Qt::ControlModifier | Qt::MetaModifier, true},
        {"F11 leaves", Qt::Key_F11, Qt::NoModifier, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        press(step.key, step.modifiers);
        EXPECT_EQ(window()->isFullScreen(), step.fullScreenAfter);
        EXPECT_EQ(fullScreenItem(), step.fullScreenAfter ? QStringLiteral("Exit Full Screen")
                                                         : QStringLiteral("Enter Full Screen"));
        EXPECT_TRUE(window()->isVisible());
        EXPECT_FALSE(delegate->isClosingViewer());
    }

    // The item follows changes the window manager makes as well: it reports a
    // new state, which Qt hands to the window as it does here.
    for (const Qt::WindowState state : {Qt::WindowFullScreen, Qt::WindowNoState}) {
        const Qt::WindowStates before = window()->windowHandle()->windowStates();
        window()->windowHandle()->setWindowStates(state);
        QWindowStateChangeEvent reported(before);
        QCoreApplication::sendEvent(window()->windowHandle(), &reported);
        EXPECT_EQ(window()->isFullScreen(), state == Qt::WindowFullScreen);
        EXPECT_EQ(fullScreenItem(), state == Qt::WindowFullScreen
                                        ? QStringLiteral("Exit Full Screen")
                                        : QStringLiteral("Enter Full Screen"));
    }
}

TEST_F(FullScreen, aDoubleClickOnThePictureTogglesItWithoutMovingTheWindow) {
    launchActive();
    int windowDrags = 0;
    picture()->windowDragStarted = [&windowDrags] { ++windowDrags; };

    doubleClick(centre());
    EXPECT_TRUE(window()->isFullScreen());
    EXPECT_EQ(fullScreenItem(), QStringLiteral("Exit Full Screen"));
    doubleClick(centre());
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_EQ(windowDrags, 0) << "a double-click never hands the pointer to the window system";

    // A click does nothing; a drag moves the window and nothing else.
    click(centre());
    EXPECT_EQ(windowDrags, 0);
    mouse(QEvent::MouseButtonPress, centre(), Qt::LeftButton, 5000);
    mouse(QEvent::MouseMove, centre() + QPoint(30, 0));
    mouse(QEvent::MouseMove, centre() + QPoint(60, 0));
    mouse(QEvent::MouseButtonRelease, centre() + QPoint(60, 0));
    EXPECT_EQ(windowDrags, 1);
    EXPECT_FALSE(window()->isFullScreen());

    // A right double-click is two right clicks: maximized for now and back.
    doubleClick(centre(), Qt::RightButton);
    EXPECT_FALSE(window()->isFullScreen());
    scheduler.advance(WindowFrameController::temporaryMaximumRestoreDelay);
    EXPECT_FALSE(delegate->windowFrame().isTemporarilyMaximized());

    // In an area selection the first click ends it, as any click does, and
    // the second is a click of its own.
    delegate->toggleFocusArea();
    ASSERT_TRUE(picture()->isSelectingFocusArea());
    doubleClick(centre());
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_FALSE(picture()->isSelectingFocusArea());

    // Nor does a double-click in the pause after a selection.
    delegate->toggleFocusArea();
    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, 5000);
    mouse(QEvent::MouseMove, {300, 250});
    mouse(QEvent::MouseButtonRelease, {300, 250});
    ASSERT_TRUE(picture()->isFinalizingFocusSelection());
    doubleClick(centre());
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_TRUE(pumpUntil([this] { return delegate->focusArea().focusCrop().has_value(); }));
    EXPECT_EQ(windowDrags, 1);
}

TEST_F(FullScreen, withoutCamerasTheTextInTheMiddleLetsTheDoubleClickThrough) {
    launchActive(false);
    ASSERT_TRUE(delegate->overlay().emptyStateLabel()->isVisible());
    ASSERT_TRUE(delegate->overlay().emptyStateLabel()->geometry().contains(centre()));
    doubleClick(centre());
    EXPECT_TRUE(window()->isFullScreen());
}

TEST_F(FullScreen, escapeEndsAnAreaSelectionFirstAndFullScreenKeepsTheSavedFrame) {
    launchActive();
    const QRect ownFrame(200, 150, 960, 540);
    window()->setGeometry(ownFrame);
    const QString savedFrame = windowFrameText(ownFrame);
    ASSERT_TRUE(pumpUntil([this, &savedFrame] {
        return settings.value(QStringLiteral("mainWindowFrame")).toString() == savedFrame;
    }));
    press(Qt::Key_F11);
    ASSERT_TRUE(window()->isFullScreen());

    // Escape cancels the selection, and only the next one leaves full screen.
    delegate->toggleFocusArea();
    ASSERT_TRUE(picture()->isSelectingFocusArea());
    press(Qt::Key_Escape);
    EXPECT_FALSE(picture()->isSelectingFocusArea());
    EXPECT_TRUE(window()->isFullScreen());

    // Neither a right click nor the screen's size in full screen touches the
    // window's own frame.
    delegate->secondaryClick();
    EXPECT_FALSE(delegate->windowFrame().isTemporarilyMaximized());
    window()->windowHandle()->setGeometry(QRect(0, 0, 1500, 900));
    ASSERT_TRUE(pumpUntil([this] { return window()->size() == QSize(1500, 900); }));
    // Nor does a picture of another shape: the window takes it once it has its
    // own frame back.
    window()->setContentAspectRatio(QSizeF(4, 3));
    QTest::qWait(50);
    EXPECT_EQ(window()->size(), QSize(1500, 900));
    EXPECT_EQ(settings.value(QStringLiteral("mainWindowFrame")).toString(), savedFrame);

    press(Qt::Key_Escape);
    EXPECT_FALSE(window()->isFullScreen());
    EXPECT_EQ(fullScreenItem(), QStringLiteral("Enter Full Screen"));
    // The window manager gives the window its frame back.
    window()->windowHandle()->setGeometry(ownFrame);
    EXPECT_TRUE(pumpUntil([this] {
        const QSize size = window()->size();
        return std::abs(size.width() * 3 - size.height() * 4) <= 4 && size.height() >= 540;
    })) << window()->size().width()
        << "x" << window()->size().height();
}

} // namespace
} // namespace rure::test
