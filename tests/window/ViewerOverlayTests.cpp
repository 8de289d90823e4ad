// The controls over the picture in a real window on the test display.
#include "window/CabinCameraMenuItemView.h"
#include "window/CameraPicker.h"
#include "window/OverlayNotice.h"
#include "window/StatusLine.h"
#include "window/ViewerControlButton.h"
#include "window/ViewerControlLayout.h"
#include "window/ViewerOverlay.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <cstdlib>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

double alphaOf(QWidget* control) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(control->graphicsEffect());
    return effect ? effect->opacity() : 1.0;
}

bool pumpUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class Overlay : public ::testing::Test {
protected:
    Overlay() {
        window.resize(960, 540);
        content->setGeometry(0, 0, 960, 540);
        picture->setGeometry(10, 20, 900, 500);
        QObject::connect(&overlay, &ViewerOverlay::cameraChosen,
                         [this](qsizetype index) { reports << QString::number(index); });
        QObject::connect(&overlay, &ViewerOverlay::menuButtonPressed,
                         [this] { reports << QStringLiteral("menu"); });
        QObject::connect(&overlay, &ViewerOverlay::stayOnTopToggled, [this](bool pinned) {
            reports << (pinned ? QStringLiteral("pinned") : QStringLiteral("unpinned"));
        });
        QObject::connect(&overlay, &ViewerOverlay::focusButtonPressed,
                         [this] { reports << QStringLiteral("focus"); });
        QObject::connect(&overlay, &ViewerOverlay::closeButtonPressed,
                         [this] { reports << QStringLiteral("close"); });
        overlay.showCameras({QStringLiteral("Front Door"), QStringLiteral("Garden")}, 1);
        overlay.layOut();
    }

    void SetUp() override {
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window, 3000)) {
            GTEST_SKIP() << "the display gives the window no focus";
        }
    }

    bool controlsShown() const {
        for (QWidget* control : overlay.viewerControls()) {
            if (control->isHidden() || alphaOf(control) < 0.99 ||
                control->testAttribute(Qt::WA_TransparentForMouseEvents)) {
                return false;
            }
        }
        return overlay.viewerControls().size() == 5;
    }
    bool controlsGone() const {
        for (QWidget* control : overlay.viewerControls()) {
            if (!control->isHidden() || control->isEnabled()) {
                return false;
            }
        }
        return true;
    }

    QWidget window;
    QWidget* content = new QWidget(&window);
    // The picture and the pointer surface, behind the overlay.
    QWidget* picture = new QWidget(content);
    ViewerOverlay overlay{*content};
    QStringList reports;
};

TEST_F(Overlay, thePointerAnOpenMenuOrASelectionKeepTheControlsUpAndTheyFadeOutAfter) {
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    overlay.trackMenu(menu);
    const struct {
        const char* why;
        std::function<void()> keepUp;
        std::function<void()> letGo;
    } reasons[] = {
        {"pointer", [this] { overlay.hoverChanged(true); },
         [this] { overlay.hoverChanged(false); }},
        {"camera menu", [this] { overlay.menuWillOpen(); }, [this] { overlay.menuDidClose(); }},
        {"tracked menu", [&menu] { menu.popup(QPoint(0, 0)); }, [&menu] { menu.close(); }},
        {"selection", [this] { overlay.setSelectingFocusArea(true); },
         [this] { overlay.setSelectingFocusArea(false); }},
    };
    ASSERT_TRUE(controlsGone());
    for (const auto& reason : reasons) {
        SCOPED_TRACE(reason.why);
        reason.keepUp();
        EXPECT_TRUE(overlay.viewerControlsAreVisible());
        EXPECT_TRUE(pumpUntil([this] { return controlsShown(); }));
        EXPECT_EQ(overlay.viewerControlRects(*picture).size(), 5);
        reason.letGo();
        EXPECT_FALSE(overlay.viewerControlsAreVisible());
        for (QWidget* control : overlay.viewerControls()) {
            EXPECT_TRUE(control->testAttribute(Qt::WA_TransparentForMouseEvents));
        }
        EXPECT_TRUE(pumpUntil([this] { return controlsGone() && !overlay.isFading(); }));
        EXPECT_TRUE(overlay.viewerControlRects(*picture).isEmpty());
    }
}

