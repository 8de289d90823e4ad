// Cameras as people own them, played by the real engine: a smart camera that
// pauses while nothing moves, one that changes its picture's size, and one
// that drops a session that is not kept alive. None of them is ever taken for
// a camera in trouble.
#include "LiveViewerFixture.h"

#include <chrono>

namespace rure::test {
namespace {

using Clock = std::chrono::steady_clock;

class LiveCameraZoo : public LiveViewerTest {
protected:
    // Starts the camera with the zoo's `arguments` and plays it.
    void play(const QStringList& arguments, TestCamera::Options options = {}) {
        options.width = 320;
        options.height = 180;
        options.extraArguments = arguments;
        ASSERT_TRUE(camera.start(options));
        launch({{QStringLiteral("Yard"), camera.url()}});
        ASSERT_TRUE(waitFor([this] { return isPlaying(); }, 30000))
            << log.texts().join('\n').toStdString();
    }
    void wait(int milliseconds) {
        waitFor([] { return false; }, milliseconds);
    }
    // The viewer's own words for trouble: recoveries, catch-ups and status lines.
    QStringList troubleSince(qsizetype mark) const {
        QStringList trouble;
        for (const QString& text : log.texts().mid(mark)) {
            if (text.startsWith(QStringLiteral("Scheduling recovery")) ||
                text.contains(QStringLiteral("loading the camera again")) ||
                text.contains(QStringLiteral("No new picture")) ||
                text.contains(QStringLiteral("Reconnecting"))) {
                trouble << text;
            }
        }
        return trouble;
    }
};

TEST_F(LiveCameraZoo, aSmartCameraThatPausesWhileNothingMovesIsNeverReconnected) {
    // 30 pictures a second for 6 s, then one every 5 s for 16 s, over and over.
    play({QStringLiteral("--still-interval"), QStringLiteral("5"),
          QStringLiteral("--smart-schedule"), QStringLiteral("6:16")});
    const Clock::time_point started = Clock::now();
    const qsizetype mark = log.texts().size();
    // Through the first pause the camera's pace is learnt; the status line may
    // call its picture old then, and then never again.
    wait(26000);
    const qsizetype learnt = log.texts().size();
    wait(18000);
    EXPECT_GE(Clock::now() - started, std::chrono::seconds(40));
    const QStringList first = troubleSince(mark);
    EXPECT_TRUE(first.filter(QStringLiteral("Scheduling recovery")).isEmpty())
        << first.join('\n').toStdString();
    EXPECT_TRUE(first.filter(QStringLiteral("loading the camera again")).isEmpty())
        << first.join('\n').toStdString();
    EXPECT_TRUE(troubleSince(learnt).isEmpty()) << troubleSince(learnt).join('\n').toStdString();
    EXPECT_EQ(supervisor().playerGeneration(), 1);
    EXPECT_TRUE(supervisor().cadence().pausePace().has_value());
}

TEST_F(LiveCameraZoo, aCameraThatChangesItsPictureSizeKeepsPlayingInItsNewShape) {
    play({});
    ASSERT_TRUE(
        waitFor([this] { return delegate->focusArea().appliedVideoAspectRatio().has_value(); }));
    EXPECT_NEAR(*delegate->focusArea().appliedVideoAspectRatio(), 16.0 / 9.0, 0.01);
    // A focused area names a part of the old picture; it ends with it.
    delegate->toggleFocusArea();
    const QSize view = delegate->viewerWindow()->size();
    delegate->focusSelectionCompleted(QRectF(0, 0, view.width() / 2.0, view.height()));
    ASSERT_TRUE(delegate->focusArea().focusCrop().has_value());
    const qsizetype mark = log.texts().size();

    ASSERT_TRUE(camera.resize(240, 180));
    EXPECT_TRUE(waitFor([this] {
        const auto ratio = delegate->focusArea().appliedVideoAspectRatio();
        return ratio && std::abs(*ratio - 4.0 / 3.0) < 0.01;
    })) << log.texts().join('\n').toStdString();
    EXPECT_FALSE(delegate->focusArea().focusCrop().has_value());
    wait(3000);
    EXPECT_TRUE(isPlaying());
    EXPECT_TRUE(troubleSince(mark).isEmpty()) << troubleSince(mark).join('\n').toStdString();
}

TEST_F(LiveCameraZoo, aCameraThatDropsSessionsNotKeptAliveKeepsThisOne) {
    play({QStringLiteral("--session-timeout"), QStringLiteral("4")});
    const qsizetype mark = log.texts().size();
    wait(14000);
    EXPECT_FALSE(camera.errorOutput().contains(QStringLiteral("session timed out")))
        << camera.errorOutput().toStdString();
    EXPECT_TRUE(isPlaying());
    EXPECT_TRUE(troubleSince(mark).isEmpty()) << troubleSince(mark).join('\n').toStdString();
}

} // namespace
} // namespace rure::test
