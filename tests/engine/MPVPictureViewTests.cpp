// The two video views that paint the engine's picture as an image: the one for
// software OpenGL (the engine draws off screen and the view reads the picture
// back) and the engine's software renderer (the engine draws into memory).
// Both behave alike, so every test runs against each.
#include "VideoViewTestSupport.h"
#include "support/GLDriverResidency.h"
#include "support/TestCamera.h"

#include "engine/MPVEngine.h"
#include "engine/MPVEngineFactory.h"
#include "engine/MPVImageView.h"
#include "engine/MPVSoftwareView.h"
#include "engine/VideoViewChoice.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace rure {
namespace {

using namespace std::chrono_literals;
using test::ContentWidget;
using test::isBlack;
using test::pixelAt;
using test::processEventsFor;
using test::processEventsUntil;

// Counts the paints of the view it watches and remembers which picture each
// one drew.
template <typename View> class PaintCounter final : public QObject {
public:
    int paints = 0;
    qint64 paintedPicture = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            paintedPicture = static_cast<View*>(watched)->picture().cacheKey();
        }
        return QObject::eventFilter(watched, event);
    }
};

template <typename View> struct PictureWindow {
    ContentWidget content;
    View* view = new View(&content);
    PaintCounter<View> paints;

    PictureWindow() {
        auto* layout = new QVBoxLayout(&content);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        content.resize(640, 360);
        view->installEventFilter(&paints);
    }

    bool show() {
        content.show();
        const bool shown = processEventsUntil([this] {
            return content.windowHandle() != nullptr && content.windowHandle()->isExposed() &&
                   paints.paints > 0;
        });
        test::keepGLDriversLoaded();
        return shown;
    }

    // What the view paints, through its own paint code.
    QImage painted() const { return view->grab().toImage(); }
};

template <typename View> class PictureViewPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(camera.start()) << "the test camera did not start";
        ASSERT_TRUE(window.show());
        attach();
    }

    void TearDown() override { detach(); }

    void attach() {
        auto outcome = factory.createEngine(*window.view);
        ASSERT_EQ(outcome.index(), 0U) << "the engine could not be created";
        engine = std::move(std::get<0>(outcome));
        ASSERT_TRUE(window.view->isAttached());
        window.view->setFrameRenderedHandler([this] {
            ++frames;
            if (window.paints.paintedPicture != window.view->picture().cacheKey()) {
                ++framesBeforeTheirPaint;
            }
        });
    }

    void detach() {
        window.view->setFrameRenderedHandler({});
        window.view->shutdownRenderContext();
        engine.reset();
    }

    bool framesArrive(int count = 5) { return test::moreFramesArrive(frames, count); }

    bool framesStop() { return test::framesStop(frames); }

    test::TestCamera camera;
    PictureWindow<View> window;
    MPVEngineFactory factory;
    std::unique_ptr<PlaybackEngine> engine;
    int frames = 0;
    // Heartbeats that came before their picture was painted (while shown).
    int framesBeforeTheirPaint = 0;
};

using PictureViews = ::testing::Types<MPVImageView, MPVSoftwareView>;
TYPED_TEST_SUITE(PictureViewPlayback, PictureViews);

TYPED_TEST(PictureViewPlayback, PaintsTheCameraUprightAndCountsEachPictureOncePainted) {
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    // Each heartbeat comes after its own picture was painted, never before.
    EXPECT_EQ(this->framesBeforeTheirPaint, 0);

    const QImage picture = this->window.painted();
    const qreal ratio = this->window.view->devicePixelRatioF();
    EXPECT_EQ(this->window.view->picture().size(), QSize(qRound(640 * ratio), qRound(360 * ratio)));
    const QColor centre = pixelAt(picture, 0.5, 0.5);
    const QColor topLeft = pixelAt(picture, 0.04, 0.1);
    const QColor bottomLeft = pixelAt(picture, 0.04, 0.95);
    EXPECT_FALSE(isBlack(centre)) << centre.name().toStdString();
    EXPECT_GT(topLeft.red(), 120) << topLeft.name().toStdString();
    EXPECT_GT(topLeft.blue(), 120) << topLeft.name().toStdString();
    EXPECT_LT(bottomLeft.red(), 80) << bottomLeft.name().toStdString();

    ASSERT_TRUE(this->camera.showWhite());
    EXPECT_TRUE(processEventsUntil(
        [&] { return pixelAt(this->window.painted(), 0.5, 0.5).lightness() > 220; }));
    ASSERT_GE(this->engine->loadFile(this->camera.secondUrl()), 0);
    EXPECT_TRUE(processEventsUntil([&] {
        const QColor colour = pixelAt(this->window.painted(), 0.5, 0.5);
        return colour.blue() > 150 && colour.red() < 80;
    }));
}