TEST_F(Overlay, anInactiveApplicationDropsThemAndAClosingViewerKeepsThemDown) {
    overlay.hoverChanged(true);
    overlay.menuWillOpen();
    overlay.applicationDidResignActive();
    EXPECT_FALSE(overlay.pointerIsOverViewer());
    EXPECT_FALSE(overlay.cameraMenuIsOpen());
    EXPECT_FALSE(overlay.viewerControlsAreVisible());
    ASSERT_TRUE(pumpUntil([this] { return controlsGone(); }));

    overlay.viewerWillClose();
    overlay.hoverChanged(true);
    overlay.menuWillOpen();
    overlay.setSelectingFocusArea(true);
    EXPECT_FALSE(overlay.viewerControlsAreVisible());
    EXPECT_FALSE(overlay.isFading());
    EXPECT_TRUE(controlsGone());
}

TEST_F(Overlay, withoutCamerasTheTextShowsAndThePickerAndFocusButtonStayOff) {
    EXPECT_FALSE(overlay.emptyStateLabel()->isVisibleTo(&window));
    EXPECT_EQ(overlay.selectedCameraIndex(), 1);
    EXPECT_TRUE(overlay.cameraPicker()->rowViews()[1]->isSelected);

    overlay.showCameras({}, 0);
    EXPECT_TRUE(overlay.emptyStateLabel()->isVisibleTo(&window));
    EXPECT_EQ(overlay.selectedCameraIndex(), -1);
    overlay.hoverChanged(true);
    EXPECT_FALSE(overlay.cameraPicker()->isEnabled());
    EXPECT_FALSE(overlay.focusViewerButton()->isEnabled());
    EXPECT_TRUE(overlay.mainMenuButton()->isEnabled());
    EXPECT_TRUE(overlay.stayOnTopButton()->isEnabled());
    EXPECT_TRUE(overlay.closeViewerButton()->isEnabled());
}

TEST_F(Overlay, namesShowTheirInvisibleCharactersInThePickerAndItsMenu) {
    // Drawn, "Garden\u202Erood" reads "Gardendoor": it could pass for another camera.
    const QString disguised = QStringLiteral("Garden\u202Erood");
    overlay.showCameras({QStringLiteral("Front Door"), disguised}, 1);

    CameraPicker* picker = overlay.cameraPicker();
    EXPECT_EQ(picker->items()[1], disguised);
    EXPECT_EQ(picker->title(), QStringLiteral("Garden[U+202E]rood"));
    ASSERT_EQ(picker->rowViews().size(), 2);
    EXPECT_EQ(picker->rowViews()[1]->menuItem()->text(), QStringLiteral("Garden[U+202E]rood"));
    EXPECT_EQ(picker->rowViews()[1]->accessibleName(), QStringLiteral("Garden[U+202E]rood"));
    EXPECT_EQ(picker->rowViews()[0]->menuItem()->text(), QStringLiteral("Front Door"));
}

TEST_F(Overlay, theCameraMenuIsMadeWhenFirstNeededAndEachListGetsAMenuOfItsOwn) {
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        names << QStringLiteral("Gate %1").arg(i);
    }
    overlay.showCameras(names, 7);
    CameraPicker* picker = overlay.cameraPicker();
    EXPECT_TRUE(picker->pickerMenu()->actions().isEmpty()) << "no rows before they are needed";
    EXPECT_EQ(picker->title(), QStringLiteral("Gate 7"));

    const QList<CabinCameraMenuItemView*> rows = picker->rowViews();
    ASSERT_EQ(rows.size(), names.size());
    EXPECT_EQ(rows[2999]->menuItem()->text(), QStringLiteral("Gate 2999"));
    EXPECT_TRUE(rows[7]->isSelected);
    rows[2999]->activateMenuItem();
    EXPECT_EQ(reports, QStringList{"2999"});

    // A new list comes with a new menu, which the overlay follows as it opens.
    QMenu* previous = picker->pickerMenu();
    overlay.showCameras({QStringLiteral("Front Door"), QStringLiteral("Garden")}, 1);
    ASSERT_NE(picker->pickerMenu(), previous);
    ASSERT_EQ(picker->rowViews().size(), 2);
    picker->pickerMenu()->popup(picker->mapToGlobal(QPoint(0, picker->height())));
    EXPECT_TRUE(pumpUntil([this] { return overlay.cameraMenuIsOpen(); }));
    EXPECT_TRUE(picker->rowViews()[1]->isSelected);
    picker->pickerMenu()->hide();
    EXPECT_TRUE(pumpUntil([this] { return !overlay.cameraMenuIsOpen(); }));
}

