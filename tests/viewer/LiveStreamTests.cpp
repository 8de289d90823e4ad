// A camera with a small stream, with the real engine and the test camera: the
// stream follows the window's size without a black picture in between.
#include "LiveViewerFixture.h"

#include "engine/PlaybackEngine.h"
#include "viewer/FocusAreaController.h"
#include "viewer/ViewerWindowSide.h"
#include "window/StatusLine.h"

#include <QImageReader>

namespace rure::test {
namespace {

using LiveStreams = LiveViewerTest;

constexpr QSize mainPicture(960, 540);
constexpr QSize smallPicture(320, 180);

TEST_F(LiveStreams, followTheWindowWithoutABlackPictureAndFallBackWhenTheSmallOneFails) {
    TestCamera::Options options;
    options.width = mainPicture.width();
    options.height = mainPicture.height();
    options.smallPath = QStringLiteral("/small");
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
    const QString missing = QStringLiteral("rtsp://127.0.0.1:%1/nothing-here").arg(camera.port());
    launch({{QStringLiteral("Yard"), camera.url(), camera.smallUrl()},
            {QStringLiteral("Gate"), camera.url(), missing}});
    ViewerWindow* window = delegate->viewerWindow();
    window->resize(900, 506);
    ASSERT_TRUE(waitFor([this] { return isPlaying() && !isBlack(centreColour()); }))
        << log.texts().join('\n').toStdString();

    const auto pictureWidth = [this] {
        PlaybackEngine* engine = delegate->playback().engine();
        return engine ? engine->integerProperty("video-params/w").value_or(0) : 0;
    };
    // Samples the picture until `done`, failing on any black sample.
    const auto watchForBlack = [&](const std::function<bool()>& done) {
        int samples = 0;
        const bool finished = waitFor([&] {
            ++samples;
            EXPECT_FALSE(isBlack(centreColour())) << "sample " << samples;
            return done();
        });
        // Settled: the picture drawn after the switch is on screen.
        EXPECT_FALSE(isBlack(centreColour()));
        return finished;
    };

    struct Step {
        const char* what;
        std::function<void()> act;
        CameraStream expected;
        int width;
    };
    const Step steps[] = {
        {"a small window plays the small stream", [&] { window->resize(400, 225); },
         CameraStream::small, smallPicture.width()},
        {"a large one the main stream", [&] { window->resize(900, 506); }, CameraStream::main,
         mainPicture.width()},
        {"back to small", [&] { window->resize(400, 225); }, CameraStream::small,
         smallPicture.width()},
        {"full screen needs the main stream", [&] { delegate->toggleFullScreen(); },
         CameraStream::main, mainPicture.width()},
        {"and leaving it the small one", [&] { delegate->toggleFullScreen(); }, CameraStream::small,
         smallPicture.width()},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_TRUE(watchForBlack([&] {
            return supervisor().playingStream() == step.expected && isPlaying() &&
                   pictureWidth() == step.width;
        })) << pictureWidth();
    }
    // The switches come from the window alone: no recovery, one engine.
    EXPECT_EQ(log.count(QStringLiteral("Switching camera index 0 to its small stream.")), 3);
    EXPECT_FALSE(log.contains(QStringLiteral("Scheduling recovery")));
    EXPECT_EQ(supervisor().playerGeneration(), 1);

    // An area chosen at once, over the small stream's picture, is taken in the
    // main stream's pixels and shown on the main stream; the original view
    // brings the small one back.
    delegate->toggleFocusArea();
    delegate->focusSelectionCompleted(QRectF(100, 56, 200, 112));
    ASSERT_TRUE(delegate->focusArea().focusCrop().has_value());
    EXPECT_EQ(delegate->focusArea().focusCrop()->sourceSize, QSizeF(mainPicture));
    EXPECT_TRUE(watchForBlack([&] {
        return supervisor().playingStream() == CameraStream::main && isPlaying() &&
               delegate->focusArea().focusCrop().has_value();
    }));
    delegate->toggleFocusArea();
    EXPECT_TRUE(watchForBlack([&] {
        return supervisor().playingStream() == CameraStream::small && isPlaying() &&
               pictureWidth() == smallPicture.width();
    }));

    // The status line says so while the controls are up.
    delegate->windowSide().overlay().hoverChanged(true);
    EXPECT_TRUE(waitFor([this] {
        return delegate->overlay().statusLine()->text() ==
               QStringLiteral("Small stream for the small window");
    }));
    delegate->windowSide().overlay().hoverChanged(false);

    // A snapshot is of the main stream at its size, and the small one comes back.
    const QDir snapshots(snapshotFolderIn(directory.path()));
    delegate->saveSnapshot();
    ASSERT_TRUE(waitFor([&] { return !snapshots.entryList({QStringLiteral("*.png")}).isEmpty(); }))
        << alerts.join('\n').toStdString();
    EXPECT_EQ(
        QImageReader(snapshots.filePath(snapshots.entryList({QStringLiteral("*.png")})[0])).size(),
        mainPicture);
    EXPECT_TRUE(watchForBlack([&] {
        return supervisor().playingStream() == CameraStream::small &&
               pictureWidth() == smallPicture.width();
    }));

    // A small stream that is not there: the main one plays on, never black.
    delegate->selectCamera(1);
    ASSERT_TRUE(waitFor([this] { return isPlaying() && !isBlack(centreColour()); }));
    EXPECT_TRUE(watchForBlack([&] {
        return log.contains(QStringLiteral("The small stream of camera index 1 brought no picture "
                                           "(mpv ended the stream); playing its main stream.")) &&
               isPlaying() && pictureWidth() == mainPicture.width();
    }));
    EXPECT_EQ(supervisor().playingStream(), CameraStream::main);
    for (const QString& text : log.texts()) {
        EXPECT_FALSE(text.contains(missing) || text.contains(camera.smallUrl()))
            << text.toStdString();
    }

    // The next launch knows the main stream's size (kept under a digest of its
    // address): the small window starts on the small stream, with no switch.
    delegate.reset();
    log.clear();
    launch({{QStringLiteral("Yard"), camera.url(), camera.smallUrl()}});
    EXPECT_TRUE(waitFor([&] { return isPlaying() && pictureWidth() == smallPicture.width(); }));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Loading camera index 0 for selection generation 0, its small stream.")));
    EXPECT_EQ(log.count(QStringLiteral("Switching camera index 0 to its small stream.")), 0);
    settings.sync();
    QFile stored(settings.fileName());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_FALSE(stored.readAll().contains(QStringLiteral("/camera").toUtf8()));
}

} // namespace
} // namespace rure::test