TYPED_TEST(PictureViewPlayback, ResizingRedrawsWithoutCountingAndHiddenViewsKeepCounting) {
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    ASSERT_TRUE(this->camera.stall());
    ASSERT_TRUE(this->framesStop());

    const int framesBefore = this->frames;
    this->window.content.resize(500, 300);
    ASSERT_TRUE(processEventsUntil([&] { return this->window.view->width() == 500; }));
    processEventsFor(500ms);
    EXPECT_EQ(this->frames, framesBefore);
    const qreal ratio = this->window.view->devicePixelRatioF();
    EXPECT_EQ(this->window.view->picture().size(), QSize(qRound(500 * ratio), qRound(300 * ratio)));
    EXPECT_FALSE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));
    ASSERT_TRUE(this->camera.resume());
    ASSERT_TRUE(this->framesArrive());

    // Hidden or minimised: nothing is drawn or read back, every picture
    // still counts.
    this->window.content.hide();
    ASSERT_TRUE(processEventsUntil([&] { return !this->window.view->isVisible(); }));
    const qint64 pictureWhileHidden = this->window.view->picture().cacheKey();
    EXPECT_TRUE(this->framesArrive(20));
    EXPECT_EQ(this->window.view->picture().cacheKey(), pictureWhileHidden);
    this->window.content.showMinimized();
    ASSERT_TRUE(processEventsUntil([&] { return this->window.content.isMinimized(); }));
    EXPECT_TRUE(this->framesArrive(20));
    EXPECT_EQ(this->window.view->picture().cacheKey(), pictureWhileHidden);
    this->window.content.showNormal();
    ASSERT_TRUE(
        processEventsUntil([&] { return this->window.content.windowHandle()->isExposed(); }));
    EXPECT_TRUE(this->framesArrive(20));
    EXPECT_NE(this->window.view->picture().cacheKey(), pictureWhileHidden);
}

TYPED_TEST(PictureViewPlayback, TheEnginesOwnRedrawsAreDrawnButNeverCounted) {
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    ASSERT_TRUE(this->camera.stall());
    ASSERT_TRUE(this->framesStop());

    // A rendering property changed on a still picture: the engine redraws it,
    // here moved a whole picture's width aside.
    const int framesBefore = this->frames;
    const qint64 before = this->window.view->picture().cacheKey();
    this->engine->setProperty(QStringLiteral("video-pan-x"), QStringLiteral("1"));
    ASSERT_TRUE(
        processEventsUntil([&] { return this->window.view->picture().cacheKey() != before; }));
    EXPECT_TRUE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));
    processEventsFor(500ms);
    EXPECT_EQ(this->frames, framesBefore);

    ASSERT_TRUE(this->camera.resume());
    EXPECT_TRUE(this->framesArrive());
}

TYPED_TEST(PictureViewPlayback, EachPictureOfASlowCameraCountsOnce) {
    // The engine announces a picture ahead of its display time and again when
    // that time comes; at one picture a second both would be seen.
    test::TestCamera slowCamera;
    test::TestCamera::Options options;
    options.fps = 1;
    options.width = 320;
    options.height = 240;
    ASSERT_TRUE(slowCamera.start(options));
    ASSERT_GE(this->engine->loadFile(slowCamera.url()), 0);
    ASSERT_TRUE(this->framesArrive(1));
    const int first = this->frames;
    processEventsFor(6500ms);
    const int pictures = this->frames - first;
    EXPECT_GE(pictures, 5);
    EXPECT_LE(pictures, 7);
}

TYPED_TEST(PictureViewPlayback, DetachingKeepsTheLastPictureAndIgnoresLateUpdates) {
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());

    this->window.view->shutdownRenderContext();
    EXPECT_FALSE(this->window.view->isAttached());
    const int framesAfterDetach = this->frames;
    this->window.view->consumeRenderUpdates();
    rure_picture_render_update(this->window.view);
    processEventsFor(1s);
    EXPECT_EQ(this->frames, framesAfterDetach);
    // An engine rebuild does not flash black...
    EXPECT_FALSE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));
    // ...but a resize without an engine has nothing to draw.
    this->window.content.resize(600, 340);
    ASSERT_TRUE(processEventsUntil([&] { return this->window.view->width() == 600; }));
    EXPECT_TRUE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));

    this->detach();
    this->attach();
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    EXPECT_TRUE(this->framesArrive());
    EXPECT_FALSE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));

    // An engine stopped for good: told to, the view forgets the picture it kept.
    this->window.view->clearPicture();
    EXPECT_FALSE(this->window.view->picture().isNull())
        << "an attached view keeps the this->engine's picture";
    this->window.view->shutdownRenderContext();
    EXPECT_FALSE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));
    this->window.view->clearPicture();
    EXPECT_TRUE(this->window.view->picture().isNull());
    EXPECT_TRUE(isBlack(pixelAt(this->window.painted(), 0.5, 0.5)));
}

