// The video view for software OpenGL: the engine draws off screen and the view
// paints the picture it reads back.
#include "VideoViewTestSupport.h"
#include "support/GLDriverResidency.h"
#include "support/TestCamera.h"

#include "engine/MPVEngine.h"
#include "engine/MPVEngineFactory.h"
#include "engine/MPVImageView.h"
#include "engine/VideoViewChoice.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
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

// Counts the paints of the image view it watches and remembers which
// picture each one drew.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    qint64 paintedPicture = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            paintedPicture = static_cast<MPVImageView*>(watched)->picture().cacheKey();
        }
        return QObject::eventFilter(watched, event);
    }
};

struct ImageWindow {
    ContentWidget content;
    MPVImageView* view = new MPVImageView(&content);
    PaintCounter paints;

    ImageWindow() {
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

class MPVImageViewPlayback : public ::testing::Test {
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
    ImageWindow window;
    MPVEngineFactory factory;
    std::unique_ptr<PlaybackEngine> engine;
    int frames = 0;
    // Heartbeats that came before their picture was painted (while shown).
    int framesBeforeTheirPaint = 0;
};

TEST_F(MPVImageViewPlayback, PaintsTheCameraUprightAndCountsEachPictureOncePainted) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());
    // Each heartbeat comes after its own picture was painted, never before.
    EXPECT_EQ(framesBeforeTheirPaint, 0);

    const QImage picture = window.painted();
    const qreal ratio = window.view->devicePixelRatioF();
    EXPECT_EQ(window.view->picture().size(), QSize(qRound(640 * ratio), qRound(360 * ratio)));
    const QColor centre = pixelAt(picture, 0.5, 0.5);
    const QColor topLeft = pixelAt(picture, 0.04, 0.1);
    const QColor bottomLeft = pixelAt(picture, 0.04, 0.95);
    EXPECT_FALSE(isBlack(centre)) << centre.name().toStdString();
    EXPECT_GT(topLeft.red(), 120) << topLeft.name().toStdString();
    EXPECT_GT(topLeft.blue(), 120) << topLeft.name().toStdString();
    EXPECT_LT(bottomLeft.red(), 80) << bottomLeft.name().toStdString();

    ASSERT_TRUE(camera.showWhite());
    EXPECT_TRUE(
        processEventsUntil([&] { return pixelAt(window.painted(), 0.5, 0.5).lightness() > 220; }));
    ASSERT_GE(engine->loadFile(camera.secondUrl()), 0);
    EXPECT_TRUE(processEventsUntil([&] {
        const QColor colour = pixelAt(window.painted(), 0.5, 0.5);
        return colour.blue() > 150 && colour.red() < 80;
    }));
}

TEST_F(MPVImageViewPlayback, ResizingRedrawsWithoutCountingAndHiddenViewsKeepCounting) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());
    ASSERT_TRUE(camera.stall());
    ASSERT_TRUE(framesStop());

    const int framesBefore = frames;
    window.content.resize(500, 300);
    ASSERT_TRUE(processEventsUntil([&] { return window.view->width() == 500; }));
    processEventsFor(500ms);
    EXPECT_EQ(frames, framesBefore);
    const qreal ratio = window.view->devicePixelRatioF();
    EXPECT_EQ(window.view->picture().size(), QSize(qRound(500 * ratio), qRound(300 * ratio)));
    EXPECT_FALSE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));
    ASSERT_TRUE(camera.resume());
    ASSERT_TRUE(framesArrive());

    // Hidden or minimised: nothing is drawn or read back, every picture
    // still counts.
    window.content.hide();
    ASSERT_TRUE(processEventsUntil([&] { return !window.view->isVisible(); }));
    const qint64 pictureWhileHidden = window.view->picture().cacheKey();
    EXPECT_TRUE(framesArrive(20));
    EXPECT_EQ(window.view->picture().cacheKey(), pictureWhileHidden);
    window.content.showMinimized();
    ASSERT_TRUE(processEventsUntil([&] { return window.content.isMinimized(); }));
    EXPECT_TRUE(framesArrive(20));
    EXPECT_EQ(window.view->picture().cacheKey(), pictureWhileHidden);
    window.content.showNormal();
    ASSERT_TRUE(processEventsUntil([&] { return window.content.windowHandle()->isExposed(); }));
    EXPECT_TRUE(framesArrive(20));
    EXPECT_NE(window.view->picture().cacheKey(), pictureWhileHidden);
}

TEST_F(MPVImageViewPlayback, TheEnginesOwnRedrawsAreDrawnButNeverCounted) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());
    ASSERT_TRUE(camera.stall());
    ASSERT_TRUE(framesStop());

    // A rendering property changed on a still picture: the engine redraws it.
    const int framesBefore = frames;
    const qint64 before = window.view->picture().cacheKey();
    engine->setProperty(QStringLiteral("brightness"), QStringLiteral("-100"));
    ASSERT_TRUE(processEventsUntil([&] { return window.view->picture().cacheKey() != before; }));
    EXPECT_TRUE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));
    processEventsFor(500ms);
    EXPECT_EQ(frames, framesBefore);

    ASSERT_TRUE(camera.resume());
    EXPECT_TRUE(framesArrive());
}

