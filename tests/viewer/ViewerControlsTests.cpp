#include "ControllerTestFixture.h"

#include "viewer/ViewerWindowSide.h"

#include "window/CabinCameraMenuItemView.h"
#include "window/ViewerMainMenu.h"
#include "window/WindowFrameText.h"

#include <QApplication>
#include <QCursor>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace rure::test {
namespace {

double alphaOf(QWidget* control) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(control->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

class ViewerControls : public ControllerTest {
protected:
    void launchActive(const QList<Camera>& cameras) {
        // The pointer starts away from the window (an earlier test may have
        // left it where the window appears).
        QCursor::setPos(0, 0);
        if (!cameras.isEmpty()) {
            saveCameras(cameras);
        }
        launch();
        delegate->viewerWindow()->activateWindow();
        if (!QTest::qWaitForWindowActive(delegate->viewerWindow(), 3000)) {
            GTEST_SKIP() << "the display gives the window no focus";
        }
    }

    bool controlsShown() const {
        for (QWidget* control : delegate->overlay().viewerControls()) {
            if (control->isHidden() || alphaOf(control) < 0.99) {
                return false;
            }
        }
        return true;
    }
    bool controlsGone() const {
        for (QWidget* control : delegate->overlay().viewerControls()) {
            if (!control->isHidden()) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(ViewerControls, hoveringShowsTheControlsAndLeavingFadesThemOut) {
    launchActive(threeCameras());
    ASSERT_TRUE(controlsGone());

    delegate->windowSide().overlay().hoverChanged(true);
    for (QWidget* control : delegate->overlay().viewerControls()) {
        EXPECT_TRUE(control->isEnabled());
        EXPECT_FALSE(control->isHidden());
    }
    EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
    EXPECT_EQ(
        delegate->overlay().viewerControlRects(delegate->windowSide().pointerSurface()).size(), 5);

    delegate->windowSide().overlay().hoverChanged(false);
    for (QWidget* control : delegate->overlay().viewerControls()) {
        EXPECT_FALSE(control->isEnabled());
    }
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));
    EXPECT_TRUE(
        delegate->overlay().viewerControlRects(delegate->windowSide().pointerSurface()).isEmpty());

    // Out and back in within the fade: they end visible.
    delegate->windowSide().overlay().hoverChanged(true);
    QTest::qWait(50);
    delegate->windowSide().overlay().hoverChanged(false);
    QTest::qWait(50);
    delegate->windowSide().overlay().hoverChanged(true);
    EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
}

TEST_F(ViewerControls, withoutCamerasThePickerAndTheAreaButtonAreOff) {
    launchActive({});
    delegate->windowSide().overlay().hoverChanged(true);
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));
    EXPECT_FALSE(delegate->overlay().cameraPicker()->isEnabled());
    EXPECT_FALSE(delegate->overlay().focusViewerButton()->isEnabled());
    EXPECT_TRUE(delegate->overlay().mainMenuButton()->isEnabled());
    EXPECT_TRUE(delegate->overlay().stayOnTopButton()->isEnabled());
    EXPECT_TRUE(delegate->overlay().closeViewerButton()->isEnabled());
    EXPECT_FALSE(delegate->overlay().cameraPicker()->isHidden());
}

TEST_F(ViewerControls, theFirstCameraAddedUnderThePointerBehavesAsAfterALaunch) {
    launchActive({});
    const ViewerOverlay& overlay = delegate->overlay();
    ViewerWindow* window = delegate->viewerWindow();
    const QPoint overPicker = overlay.cameraPicker()->mapToGlobal(QPoint(10, 10));
    QCursor::setPos(overPicker);
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));

    // Add a camera in the editor, which opens over the pointer, and save.
    delegate->showCameraSettings();
    QWidget* editor = delegate->cameraSettings()->window();
    editor->move(overPicker - QPoint(editor->width() / 2, editor->height() / 2));
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));
    ASSERT_TRUE(delegate->applyEditedCameraList({threeCameras()[0]}).ok());
    editor->close();

    // Back over the picture, the picker and the area button work.
    EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
    EXPECT_TRUE(overlay.cameraPicker()->isEnabled());
    EXPECT_TRUE(overlay.focusViewerButton()->isEnabled());

    // Leaving the window from over a control hides them.
    QCursor::setPos(window->geometry().bottomRight() + QPoint(40, 40));
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));
}