TEST_F(Overlay, eachControlReportsWhatTheUserDid) {
    overlay.hoverChanged(true);
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));
    for (QWidget* button : {static_cast<QWidget*>(overlay.mainMenuButton()),
                            static_cast<QWidget*>(overlay.stayOnTopButton()),
                            static_cast<QWidget*>(overlay.stayOnTopButton()),
                            static_cast<QWidget*>(overlay.focusViewerButton()),
                            static_cast<QWidget*>(overlay.closeViewerButton())}) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    overlay.cameraPicker()->rowViews()[0]->activateMenuItem();
    EXPECT_EQ(reports, QStringList({"menu", "pinned", "unpinned", "focus", "close", "0"}));
    // The picker marks what the owner says, not what was clicked.
    EXPECT_EQ(overlay.selectedCameraIndex(), 1);

    overlay.setStaysOnTop(true);
    EXPECT_TRUE(overlay.staysOnTop());
    EXPECT_EQ(reports.size(), 6) << "setting the pin reports nothing";
}

TEST_F(Overlay, theTextAndTheControlsStayInFrontOfThePicture) {
    const auto children = [this] {
        QList<QWidget*> order;
        for (QObject* child : content->children()) {
            if (auto* widget = qobject_cast<QWidget*>(child)) {
                order << widget;
            }
        }
        return order;
    };
    const QList<QWidget*> expected = QList<QWidget*>{picture, overlay.emptyStateLabel(),
                                                     overlay.statusLine(), overlay.notice()} +
                                     overlay.viewerControls();
    EXPECT_EQ(children(), expected);
    picture->raise();
    overlay.hoverChanged(true);
    const QList<QWidget*> raised = QList<QWidget*>{overlay.emptyStateLabel(), picture,
                                                   overlay.statusLine(), overlay.notice()} +
                                   overlay.viewerControls();
    EXPECT_EQ(children(), raised);
}

TEST_F(Overlay, narrowContentPutsThePickerUnderTheButtons) {
    for (const int width : {299, 300, 960}) {
        SCOPED_TRACE(width);
        content->resize(width, 400);
        overlay.layOut();
        const bool compact = width < 300;
        EXPECT_EQ(overlay.usesCompactViewerControls(), compact);
        const ViewerControlFrames frames = layoutViewerControls(
            content->size(), overlay.cameraPicker()->sizeHint().width(), compact);
        EXPECT_EQ(overlay.cameraPicker()->geometry(), frames.picker);
        EXPECT_EQ(overlay.mainMenuButton()->geometry(), frames.menu);
        EXPECT_EQ(overlay.stayOnTopButton()->geometry(), frames.pin);
        EXPECT_EQ(overlay.focusViewerButton()->geometry(), frames.focus);
        EXPECT_EQ(overlay.closeViewerButton()->geometry(), frames.close);
        EXPECT_EQ(overlay.emptyStateLabel()->geometry().center(), content->rect().center());
    }
    // Rects are in the pointer surface's coordinates.
    overlay.hoverChanged(true);
    ASSERT_TRUE(pumpUntil([this] { return controlsShown(); }));
    EXPECT_EQ(overlay.viewerControlRects(*picture).back(),
              overlay.closeViewerButton()->geometry().translated(-10, -20));
}

TEST_F(Overlay, theControlsMoveDownWhileSomethingCoversTheTopOfThePicture) {
    content->resize(960, 540);
    overlay.layOut();
    const QRect close = overlay.closeViewerButton()->geometry();
    const QRect picker = overlay.cameraPicker()->geometry();
    overlay.setControlsTopInset(25);
    EXPECT_EQ(overlay.closeViewerButton()->geometry(), close.translated(0, 25));
    EXPECT_EQ(overlay.cameraPicker()->geometry(), picker.translated(0, 25));
    // Resizing keeps them down.
    content->resize(700, 400);
    overlay.layOut();
    EXPECT_EQ(overlay.closeViewerButton()->y(), 12 + 25);
    overlay.setControlsTopInset(0);
    EXPECT_EQ(overlay.closeViewerButton()->y(), 12);
}