TEST_F(MPVImageViewPlayback, DetachingKeepsTheLastPictureAndIgnoresLateUpdates) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());

    window.view->shutdownRenderContext();
    EXPECT_FALSE(window.view->isAttached());
    const int framesAfterDetach = frames;
    window.view->consumeRenderUpdates();
    rure_image_render_update(window.view);
    processEventsFor(1s);
    EXPECT_EQ(frames, framesAfterDetach);
    // An engine rebuild does not flash black...
    EXPECT_FALSE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));
    // ...but a resize without an engine has nothing to draw.
    window.content.resize(600, 340);
    ASSERT_TRUE(processEventsUntil([&] { return window.view->width() == 600; }));
    EXPECT_TRUE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));

    detach();
    attach();
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    EXPECT_TRUE(framesArrive());
    EXPECT_FALSE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));

    // An engine stopped for good: told to, the view forgets the picture it kept.
    window.view->clearPicture();
    EXPECT_FALSE(window.view->picture().isNull()) << "an attached view keeps the engine's picture";
    window.view->shutdownRenderContext();
    EXPECT_FALSE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));
    window.view->clearPicture();
    EXPECT_TRUE(window.view->picture().isNull());
    EXPECT_TRUE(isBlack(pixelAt(window.painted(), 0.5, 0.5)));
}

TEST_F(MPVImageViewPlayback, AStreamThatEndedDoesNotHoldTheNextLoadPaused) {
    auto* mpv = dynamic_cast<MPVEngine*>(engine.get());
    ASSERT_NE(mpv, nullptr);
    const auto paused = [mpv] {
        int flag = 0;
        return mpv_get_property(mpv->handle(), "pause", MPV_FORMAT_FLAG, &flag) >= 0 && flag != 0;
    };
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());

    // A camera that loses power ends its stream; the engine keeps the last
    // picture and pauses on it.
    camera.kill();
    ASSERT_TRUE(processEventsUntil(paused)) << "the ended stream did not pause the engine";
    ASSERT_TRUE(camera.restart());

    // The next load plays: a paused load would show its first picture and stop.
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    EXPECT_FALSE(paused());
    EXPECT_TRUE(framesArrive(30));
    EXPECT_FALSE(paused());
}

TEST(MPVImageView, AttachesBeforeBeingShownAndLetsThePointerThrough) {
    {
        MPVImageView hidden;
        MPVEngineFactory factory;
        auto outcome = factory.createEngine(hidden);
        ASSERT_EQ(outcome.index(), 0U);
        EXPECT_TRUE(hidden.isAttached());
        EXPECT_TRUE(isBlack(pixelAt(hidden.grab().toImage(), 0.5, 0.5)));
        hidden.shutdownRenderContext();
        hidden.shutdownRenderContext();
        EXPECT_FALSE(hidden.isAttached());
    }

    ImageWindow window;
    ASSERT_TRUE(window.show());
    const QPoint centre = window.view->geometry().center();
    EXPECT_EQ(QApplication::widgetAt(window.content.mapToGlobal(centre)), &window.content);
    QTest::mouseClick(window.content.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_TRUE(processEventsUntil([&] { return window.content.presses > 0; }));
    EXPECT_EQ(window.content.presses, 1);
}

TEST(VideoViewChoice, SoftwareRasterisersGetTheImageView) {
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)")));
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("softpipe")));
    EXPECT_TRUE(isSoftwareRenderer(QStringLiteral("Software Rasterizer")));
    EXPECT_FALSE(isSoftwareRenderer(QStringLiteral("Mesa Intel(R) UHD Graphics 620 (KBL GT2)")));
    EXPECT_FALSE(isSoftwareRenderer(QStringLiteral("NVIDIA GeForce RTX 3060/PCIe/SSE2")));
    EXPECT_FALSE(isSoftwareRenderer(QString()));

    using P = VideoPresentation;
    const QString llvmpipe = QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)");
    const QString gpu = QStringLiteral("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)");
    const struct {
        const char* requested;
        const QString& renderer;
        P expected;
        bool asksRenderer;
    } cases[] = {
        {"", llvmpipe, P::image, true},
        {"", gpu, P::openGLWidget, true},
        {"opengl", llvmpipe, P::openGLWidget, false},
        {" OpenGL\n", llvmpipe, P::openGLWidget, false},
        {"image", gpu, P::image, false},
        {"IMAGE", gpu, P::image, false},
        {"vulkan", gpu, P::openGLWidget, true},
    };
    for (const auto& c : cases) {
        bool asked = false;
        const P chosen = videoPresentationFor(QByteArray(c.requested), [&] {
            asked = true;
            return c.renderer;
        });
        EXPECT_EQ(chosen, c.expected) << c.requested;
        EXPECT_EQ(asked, c.asksRenderer) << c.requested;
    }

    QWidget parent;
    for (const VideoPresentation presentation :
         {VideoPresentation::image, VideoPresentation::openGLWidget}) {
        const CreatedVideoView created = createVideoView(presentation, &parent);
        ASSERT_NE(created.widget, nullptr);
        EXPECT_EQ(created.widget->parentWidget(), &parent);
        EXPECT_EQ(dynamic_cast<VideoView*>(created.widget), created.view);
        EXPECT_EQ(dynamic_cast<MPVImageView*>(created.widget) != nullptr,
                  presentation == VideoPresentation::image);
    }
}

} // namespace
} // namespace rure