TEST_F(ViewerControls, tabBringsTheControlsToTheKeyboard) {
    launchActive(threeCameras());
    ViewerWindow* window = delegate->viewerWindow();
    const ViewerOverlay& overlay = delegate->overlay();
    CameraPicker* picker = overlay.cameraPicker();

    // Tab: the picker, with the controls up though the pointer is away; Down opens it.
    QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    EXPECT_TRUE(picker->hasFocus());
    EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
    bool menuOpened = false;
    // The menu runs its own loop until it closes.
    QTimer::singleShot(300, picker, [picker, &menuOpened] {
        menuOpened = picker->pickerMenu()->isVisible();
        picker->pickerMenu()->close();
    });
    QTest::keyClick(window->windowHandle(), Qt::Key_Down);
    EXPECT_TRUE(pumpUntil([&menuOpened] { return menuOpened; }));
    EXPECT_TRUE(picker->hasFocus());

    // Escape gives the keyboard back to the picture, and the controls go.
    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(picker->hasFocus());
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));

    // Shift+Tab starts from the last control.
    QTest::keyClick(window->windowHandle(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(overlay.closeViewerButton()->hasFocus());
    EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
}

TEST_F(ViewerControls, theMenuButtonOpensTheMainMenusAndKeepsTheControlsUp) {
    launchActive({});
    delegate->windowSide().overlay().hoverChanged(true);
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));
    MainMenuButton* button = delegate->overlay().mainMenuButton();
    EXPECT_EQ(button->toolTip(), QStringLiteral("Menu"));
    EXPECT_EQ(button->geometry().right() + 1 + 6,
              delegate->overlay().stayOnTopButton()->geometry().left());

    QTest::mouseClick(button, Qt::LeftButton);
    QMenu* popup = nullptr;
    ASSERT_TRUE(pumpUntil([&popup] {
        popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return popup != nullptr;
    }));
    QStringList titles;
    for (QAction* action : popup->actions()) {
        titles << withoutMnemonic(action->text());
    }
    // Save Snapshot first, then the menus.
    EXPECT_EQ(titles,
              QStringList({QStringLiteral("Save Snapshot"), QString(), QStringLiteral("Rure"),
                           QStringLiteral("Window"), QStringLiteral("Help")}));
    EXPECT_GE(popup->geometry().top(), button->mapToGlobal(QPoint(0, button->height())).y());

    // Open, it keeps the controls up after the pointer has gone.
    delegate->windowSide().overlay().hoverChanged(false);
    QTest::qWait(300);
    EXPECT_TRUE(controlsShown());

    // Its items are the menu bar's own commands.
    QAction* addresses = nullptr;
    ASSERT_NE(popup->actions().value(2)->menu(), nullptr);
    for (QAction* item : popup->actions().value(2)->menu()->actions()) {
        if (withoutMnemonic(item->text()) == QStringLiteral("Camera Addresses\u2026")) {
            addresses = item;
        }
    }
    ASSERT_NE(addresses, nullptr);
    popup->close();
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));
    addresses->trigger();
    EXPECT_NE(delegate->cameraSettings(), nullptr);
}

TEST_F(ViewerControls, anInactiveApplicationShowsNothingAndAnOpenMenuKeepsThemUp) {
    launchActive(threeCameras());
    delegate->applicationDidResignActive();
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));

    delegate->windowSide().overlay().menuWillOpen();
    delegate->windowSide().overlay().hoverChanged(false);
    EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
    delegate->windowSide().overlay().menuDidClose();
    EXPECT_TRUE(pumpUntil([this] { return controlsGone(); }));
}

TEST_F(ViewerControls, thePinKeepsTheWindowOnTopAndRemembersIt) {
    launchActive(threeCameras());
    delegate->windowSide().overlay().hoverChanged(true);
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));
    PinToggleButton* pin = delegate->overlay().stayOnTopButton();
    ASSERT_FALSE(pin->isChecked());

    QTest::mouseClick(pin, Qt::LeftButton);
    EXPECT_TRUE(pin->isChecked());
    EXPECT_TRUE(delegate->viewerWindow()->staysOnTop());
    EXPECT_TRUE(delegate->viewerWindow()->isVisible());
    EXPECT_TRUE(settings.value(QStringLiteral("staysOnTop")).toBool());

    QTest::mouseClick(pin, Qt::LeftButton);
    EXPECT_FALSE(delegate->viewerWindow()->staysOnTop());
    EXPECT_FALSE(settings.value(QStringLiteral("staysOnTop")).toBool());
}

TEST_F(ViewerControls, theCameraMenuMarksTheCurrentCameraAndSwitchesAfterClosing) {
    launchActive(threeCameras());
    CameraPicker* picker = delegate->overlay().cameraPicker();
    ASSERT_EQ(picker->rowViews().size(), 3);
    EXPECT_TRUE(picker->rowViews()[0]->isSelected);
    EXPECT_FALSE(picker->rowViews()[1]->isSelected);

    picker->pickerMenu()->popup(picker->mapToGlobal(QPoint(0, picker->height())));
    ASSERT_TRUE(pumpUntil([&] { return picker->pickerMenu()->isVisible(); }));
    // The open menu keeps the controls up.
    EXPECT_TRUE(delegate->overlay().cameraMenuIsOpen());
    EXPECT_TRUE(delegate->overlay().viewerControlsAreVisible());
    engines.clearJournal();
    picker->rowViews()[2]->activateMenuItem();
    EXPECT_FALSE(picker->pickerMenu()->isVisible());
    EXPECT_EQ(picker->selectedIndex(), 2);
    EXPECT_TRUE(picker->rowViews()[2]->isSelected);
    EXPECT_FALSE(picker->rowViews()[0]->isSelected);
    EXPECT_EQ(engines.journal().calls.filter(QStringLiteral("loadfile")).size(), 1);

    // After an edit the mark follows the selected camera.
    const QList<Camera> cameras = threeCameras();
    ASSERT_TRUE(delegate->applyEditedCameraList({cameras[2], cameras[0]}).ok());
    ASSERT_EQ(picker->rowViews().size(), 2);
    EXPECT_TRUE(picker->rowViews()[0]->isSelected);
    EXPECT_FALSE(picker->rowViews()[1]->isSelected);
}

