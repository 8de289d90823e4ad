// The camera menu chooses a camera only when the user means it: a long menu
// opens under the pointer, and the release of the click that opened it lands
// on one of its rows.
#include "window/CabinCameraMenuItemView.h"
#include "window/CameraPicker.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace rure::test {
namespace {

bool pumpUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Releases the left button at `global`, delivered as the pop-up delivers it:
// to the widget under the pointer.
void releaseAt(QPoint global) {
    QWidget* under = QApplication::widgetAt(global);
    ASSERT_NE(qobject_cast<CabinCameraMenuItemView*>(under), nullptr)
        << "the open menu has no row under " << global.x() << "," << global.y();
    QTest::mouseRelease(under, Qt::LeftButton, {}, under->mapFromGlobal(global));
}

TEST(CameraPicker, onlyAReleaseThatIsNotTheOpeningClickChoosesFromALongMenu) {
    QStringList names;
    for (int i = 0; i < 60; ++i) {
        names << QStringLiteral("Camera %1").arg(i);
    }
    const struct {
        const char* what;
        QPoint releaseOffset; // from the opening press
        bool clickARowAfter;
        bool chooses;
    } cases[] = {
        {"a click that stays where it went down", {0, 0}, false, false},
        {"then a click on a row", {0, 0}, true, true},
        {"a drag into the menu", {0, 3 * CabinCameraMenuItemView::rowSize.height()}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget window;
        window.setGeometry(200, 300, 400, 300);
        CameraPicker picker(&window);
        picker.setGeometry(100, 100, 120, 24);
        picker.setItems(names);
        std::optional<qsizetype> chosen;
        picker.styleMenu([&](qsizetype index) { chosen = index; });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QMenu& menu = *picker.pickerMenu();

        const QPoint pressedAt = picker.mapToGlobal(picker.rect().center());
        // The press may run the menu inside itself: the rest happens once it shows.
        bool done = false;
        QTimer::singleShot(0, [&] {
            pumpUntil([&] { return menu.isVisible(); });
            if (menu.isVisible()) {
                releaseAt(pressedAt + c.releaseOffset);
                if (c.clickARowAfter && menu.isVisible()) {
                    QWidget* row = QApplication::widgetAt(pressedAt);
                    QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
                }
            }
            done = true;
            menu.hide();
        });
        QTest::mousePress(&picker, Qt::LeftButton, {}, picker.rect().center());
        ASSERT_TRUE(pumpUntil([&] { return done; }));
        EXPECT_EQ(chosen.has_value(), c.chooses);
    }
}

} // namespace
} // namespace rure::test
