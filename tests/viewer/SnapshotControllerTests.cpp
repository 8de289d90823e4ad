// Save Snapshot while a focus crop is shown, on a real window and focus area,
// with the fake engine's pictures and virtual time: the crop is lifted until
// the engine draws the whole picture, pictures of the wrong size are asked
// for again, and a snapshot that cannot be had is given up with a word.
#include "support/FakePlaybackEngine.h"
#include "support/ManualScheduler.h"
#include "support/RecordingVideoView.h"
#include "viewer/FocusAreaController.h"
#include "viewer/SnapshotController.h"
#include "window/DraggableContentView.h"
#include "window/ViewerWindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace rure::test {
namespace {

const QString giveUpMessage =
    QStringLiteral("Wait for the camera picture, then save the snapshot again.");

class SnapshotControl : public ::testing::Test {
protected:
    SnapshotControl() {
        window.setGeometry(QRect(200, 150, 960, 540));
        view->setGeometry(0, 0, 960, 540);
        window.show();
        // The left half of a 1920 x 1080 camera.
        focus.updateWindowAspectRatio(1920, 1080, 0);
        focus.toggleFocusArea();
        focus.focusSelectionCompleted(QRectF(0, 0, 480, 540), true);
        showingSize(960, 1080);
    }

    void showingSize(int64_t width, int64_t height) {
        engine.properties["video-params/w"] = width;
        engine.properties["video-params/h"] = height;
    }

    void save(int64_t generation = 1) {
        snapshots.save(engine, QStringLiteral("Porch"), QDateTime(QDate(2026, 12, 9), QTime(9, 0)),
                       &focus, generation);
    }

    // Answers the engine's waiting request with a picture of `size`, and waits
    // until the controller has dealt with it.
    void answerWith(QSize size) {
        QImage picture(size, QImage::Format_RGB888);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(engine.answerSnapshot(picture));
        QDeadlineTimer deadline(5000);
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        } while (snapshots.saver().snapshotsUnderWay() > 0 && !deadline.hasExpired());
        ASSERT_EQ(snapshots.saver().snapshotsUnderWay(), 0);
    }

    bool showsCrop() const {
        return focus.focusCrop().has_value() && !focus.isShowingFullCameraTemporarily();
    }

    QTemporaryDir folder;
    ManualScheduler scheduler;
    ViewerWindow window;
    DraggableContentView* view = new DraggableContentView(window.contentView());
    FocusAreaController focus{
        window, *view,
        FocusAreaHooks{.setEngineProperty = [](const QString&, const QString&) {},
                       .animateWindowFrame = [](const QRect&) {},
                       .showError = [](const QString&) {},
                       .stateChanged = [] {}}};
    std::shared_ptr<FakeEngineJournal> journal = std::make_shared<FakeEngineJournal>();
    RecordingVideoView pictureView{journal};
    FakePlaybackEngine engine{journal, pictureView, 0, {}};
    QStringList saved;
    QStringList failures;
    SnapshotController snapshots{
        scheduler, folder.path(),
        SnapshotController::Hooks{.saved = [this](const QString& path) { saved << path; },
                                  .failed = [this](const QString& why) { failures << why; }}};
};

TEST_F(SnapshotControl, theCropWaitsForTheWholePictureAndAPictureOfTheCropIsAskedForAgain) {
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(showsCrop());

    save();
    EXPECT_TRUE(focus.isShowingFullCameraTemporarily()) << "the whole picture is shown";
    EXPECT_EQ(engine.waitingSnapshots(), 0);
    // Still the crop's size: nothing is asked.
    snapshots.pictureDrawn(engine, 1);
    EXPECT_EQ(engine.waitingSnapshots(), 0);

    showingSize(1920, 1080);
    snapshots.pictureDrawn(engine, 1);
    snapshots.pictureDrawn(engine, 1);
    ASSERT_EQ(engine.waitingSnapshots(), 1) << "one request at a time";

    // A cropped picture the engine still held is turned down, unsaved, and
    // the next picture drawn asks again.
    answerWith(QSize(960, 1080));
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_TRUE(snapshots.isWaitingForWholePicture());
    EXPECT_TRUE(focus.isShowingFullCameraTemporarily());
    snapshots.pictureDrawn(engine, 1);
    ASSERT_EQ(engine.waitingSnapshots(), 1);

    answerWith(QSize(1920, 1080));
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(QImage(saved[0]).size(), QSize(1920, 1080));
    EXPECT_TRUE(showsCrop()) << "the crop comes back";
    EXPECT_FALSE(snapshots.isWaitingForWholePicture());
    EXPECT_TRUE(failures.isEmpty()) << failures.join(u'\n').toStdString();
}

TEST_F(SnapshotControl, anotherCameraOrTheDeadlineGivesUpWithAWordAndClosingGivesUpSilently) {
    ASSERT_TRUE(folder.isValid());
    showingSize(1920, 1080);

    // The camera changed before the whole picture came.
    save(1);
    snapshots.pictureDrawn(engine, 2);
    EXPECT_EQ(failures, QStringList{giveUpMessage});
    EXPECT_TRUE(showsCrop());
    EXPECT_EQ(engine.waitingSnapshots(), 0);

    // No picture drawn within the deadline.
    failures.clear();
    save(2);
    scheduler.advance(SnapshotController::wholePictureDeadline - Seconds(0.1));
    EXPECT_TRUE(failures.isEmpty());
    scheduler.advance(Seconds(0.2));
    EXPECT_EQ(failures, QStringList{giveUpMessage});
    EXPECT_TRUE(showsCrop());

    // The user brought the crop back: no snapshot, no word.
    failures.clear();
    save(2);
    focus.toggleFullCameraTemporarily();
    snapshots.pictureDrawn(engine, 2);
    scheduler.advance(Seconds(10));
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_FALSE(snapshots.isWaitingForWholePicture());
    EXPECT_EQ(engine.waitingSnapshots(), 0);

    // The viewer closes while the snapshot waits: nothing more happens.
    save(2);
    snapshots.viewerWillClose();
    scheduler.advance(Seconds(10));
    snapshots.pictureDrawn(engine, 2);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(engine.waitingSnapshots(), 0);
    EXPECT_TRUE(saved.isEmpty());
}

} // namespace
} // namespace rure::test
