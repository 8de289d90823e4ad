#include "VideoViewTestSupport.h"
#include "support/TestCamera.h"

#include "engine/MPVEngine.h"
#include "engine/MPVEngineFactory.h"
#include "engine/MPVOpenGLView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <vector>

namespace rure {
namespace {

using namespace std::chrono_literals;
using test::ContentWidget;
using test::isBlack;
using test::pixelAt;
using test::processEventsFor;
using test::processEventsUntil;

// Counts the mouse presses delivered to the object it watches.
class PressCounter final : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            ++presses;
        }
        return QObject::eventFilter(watched, event);
    }
};

// A top-level window whose whole content is a video view.
struct VideoWindow {
    ContentWidget content;
    MPVOpenGLView* view = new MPVOpenGLView(&content);
    int swaps = 0;

    VideoWindow() {
        auto* layout = new QVBoxLayout(&content);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        content.resize(640, 360);
        QObject::connect(view, &QOpenGLWidget::frameSwapped, view, [this] { ++swaps; });
    }

    bool show() {
        content.show();
        const bool shown = processEventsUntil([this] {
            return content.windowHandle() != nullptr && content.windowHandle()->isExposed() &&
                   view->context() != nullptr && swaps > 0;
        });
        test::keepGLDriversLoaded();
        return shown;
    }
};

QColor centreOf(MPVOpenGLView& view) {
    return pixelAt(view.grabFramebuffer(), 0.5, 0.5);
}

// Plays the test camera in a shown window through a real engine, attached and
// torn down the way the controller does it.
class MPVOpenGLViewPlayback : public ::testing::Test {
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
        ++generation;
        loop = engine->makeEventLoop(generation, [this](PlaybackEngineEvent event, int64_t from) {
            if (from == generation) {
                events.push_back(event);
            }
        });
        loop->start();
        window.view->setFrameRenderedHandler([this] { ++frames; });
    }

    void detach() {
        window.view->setFrameRenderedHandler({});
        if (loop) {
            loop->stop();
        }
        window.view->shutdownRenderContext();
        loop.reset();
        engine.reset();
    }

    bool hasEvent(PlaybackEngineEvent::Kind kind) const {
        return std::any_of(events.begin(), events.end(),
                           [kind](const PlaybackEngineEvent& event) { return event.kind == kind; });
    }

    bool framesArrive(int count = 5) { return test::moreFramesArrive(frames, count); }

    bool framesStop() { return test::framesStop(frames); }

    test::TestCamera camera;
    VideoWindow window;
    MPVEngineFactory factory;
    std::unique_ptr<PlaybackEngine> engine;
    std::unique_ptr<EngineEventLoop> loop;
    int64_t generation = 0;
    std::vector<PlaybackEngineEvent> events;
    int frames = 0;
};

TEST_F(MPVOpenGLViewPlayback, DrawsTheCameraUprightAndReportsItsFrames) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());
    EXPECT_TRUE(hasEvent(PlaybackEngineEvent::Kind::fileLoaded));
    EXPECT_EQ(engine->integerProperty("video-params/w"), camera.options().width);
    EXPECT_EQ(engine->integerProperty("video-params/h"), camera.options().height);
    EXPECT_EQ(engine->integerProperty("video-params/rotate"), 0);
    // Each heartbeat stands for a presented picture, never for a mere notification.
    EXPECT_LE(frames, window.swaps);

    // The colour bars are on top, the dark blue "-I" block at the bottom left: a
    // picture drawn upside down swaps them.
    const QImage picture = window.view->grabFramebuffer();
    const QColor centre = pixelAt(picture, 0.5, 0.5);
    const QColor topLeft = pixelAt(picture, 0.04, 0.1);
    const QColor bottomLeft = pixelAt(picture, 0.04, 0.95);
    EXPECT_FALSE(isBlack(centre)) << centre.name().toStdString();
    EXPECT_GT(topLeft.red(), 120) << topLeft.name().toStdString();
    EXPECT_GT(topLeft.blue(), 120) << topLeft.name().toStdString();
    EXPECT_LT(bottomLeft.red(), 80) << bottomLeft.name().toStdString();

    ASSERT_TRUE(camera.showWhite());
    EXPECT_TRUE(processEventsUntil([&] { return centreOf(*window.view).lightness() > 220; }));

    // A new address replaces the stream in the same instance.
    ASSERT_GE(engine->loadFile(camera.secondUrl()), 0);
    EXPECT_TRUE(processEventsUntil([&] {
        const QColor colour = centreOf(*window.view);
        return colour.blue() > 150 && colour.red() < 80;
    }));
    EXPECT_TRUE(framesArrive());
}

TEST_F(MPVOpenGLViewPlayback, ResizingRedrawsWithoutCountingFrames) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());
    ASSERT_TRUE(camera.stall());
    ASSERT_TRUE(framesStop());

    const int framesBefore = frames;
    const int swapsBefore = window.swaps;
    window.content.resize(800, 450);
    ASSERT_TRUE(processEventsUntil([&] { return window.swaps > swapsBefore; }));
    window.content.resize(500, 300);
    ASSERT_TRUE(processEventsUntil([&] { return window.swaps > swapsBefore + 1; }));
    processEventsFor(500ms);
    EXPECT_EQ(frames, framesBefore);

    // The last frame is drawn again at the new size, in device pixels.
    const QImage picture = window.view->grabFramebuffer();
    const qreal ratio = window.view->devicePixelRatioF();
    EXPECT_EQ(picture.size(), QSize(qRound(500 * ratio), qRound(300 * ratio)));
    EXPECT_FALSE(isBlack(pixelAt(picture, 0.5, 0.5)));
    EXPECT_EQ(frames, framesBefore);

    ASSERT_TRUE(camera.resume());
    EXPECT_TRUE(framesArrive());
}