TEST_F(ViewerControls, theCameraMenuWorksFromTheKeyboard) {
    launchActive(threeCameras());
    CameraPicker* picker = delegate->overlay().cameraPicker();
    QMenu* menu = picker->pickerMenu();
    const struct {
        const char* keys;
        QList<Qt::Key> presses;
        qsizetype openedOn;
        qsizetype chosen; // the selection afterwards
        int loads;
    } cases[] = {
        {"Down, Down, Return", {Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, 0, 2, 1},
        {"Up, Space", {Qt::Key_Up, Qt::Key_Space}, 2, 1, 1},
        {"Down, Escape", {Qt::Key_Down, Qt::Key_Escape}, 1, 1, 0},
        {"Return on the current camera", {Qt::Key_Return}, 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        delegate->windowSide().overlay().hoverChanged(true);
        menu->popup(picker->mapToGlobal(QPoint(0, picker->height())));
        ASSERT_TRUE(pumpUntil([&] { return menu->isVisible(); }));
        // The current camera is the keyboard's starting point, and drawn so.
        ASSERT_NE(menu->activeAction(), nullptr);
        EXPECT_EQ(menu->actions().indexOf(menu->activeAction()), c.openedOn);
        EXPECT_TRUE(picker->rowViews()[c.openedOn]->isHighlighted);
        engines.clearJournal();
        for (const Qt::Key key : c.presses) {
            QTest::keyClick(menu, key);
        }
        EXPECT_FALSE(menu->isVisible());
        EXPECT_EQ(delegate->cameraSelection().selectedIndex(), c.chosen);
        EXPECT_EQ(picker->selectedIndex(), c.chosen);
        EXPECT_TRUE(picker->rowViews()[c.chosen]->isSelected);
        EXPECT_EQ(engines.journal().calls.filter(QStringLiteral("loadfile")).size(), c.loads);
    }
}

TEST_F(ViewerControls, aRightClickMaximizesForNowAndASecondOneGoesBack) {
    settings.setValue(QStringLiteral("mainWindowFrame"), QStringLiteral("100 100 800 450"));
    launchActive(threeCameras());
    ViewerWindow& window = *delegate->viewerWindow();
    const QRect before = window.geometry();
    const QString savedBefore = settings.value(QStringLiteral("mainWindowFrame")).toString();

    const QRect available = window.screen()->availableGeometry();
    delegate->secondaryClick();
    // The frame animates; a loaded machine may take a while to finish it.
    EXPECT_TRUE(pumpUntil([&] {
        return window.width() > before.width() &&
               std::abs(window.geometry().center().x() - available.center().x()) <= 1;
    }));
    EXPECT_LE(window.width(), available.width());
    EXPECT_LE(window.height(), available.height());
    // The maximum is never saved.
    EXPECT_EQ(settings.value(QStringLiteral("mainWindowFrame")).toString(), savedBefore);

    delegate->secondaryClick();
    EXPECT_TRUE(pumpUntil([&] { return window.geometry() == before; }));
    scheduler.advance(Seconds(0.35));
    EXPECT_EQ(window.geometry(), before);
    EXPECT_EQ(windowFrameFromText(settings.value(QStringLiteral("mainWindowFrame")).toString()),
              before);
    // Moves count again.
    window.move(160, 140);
    EXPECT_TRUE(pumpUntil([&] {
        return windowFrameFromText(settings.value(QStringLiteral("mainWindowFrame")).toString())
                   ->topLeft() == QPoint(160, 140);
    }));
}

TEST_F(ViewerControls, theCloseButtonClosesTheViewer) {
    launchActive(threeCameras());
    delegate->windowSide().overlay().hoverChanged(true);
    delegate->windowSide().overlay().menuWillOpen();
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));
    QTest::mouseClick(delegate->overlay().closeViewerButton(), Qt::LeftButton);
    EXPECT_TRUE(delegate->isClosingViewer());
    EXPECT_FALSE(delegate->viewerWindow()->isVisible());
    EXPECT_FALSE(supervisor().hasEngine());
    // Hover and menus no longer do anything.
    delegate->windowSide().overlay().hoverChanged(true);
    delegate->windowSide().overlay().menuDidClose();
}

} // namespace
} // namespace rure::test