TYPED_TEST(PictureViewPlayback, AStreamThatEndedDoesNotHoldTheNextLoadPaused) {
    auto* mpv = dynamic_cast<MPVEngine*>(this->engine.get());
    ASSERT_NE(mpv, nullptr);
    const auto paused = [mpv] {
        int flag = 0;
        return mpv_get_property(mpv->handle(), "pause", MPV_FORMAT_FLAG, &flag) >= 0 && flag != 0;
    };
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());

    // A camera that loses power ends its stream; the engine keeps the last
    // picture and pauses on it.
    this->camera.kill();
    ASSERT_TRUE(processEventsUntil(paused)) << "the ended stream did not pause the this->engine";
    ASSERT_TRUE(this->camera.restart());

    // The next load plays: a paused load would show its first picture and stop.
    ASSERT_GE(this->engine->loadFile(this->camera.url()), 0);
    EXPECT_FALSE(paused());
    EXPECT_TRUE(this->framesArrive(30));
    EXPECT_FALSE(paused());
}

template <typename View> class PictureView : public ::testing::Test {};

TYPED_TEST_SUITE(PictureView, PictureViews);

TYPED_TEST(PictureView, AttachesBeforeBeingShownAndLetsThePointerThrough) {
    {
        TypeParam hidden;
        MPVEngineFactory factory;
        auto outcome = factory.createEngine(hidden);
        ASSERT_EQ(outcome.index(), 0U);
        EXPECT_TRUE(hidden.isAttached());
        EXPECT_TRUE(isBlack(pixelAt(hidden.grab().toImage(), 0.5, 0.5)));
        hidden.shutdownRenderContext();
        hidden.shutdownRenderContext();
        EXPECT_FALSE(hidden.isAttached());
    }

    PictureWindow<TypeParam> window;
    ASSERT_TRUE(window.show());
    const QPoint centre = window.view->geometry().center();
    EXPECT_EQ(QApplication::widgetAt(window.content.mapToGlobal(centre)), &window.content);
    QTest::mouseClick(window.content.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_TRUE(processEventsUntil([&] { return window.content.presses > 0; }));
    EXPECT_EQ(window.content.presses, 1);
}

TEST(VideoViewChoice, SoftwareRasterisersGetTheSoftwareRenderer) {
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)")));
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("softpipe")));
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("Software Rasterizer")));
    EXPECT_FALSE(isSoftwareRenderer(QStringLiteral("Mesa Intel(R) UHD Graphics 620 (KBL GT2)")));
    EXPECT_FALSE(isSoftwareRenderer(QStringLiteral("NVIDIA GeForce RTX 3060/PCIe/SSE2")));
    EXPECT_FALSE(isSoftwareRenderer(QString()));

    using P = VideoPresentation;
    const QString llvmpipe = QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)");
    const QString gpu = QStringLiteral("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)");
    const QString noRenderer;
    const struct {
        const char* requested;
        bool device;
        const QString& renderer;
        P expected;
        bool asksRenderer;
    } cases[] = {
        {"", true, llvmpipe, P::software, true},
        {"", true, gpu, P::openGLWidget, true},
        // No graphics device: software, without paying for a GL context.
        {"", false, gpu, P::software, false},
        {"opengl", false, llvmpipe, P::openGLWidget, false},
        {" OpenGL\n", true, llvmpipe, P::openGLWidget, false},
        {"image", true, gpu, P::image, false},
        {"IMAGE", false, gpu, P::image, false},
        {"vulkan", true, gpu, P::openGLWidget, true},
        // A device, but no GL context could be made.
        {"", true, noRenderer, P::software, true},
        {"software", true, gpu, P::software, false},
        {" Software ", true, llvmpipe, P::software, false},
    };
    for (const auto& c : cases) {
        bool asked = false;
        const P chosen = videoPresentationFor(QByteArray(c.requested), c.device, [&] {
            asked = true;
            return c.renderer;
        });
        EXPECT_EQ(chosen, c.expected) << c.requested << " " << c.device;
        EXPECT_EQ(asked, c.asksRenderer) << c.requested << " " << c.device;
    }

    QTemporaryDir devices;
    ASSERT_TRUE(devices.isValid());
    EXPECT_FALSE(hasGraphicsDevice(devices.path()));
    EXPECT_FALSE(hasGraphicsDevice(devices.path() + QStringLiteral("/missing")));
    ASSERT_TRUE(QDir(devices.path()).mkdir(QStringLiteral("by-path")));
    EXPECT_FALSE(hasGraphicsDevice(devices.path()));
    QFile node(devices.path() + QStringLiteral("/renderD128"));
    ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    node.close();
    EXPECT_TRUE(hasGraphicsDevice(devices.path()));

    QWidget parent;
    for (const VideoPresentation presentation :
         {VideoPresentation::image, VideoPresentation::software, VideoPresentation::openGLWidget}) {
        const CreatedVideoView created = createVideoView(presentation, &parent);
        ASSERT_NE(created.widget, nullptr);
        EXPECT_EQ(created.widget->parentWidget(), &parent);
        EXPECT_EQ(dynamic_cast<VideoView*>(created.widget), created.view);
        EXPECT_EQ(dynamic_cast<MPVImageView*>(created.widget) != nullptr,
                  presentation == VideoPresentation::image);
        EXPECT_EQ(dynamic_cast<MPVSoftwareView*>(created.widget) != nullptr,
                  presentation == VideoPresentation::software);
    }
}

} // namespace
} // namespace rure
