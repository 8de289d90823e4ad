// Save Snapshot as the controller runs it, with a scripted engine that answers
// with a picture of its own, and real files in the test's folder.
#include "ControllerTestFixture.h"

#include "viewer/SnapshotSaver.h"
#include "window/OverlayNotice.h"
#include "window/ViewerMainMenu.h"

#include <QAction>
#include <QApplication>
#include <QImageReader>
#include <QMenu>

namespace rure::test {
namespace {

class SnapshotCommand : public ControllerTest {
protected:
    QAction* menuItem(const QString& title) const {
        for (QAction* action : delegate->viewerWindow()->actions()) {
            if (withoutMnemonic(action->text()) == title) {
                return action;
            }
        }
        return nullptr;
    }

    // The engine draws a picture of the camera.
    void showPicture() {
        delegate->playback().recordRenderedFrame(supervisor().playerGeneration());
    }

    QString folder() const { return snapshotFolderIn(directory.path()); }

    static QImage picture(QSize size, QColor colour) {
        QImage image(size, QImage::Format_RGB888);
        image.fill(colour);
        return image;
    }

    const OverlayNotice& notice() const { return *delegate->overlay().notice(); }
};

TEST_F(SnapshotCommand, isOfferedOnlyWithALivePictureAndSavesTheEnginesPictureAsAFile) {
    saveCameras(threeCameras());
    launch();
    QAction* save = menuItem(QStringLiteral("Save Snapshot"));
    ASSERT_NE(save, nullptr);

    // Loading, no picture yet: nothing to save, even when asked directly.
    EXPECT_FALSE(save->isEnabled());
    save->trigger();
    delegate->saveSnapshot();
    EXPECT_FALSE(engines.journal().calls.contains(QStringLiteral("snapshot")));

    showPicture();
    EXPECT_TRUE(save->isEnabled());
    // The menu button's pop-up starts with it.
    delegate->showMainMenuFromButton();
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->actions().value(0), save);
    popup->close();

    engines.clearJournal();
    save->trigger();
    EXPECT_EQ(engines.journal().calls, QStringList{QStringLiteral("snapshot")});
    ASSERT_TRUE(engine().answerSnapshot(picture({320, 240}, Qt::green)));
    ASSERT_TRUE(pumpUntil([this] { return delegate->snapshots().snapshotsUnderWay() == 0; }));
    const QStringList files = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(files.size(), 1) << files.join(u' ').toStdString();
    EXPECT_TRUE(files[0].startsWith(QStringLiteral("Front Door ")));
    QImageReader reader(folder() + u'/' + files[0]);
    EXPECT_EQ(reader.format(), QByteArray("png"));
    EXPECT_EQ(reader.read().pixelColor(160, 120), QColor(Qt::green));
    // The notice over the picture says where it went.
    EXPECT_TRUE(notice().isVisible());
    EXPECT_EQ(notice().text(), QStringLiteral("Snapshot saved in ") + folder());
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join(u'\n').toStdString();

    // Another camera loading, or no engine: nothing to save again.
    delegate->selectCamera(1);
    EXPECT_FALSE(save->isEnabled());
    showPicture();
    EXPECT_TRUE(save->isEnabled());
    delegate->playback().stopPlayerEngine();
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(SnapshotCommand, aSnapshotThatCannotBeTakenOrWrittenSaysWhyAndLeavesNoFile) {
    saveCameras(threeCameras());
    launch();
    showPicture();
    const QString failed = QStringLiteral("The snapshot could not be saved. ");

    // A file where the pictures folder belongs.
    QFile inTheWay(directory.path() + QStringLiteral("/Pictures"));
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    inTheWay.close();
    delegate->saveSnapshot();
    ASSERT_TRUE(engine().answerSnapshot(picture({64, 48}, Qt::red)));
    ASSERT_TRUE(pumpUntil([this] { return alerts.size() == 1; }));
    EXPECT_TRUE(alerts[0].startsWith(failed + QStringLiteral("Could not create the folder ")))
        << alerts[0].toStdString();

    // The engine has no picture to give.
    delegate->saveSnapshot();
    ASSERT_TRUE(engine().answerSnapshot(std::nullopt));
    ASSERT_TRUE(pumpUntil([this] { return alerts.size() == 2; }));
    EXPECT_EQ(alerts[1], failed + QStringLiteral("The video engine could not take the picture."));

    // The engine goes down before it answers.
    delegate->saveSnapshot();
    delegate->playback().stopPlayerEngine();
    ASSERT_TRUE(pumpUntil([this] { return alerts.size() == 3; }));
    EXPECT_EQ(alerts[2], failed + QStringLiteral("The video engine could not take the picture."));

    EXPECT_EQ(delegate->snapshots().snapshotsUnderWay(), 0);
    EXPECT_FALSE(notice().isVisible());
    EXPECT_TRUE(QFileInfo(inTheWay.fileName()).isFile());
}

} // namespace
} // namespace rure::test
