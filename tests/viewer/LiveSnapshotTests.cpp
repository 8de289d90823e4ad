// Save Snapshot with the real engine and the test camera: the files a user
// finds in the pictures folder, and the confirmation over the picture.
#include "LiveViewerFixture.h"
#include "viewer/ViewerWindowSide.h"

#include "viewer/SnapshotSaver.h"
#include "window/OverlayNotice.h"
#include "window/ViewerMainMenu.h"

#include <QAction>
#include <QImageReader>
#include <QMouseEvent>

#include <sys/stat.h>

namespace rure::test {
namespace {

class LiveSnapshot : public LiveViewerTest {
protected:
    LiveSnapshot() {
        // Every snapshot of these tests is taken in the same second.
        wallClock = [] { return QDateTime(QDate(2026, 12, 9), QTime(14, 3, 27)); };
    }

    QAction* saveSnapshotItem() const {
        for (QAction* action : delegate->viewerWindow()->actions()) {
            if (withoutMnemonic(action->text()) == QStringLiteral("Save Snapshot")) {
                return action;
            }
        }
        return nullptr;
    }

    QString folder() const { return snapshotFolderIn(directory.path()); }

    // Everything in the folder, hidden files included, by name.
    QStringList filesInFolder() const {
        return QDir(folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    const OverlayNotice& notice() const { return *delegate->overlay().notice(); }
};

// The test camera's colour bars: the fourth of seven (the centre) is green,
// the seventh blue, in the upper two thirds.
bool isBarGreen(const QColor& colour) {
    return colour.isValid() && colour.green() > 150 && colour.red() < 70 && colour.blue() < 70;
}
bool isBarBlue(const QColor& colour) {
    return colour.isValid() && colour.blue() > 150 && colour.red() < 70 && colour.green() < 70;
}

// What a snapshot file must be: a PNG of the whole camera picture at the
// camera's own size, readable by its owner only.
void expectWholeCameraPicture(const QString& path, QSize cameraSize) {
    SCOPED_TRACE(path.toStdString());
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), cameraSize);
    const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
    EXPECT_TRUE(isBarGreen(centre)) << centre.name().toStdString();
    EXPECT_TRUE(isBarBlue(image.pixelColor(image.width() * 13 / 14, image.height() / 3)))
        << image.pixelColor(image.width() * 13 / 14, image.height() / 3).name().toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(LiveSnapshot, savesTheCameraPictureAtItsOwnSizeOwnerOnlyAndSaysSoForAMoment) {
    TestCamera::Options options;
    options.width = 1280;
    options.height = 720;
    ASSERT_TRUE(camera.start(options)); // colour bars
    launch({{QStringLiteral("Porch: Back/Door"), camera.url()}});
    QAction* save = saveSnapshotItem();
    ASSERT_NE(save, nullptr);
    EXPECT_FALSE(save->isEnabled()) << "no picture yet";

    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    ASSERT_TRUE(
        waitFor([this] { return delegate->focusArea().sourceVideoGeometry().has_value(); }));
    ViewerWindow* window = delegate->viewerWindow();
    window->setGeometry(QRect(100, 100, 960, 540));
    ASSERT_TRUE(waitFor([window] { return window->geometry() == QRect(100, 100, 960, 540); }));
    ASSERT_TRUE(waitFor([this] { return isBarGreen(centreColour()); }));
    EXPECT_TRUE(save->isEnabled());

    // Two snapshots in one second: two files, neither replacing the other.
    save->trigger();
    save->trigger();
    ASSERT_TRUE(waitFor([this] { return delegate->snapshots().snapshotsUnderWay() == 0; }))
        << alerts.join('\n').toStdString();
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
    EXPECT_EQ(filesInFolder(), QStringList({"Porch- Back-Door 2026-12-09 14.03.27 2.png",
                                            "Porch- Back-Door 2026-12-09 14.03.27.png"}));
    for (const QString& name : filesInFolder()) {
        expectWholeCameraPicture(folder() + u'/' + name, QSize(1280, 720));
    }

    // The confirmation shows over the picture, then goes by itself.
    EXPECT_TRUE(notice().isVisible());
    EXPECT_EQ(notice().text(), QStringLiteral("Snapshot saved in ") + folder());
    EXPECT_TRUE(window->contentView()->rect().contains(notice().geometry()));
    EXPECT_TRUE(waitFor([this] { return !notice().isVisible(); }, 15000));
    EXPECT_TRUE(isPlaying());
}

TEST_F(LiveSnapshot, aSnapshotOfAFocusedAreaIsOfTheWholePictureAndTheAreaComesBack) {
    TestCamera::Options options;
    options.width = 1280;
    options.height = 720;
    ASSERT_TRUE(camera.start(options));
    launch({{QStringLiteral("Bars"), camera.url()}});
    ASSERT_TRUE(waitFor([this] { return isPlaying(); }));
    ASSERT_TRUE(
        waitFor([this] { return delegate->focusArea().sourceVideoGeometry().has_value(); }));
    ViewerWindow* window = delegate->viewerWindow();
    window->setGeometry(QRect(100, 100, 960, 540));
    ASSERT_TRUE(waitFor([window] { return window->geometry() == QRect(100, 100, 960, 540); }));

    // An area inside the blue bar fills the window.
    DraggableContentView* view = &delegate->windowSide().pointerSurface();
    delegate->toggleFocusArea();
    const auto send = [view](QEvent::Type type, QPointF position) {
        QMouseEvent event(type, position, view->mapToGlobal(position), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, {850, 80});
    send(QEvent::MouseMove, {935, 220});
    send(QEvent::MouseButtonRelease, {935, 220});
    ASSERT_TRUE(waitFor([this] { return delegate->focusArea().focusCrop().has_value(); }));
    // The window takes the area's tall shape.
    ASSERT_TRUE(waitFor([window] { return window->width() < window->height(); }));
    ASSERT_TRUE(waitFor([this] { return !delegate->windowFrame().isAnimating(); }));
    ASSERT_TRUE(waitFor([this] { return isBarBlue(centreColour()); }))
        << centreColour().name().toStdString();
    const QRect focusedFrame = window->geometry();

    delegate->saveSnapshot();
    ASSERT_TRUE(waitFor([this] {
        return !filesInFolder().isEmpty() && delegate->snapshots().snapshotsUnderWay() == 0;
    })) << alerts.join('\n').toStdString();
    ASSERT_EQ(filesInFolder(), QStringList{"Bars 2026-12-09 14.03.27.png"});
    expectWholeCameraPicture(folder() + u'/' + filesInFolder()[0], QSize(1280, 720));

    // The window shows the focused area again, where it was.
    EXPECT_FALSE(delegate->focusArea().isShowingFullCameraTemporarily());
    EXPECT_TRUE(waitFor([this] { return isBarBlue(centreColour()); }, 5000))
        << centreColour().name().toStdString();
    EXPECT_EQ(window->geometry(), focusedFrame);
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('\n').toStdString();
}

} // namespace
} // namespace rure::test