TEST_F(Overlay, theTextsNameWhatTheUserCanSeeAndDo) {
    EXPECT_EQ(overlay.closeViewerButton()->toolTip(), QStringLiteral("Quit Rure"));
    EXPECT_EQ(overlay.closeViewerButton()->accessibleName(), QStringLiteral("Quit Rure"));
    EXPECT_EQ(overlay.emptyStateLabel()->text(),
              QStringLiteral("No cameras are configured. Press Ctrl+, or use the menu button to "
                             "add a camera or import a Rure camera list."));
}

// The symbol a button draws, in white on black, as an image of the button.
QImage symbolOf(QWidget& button) {
    QWidget black;
    QPalette colours = black.palette();
    colours.setColor(QPalette::Window, Qt::black);
    black.setPalette(colours);
    black.setAutoFillBackground(true);
    black.resize(button.size());
    button.setParent(&black);
    button.move(0, 0);
    button.setGraphicsEffect(nullptr);
    const QImage image = black.grab().toImage().convertToFormat(QImage::Format_RGB32);
    button.setParent(nullptr);
    return image;
}

TEST_F(Overlay, focusOnAnAreaDrawsAMagnifierNotAFullScreenFrame) {
    FocusViewerButton focus;
    const QImage symbol = symbolOf(focus);
    // A frame of four corner marks (full screen) is the same mirrored left to
    // right; a magnifier, whose handle points to one corner, is not.
    const QImage mirrored = symbol.mirrored(true, false);
    int differing = 0;
    int lit = 0;
    for (int y = 0; y < symbol.height(); ++y) {
        for (int x = 0; x < symbol.width(); ++x) {
            const int here = qGray(symbol.pixel(x, y));
            lit += here > 128;
            differing += std::abs(here - qGray(mirrored.pixel(x, y))) > 96;
        }
    }
    EXPECT_GT(lit, 20);
    EXPECT_GT(differing, lit / 4);
}

TEST(ViewerControlLayoutTest, switchesToTheCompactLayoutBelow300Points) {
    EXPECT_TRUE(usesCompactLayout(299.9));
    EXPECT_FALSE(usesCompactLayout(300));
    // The regular row never squeezes the picker below its 140 points.
    for (int width = 280; width <= 320; ++width) {
        SCOPED_TRACE(width);
        const bool compact = usesCompactLayout(width);
        const ViewerControlFrames frames = layoutViewerControls({width, 200}, 60, compact);
        if (!compact) {
            EXPECT_GE(frames.picker.width(), 140);
            EXPECT_GE(frames.picker.left(), 12);
        }
    }

    const ViewerControlFrames regular = layoutViewerControls({1120, 630}, 100, false);
    EXPECT_EQ(regular.close, QRect(1120 - 12 - 28, 12, 28, 24));
    EXPECT_EQ(regular.focus.right() + 1 + 6, regular.close.left());
    EXPECT_EQ(regular.pin.right() + 1 + 6, regular.focus.left());
    EXPECT_EQ(regular.menu.right() + 1 + 6, regular.pin.left());
    EXPECT_EQ(regular.picker.right() + 1 + 6, regular.menu.left());
    EXPECT_EQ(regular.picker.width(), 140);
    EXPECT_EQ(layoutViewerControls({1120, 630}, 300, false).picker.width(), 300);

    const ViewerControlFrames compact = layoutViewerControls({280, 158}, 300, true);
    EXPECT_EQ(compact.close.top(), 12);
    EXPECT_EQ(compact.menu.top(), 12);
    EXPECT_EQ(compact.menu.right() + 1 + 6, compact.pin.left());
    EXPECT_EQ(compact.picker.left(), 12);
    EXPECT_EQ(compact.picker.right(), compact.close.right());
    EXPECT_EQ(compact.picker.top(), compact.close.bottom() + 1 + 6);
}

} // namespace
} // namespace rure::test