TEST_F(MPVOpenGLViewPlayback, HiddenOrMinimisedWindowKeepsReportingFrames) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());

    window.content.hide();
    ASSERT_TRUE(processEventsUntil([&] { return !window.view->isVisible(); }));
    const int swapsWhileHidden = window.swaps;
    EXPECT_TRUE(framesArrive(20));
    EXPECT_EQ(window.swaps, swapsWhileHidden); // nothing was drawn for them

    window.content.showMinimized();
    ASSERT_TRUE(processEventsUntil([&] { return window.content.isMinimized(); }));
    EXPECT_TRUE(framesArrive(20));

    window.content.showNormal();
    ASSERT_TRUE(processEventsUntil([&] { return window.content.windowHandle()->isExposed(); }));
    const int swapsShown = window.swaps;
    EXPECT_TRUE(framesArrive(20));
    EXPECT_GT(window.swaps, swapsShown);
    EXPECT_FALSE(isBlack(centreOf(*window.view)));
}

TEST_F(MPVOpenGLViewPlayback, LateUpdatesAfterDetachingDoNothing) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());

    window.view->shutdownRenderContext();
    EXPECT_FALSE(window.view->isAttached());
    const int framesAfterDetach = frames;
    window.view->consumeRenderUpdates();
    rure_render_update(window.view);
    processEventsFor(1s);
    EXPECT_EQ(frames, framesAfterDetach);
    // Told to forget its picture, a view without a render context clears to black.
    window.view->clearPicture();
    EXPECT_TRUE(isBlack(centreOf(*window.view)));

    // The same view takes a new engine instance.
    detach();
    attach();
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    EXPECT_TRUE(framesArrive());
    EXPECT_FALSE(isBlack(centreOf(*window.view)));
}

TEST_F(MPVOpenGLViewPlayback, MovingTheViewToAnotherWindowFreesItsRenderContext) {
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    ASSERT_TRUE(framesArrive());

    // The GL context, and with it every GL resource of the render context, is
    // replaced when the view changes windows.
    QWidget other;
    auto* layout = new QVBoxLayout(&other);
    layout->setContentsMargins(0, 0, 0, 0);
    other.resize(640, 360);
    layout->addWidget(window.view);
    other.show();
    ASSERT_TRUE(processEventsUntil([&] {
        return other.windowHandle() != nullptr && other.windowHandle()->isExposed() &&
               window.view->context() != nullptr;
    }));
    EXPECT_FALSE(window.view->isAttached());

    // A new instance attaches to the new context.
    detach();
    attach();
    ASSERT_GE(engine->loadFile(camera.url()), 0);
    EXPECT_TRUE(framesArrive());
    EXPECT_FALSE(isBlack(centreOf(*window.view)));

    detach();
    window.content.layout()->addWidget(window.view);
}

TEST(MPVOpenGLView, DetachedViewDrawsBlackAndShutsDownQuietly) {
    VideoWindow window;
    ASSERT_TRUE(window.show());
    int frames = 0;
    window.view->setFrameRenderedHandler([&] { ++frames; });
    EXPECT_FALSE(window.view->isAttached());
    window.view->shutdownRenderContext();
    window.view->shutdownRenderContext();
    window.view->consumeRenderUpdates();
    EXPECT_FALSE(window.view->isAttached());
    EXPECT_TRUE(isBlack(centreOf(*window.view)));
    processEventsFor(300ms);
    EXPECT_EQ(frames, 0);
}

TEST(MPVOpenGLView, AViewThatWasNeverShownCannotBeAttached) {
    MPVOpenGLView view;
    MPVEngineFactory factory;
    const auto outcome = factory.createEngine(view);
    ASSERT_EQ(outcome.index(), 1U);
    EXPECT_EQ(std::get<1>(outcome), EngineStartError::attach);
    EXPECT_FALSE(view.isAttached());
}

TEST(MPVOpenGLView, PointerPassesThroughToTheContent) {
    VideoWindow window;
    ASSERT_TRUE(window.show());
    PressCounter viewPresses;
    window.view->installEventFilter(&viewPresses);

    const QPoint centre = window.view->geometry().center();
    EXPECT_EQ(QApplication::widgetAt(window.content.mapToGlobal(centre)), &window.content);
    QTest::mouseClick(window.content.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_TRUE(processEventsUntil([&] { return window.content.presses > 0; }));
    EXPECT_EQ(window.content.presses, 1);
    EXPECT_EQ(viewPresses.presses, 0);
}

TEST(MPVOpenGLView, RequestsACoreProfileContextWithAlpha) {
    VideoWindow window;
    ASSERT_TRUE(window.show());
    const QSurfaceFormat format = window.view->context()->format();
    EXPECT_EQ(format.profile(), QSurfaceFormat::CoreProfile);
    EXPECT_GE(format.version(), qMakePair(3, 2));
    EXPECT_EQ(format.alphaBufferSize(), 8);
    EXPECT_EQ(format.redBufferSize(), 8);
    EXPECT_TRUE(window.view->testAttribute(Qt::WA_TransparentForMouseEvents));
}

} // namespace
} // namespace rure
