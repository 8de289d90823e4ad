// The viewer window's frame changes, on a real window with virtual time for
// the end of a temporary maximum.
#include "support/ManualScheduler.h"
#include "window/TemporaryMaximum.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"

#include <QDeadlineTimer>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace rure::test {
namespace {

class WindowFrame : public ::testing::Test {
protected:
    void SetUp() override {
        window.setGeometry(before);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(settlesAt(before));
    }

    // Waits for the running animation to end, then compares the frame.
    bool settlesAt(const QRect& frame) {
        QDeadlineTimer deadline(5000);
        while ((frames.isAnimating() || window.geometry() != frame) && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return window.geometry() == frame;
    }

    QRect maximumFor(std::optional<double> ratio) const {
        return temporaryMaximumFrame(QRectF(before), QSizeF(before.size()),
                                     QRectF(window.screen()->availableGeometry()), ratio)
            .toRect();
    }

    const QRect before{100, 100, 800, 450};
    ViewerWindow window;
    ManualScheduler scheduler;
    QList<QRect> saved;
    WindowFrameController frames{window, scheduler, [this](const QRect& frame) { saved << frame; }};
};

TEST_F(WindowFrame, aTemporaryMaximumFillsTheScreenAndGoesBackToTheFrameBefore) {
    frames.toggleTemporaryMaximum(16.0 / 9.0);
    EXPECT_TRUE(frames.isTemporarilyMaximized());
    EXPECT_EQ(frames.restoreFrameBeforeTemporaryMaximum(), before);
    EXPECT_TRUE(settlesAt(maximumFor(16.0 / 9.0)));

    frames.toggleTemporaryMaximum(16.0 / 9.0);
    EXPECT_TRUE(settlesAt(before));
    EXPECT_TRUE(frames.isTemporarilyMaximized()) << "until the restore has had its time";
    EXPECT_TRUE(saved.isEmpty());
    scheduler.advance(WindowFrameController::temporaryMaximumRestoreDelay);
    EXPECT_FALSE(frames.isTemporarilyMaximized());
    EXPECT_FALSE(frames.restoreFrameBeforeTemporaryMaximum().has_value());
    EXPECT_EQ(saved, QList<QRect>({before}));
}

TEST_F(WindowFrame, aSecondClickDuringTheRestoreEndsInTheSameStateWithOneSave) {
    frames.toggleTemporaryMaximum(std::nullopt);
    ASSERT_TRUE(settlesAt(maximumFor(std::nullopt)));
    frames.toggleTemporaryMaximum(std::nullopt);
    scheduler.advance(Seconds(0.2));
    frames.toggleTemporaryMaximum(std::nullopt);
    scheduler.advance(Seconds(0.2));
    EXPECT_TRUE(frames.isTemporarilyMaximized()) << "the second restore started the wait again";
    scheduler.advance(Seconds(0.15));
    EXPECT_FALSE(frames.isTemporarilyMaximized());
    EXPECT_EQ(saved, QList<QRect>({before}));
    EXPECT_TRUE(settlesAt(before));
}

TEST_F(WindowFrame, aFrameIsSavedOnlyWhileShownAndNotTemporarilyMaximized) {
    frames.saveWindowFrame();
    EXPECT_EQ(saved, QList<QRect>({before}));

    window.hide();
    frames.saveWindowFrame();
    window.show();
    frames.toggleTemporaryMaximum(16.0 / 9.0);
    frames.saveWindowFrame();
    EXPECT_EQ(saved.size(), 1);
}

TEST_F(WindowFrame, aNewAnimationReplacesTheRunningOne) {
    frames.setWindowFrameAnimated(QRect(300, 200, 960, 540));
    frames.setWindowFrameAnimated(QRect(120, 140, 640, 360));
    EXPECT_TRUE(settlesAt(QRect(120, 140, 640, 360)));
}

TEST(TemporaryMaximumFrame, fillsTheVisibleAreaWithThePicturesProportions) {
    const QRectF visible(0, 25, 1440, 875);
    const QRectF wide =
        temporaryMaximumFrame({100, 100, 800, 450}, {800, 450}, visible, 16.0 / 9.0);
    EXPECT_DOUBLE_EQ(wide.width(), 1440);
    EXPECT_DOUBLE_EQ(wide.height(), 810);
    EXPECT_DOUBLE_EQ(wide.center().y(), visible.center().y());

    const QRectF tall =
        temporaryMaximumFrame({100, 100, 480, 853}, {480, 853}, visible, 9.0 / 16.0);
    EXPECT_DOUBLE_EQ(tall.width(), 492.1875);
    EXPECT_DOUBLE_EQ(tall.height(), 875);
    EXPECT_DOUBLE_EQ(tall.center().x(), visible.center().x());

    // Before the first picture, the window's own proportion.
    const QRectF unknown =
        temporaryMaximumFrame({0, 0, 1120, 630}, {1120, 630}, visible, std::nullopt);
    EXPECT_NEAR(unknown.width() / unknown.height(), 1120.0 / 630.0, 1e-9);
    // A frame's decoration is kept around the content.
    const QRectF decorated =
        temporaryMaximumFrame({0, 0, 820, 478}, {800, 450}, visible, 16.0 / 9.0);
    EXPECT_DOUBLE_EQ(decorated.width() - 20,
                     (875.0 - 28) * 16.0 / 9.0 > 1420 ? 1420 : (875.0 - 28) * 16.0 / 9.0);
}

} // namespace
} // namespace rure::test
