// Every text over the picture and in its menus, rendered under Qt's light and
// dark Fusion palettes and measured against its background (WCAG AA, 4.5:1).
#include "support/FusionAppearance.h"
#include "support/TextContrast.h"
#include "window/CabinCameraMenuItemView.h"
#include "window/CameraPicker.h"
#include "window/ViewerMainMenu.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

constexpr Appearance appearances[] = {Appearance::light, Appearance::dark};

bool pumpUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// `widget`'s rectangle `box` in the coordinates of its ancestor `ancestor`.
QRect boxIn(const QWidget& ancestor, const QWidget& widget, const QRect& box) {
    return QRect(widget.mapTo(&ancestor, box.topLeft()), box.size());
}

void expectReadable(const QImage& image, const QRect& box, const QString& what) {
    const TextContrast measured = measureTextContrast(image, box);
    EXPECT_GE(measured.ratio, readableTextContrast)
        << what.toStdString() << ": " << measured.describe().toStdString();
}

TEST(ViewerContrast, theCameraMenuReadsInItsNormalAndHighlightedRows) {
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        ScopedFusionAppearance look(appearance);
        QWidget window;
        window.resize(400, 300);
        CameraPicker picker(&window);
        picker.setItems(
            {QStringLiteral("Front Door"), QStringLiteral("Garden"), QStringLiteral("Garage")});
        picker.selectItem(1);
        picker.styleMenu([](qsizetype) {});
        window.show();
        QMenu& menu = *picker.pickerMenu();
        menu.popup(window.mapToGlobal(QPoint(20, 20)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
        const QList<CabinCameraMenuItemView*> rows = picker.rowViews();
        ASSERT_EQ(rows.size(), 3);

        for (qsizetype highlighted = 0; highlighted < rows.size(); ++highlighted) {
            menu.setActiveAction(rows[highlighted]->menuItem());
            ASSERT_TRUE(rows[highlighted]->isHighlighted);
            const QImage image = menu.grab().toImage();
            for (qsizetype row = 0; row < rows.size(); ++row) {
                const QRect title = rows[row]->titleRect().adjusted(0, 3, 0, -3);
                expectReadable(image, boxIn(menu, *rows[row], title),
                               QStringLiteral("row %1 (%2)")
                                   .arg(row)
                                   .arg(row == highlighted ? "highlighted" : "normal"));
            }
        }
        menu.close();
    }
}

TEST(ViewerContrast, theMenuBarThatAltShowsReadsOverTheBlackWindow) {
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        ScopedFusionAppearance look(appearance);
        ViewerWindow window;
        window.resize(640, 360);
        const auto nothing = [] {};
        ViewerMainMenu mainMenu(window, {{QStringLiteral("Rure"), QStringLiteral("Quit Rure"),
                                          QKeySequence(Qt::CTRL | Qt::Key_Q), nothing},
                                         {QStringLiteral("Window"), QStringLiteral("Close"),
                                          QKeySequence(Qt::CTRL | Qt::Key_W), nothing},
                                         {QStringLiteral("Help"), QStringLiteral("About Rure"),
                                          QKeySequence(), nothing}});
        QMenuBar& bar = *mainMenu.menuBar();
        if (bar.isNativeMenuBar()) {
            GTEST_SKIP() << "the desktop shows the menus in a global menu bar";
        }
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        mainMenu.toggleInWindowBar();
        ASSERT_TRUE(bar.isVisible());
        EXPECT_EQ(bar.geometry(), QRect(0, 0, 640, mainMenu.inWindowBarHeight()));
        const QImage image = window.grab().toImage();
        ASSERT_EQ(bar.actions().size(), 3);
        for (QAction* menu : bar.actions()) {
            expectReadable(image, boxIn(window, bar, bar.actionGeometry(menu)), menu->text());
        }

        // A wider window takes the bar along.
        window.resize(800, 450);
        EXPECT_EQ(bar.width(), 800);
    }
}

TEST(ViewerContrast, theTextsOverThePictureRead) {
    for (const Appearance appearance : appearances) {
        SCOPED_TRACE(appearanceName(appearance).toStdString());
        ScopedFusionAppearance look(appearance);
        ViewerWindow window;
        window.resize(640, 360);
        ViewerOverlay overlay(*window.contentView());
        overlay.showCameras({QStringLiteral("Front Door")}, 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        overlay.layOut();
        overlay.setSelectingFocusArea(true);
        ASSERT_TRUE(pumpUntil([&overlay] { return !overlay.isFading(); }));

        QImage image = window.grab().toImage();
        CameraPicker& picker = *overlay.cameraPicker();
        expectReadable(image, boxIn(window, picker, picker.rect().adjusted(6, 3, -6, -3)),
                       QStringLiteral("camera chooser"));

        // Dimmed, the chooser still reads over the brightest picture.
        window.contentView()->setStyleSheet(QStringLiteral("background: white"));
        picker.setEnabled(false);
        expectReadable(window.grab().toImage(),
                       boxIn(window, picker, picker.rect().adjusted(6, 3, -6, -3)),
                       QStringLiteral("dimmed camera chooser over white"));
        window.contentView()->setStyleSheet({});

        overlay.showCameras({}, 0);
        image = window.grab().toImage();
        QLabel& empty = *overlay.emptyStateLabel();
        ASSERT_TRUE(empty.isVisible());
        expectReadable(image, boxIn(window, empty, empty.rect()),
                       QStringLiteral("text of the empty window"));
    }
}

} // namespace
} // namespace rure::test
