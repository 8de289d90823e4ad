// Every video view: the OpenGL widget, the view that reads software OpenGL back
// (image) and the engine's software renderer. They promise the same heartbeat
// and the same picture, so the shared tests run against each; what only one
// kind of view does is tested at the end.
#include "VideoViewTestSupport.h"

#include "engine/MPVEngine.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <QApplication>
#include <QOpenGLContext>
#include <QTest>

namespace rure::test {
namespace {

using namespace std::chrono_literals;

TYPED_TEST_SUITE(VideoViewPlayback, VideoViews);

TYPED_TEST(VideoViewPlayback, ShowsTheCameraUprightAndCountsEachPictureOnceShown) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    EXPECT_TRUE(this->hasEvent(PlaybackEngineEvent::Kind::fileLoaded));
    EXPECT_EQ(this->engine().integerProperty("video-params/w"), this->camera.options().width);
    EXPECT_EQ(this->engine().integerProperty("video-params/h"), this->camera.options().height);
    EXPECT_EQ(this->engine().integerProperty("video-params/rotate"), 0);
    // Each heartbeat stands for a presented picture, never for a mere
    // notification; a picture view's comes after its own picture was painted.
    EXPECT_LE(this->frames, this->window.presentations);
    if constexpr (isPictureView<TypeParam>) {
        EXPECT_EQ(this->framesBeforeTheirPaint, 0);
    }

    const qreal ratio = this->window.view->devicePixelRatioF();
    EXPECT_EQ(this->window.drawnSize(), QSize(qRound(640 * ratio), qRound(360 * ratio)));
    // The colour bars are on top, the dark blue "-I" block at the bottom left: a
    // picture drawn upside down swaps them.
    const QImage picture = this->window.shown();
    const QColor centre = pixelAt(picture, 0.5, 0.5);
    const QColor topLeft = pixelAt(picture, 0.04, 0.1);
    const QColor bottomLeft = pixelAt(picture, 0.04, 0.95);
    EXPECT_FALSE(isBlack(centre)) << centre.name().toStdString();
    EXPECT_GT(topLeft.red(), 120) << topLeft.name().toStdString();
    EXPECT_GT(topLeft.blue(), 120) << topLeft.name().toStdString();
    EXPECT_LT(bottomLeft.red(), 80) << bottomLeft.name().toStdString();

    ASSERT_TRUE(this->camera.showWhite());
    EXPECT_TRUE(processEventsUntil([&] { return this->window.centre().lightness() > 220; }));

    // A new address replaces the stream in the same instance.
    ASSERT_GE(this->engine().loadFile(this->camera.secondUrl()), 0);
    EXPECT_TRUE(processEventsUntil([&] {
        const QColor colour = this->window.centre();
        return colour.blue() > 150 && colour.red() < 80;
    }));
    EXPECT_TRUE(this->framesArrive());
}

TYPED_TEST(VideoViewPlayback, ResizingRedrawsTheLastPictureWithoutCountingIt) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    ASSERT_TRUE(this->camera.stall());
    ASSERT_TRUE(this->framesStop());

    const int framesBefore = this->frames;
    for (const QSize size : {QSize(800, 450), QSize(500, 300)}) {
        const int presentationsBefore = this->window.presentations;
        this->window.content.resize(size);
        ASSERT_TRUE(processEventsUntil([&] {
            return this->window.view->size() == size &&
                   this->window.presentations > presentationsBefore;
        }));
    }
    processEventsFor(500ms);
    EXPECT_EQ(this->frames, framesBefore);

    // The last picture is drawn again at the new size, in device pixels.
    const qreal ratio = this->window.view->devicePixelRatioF();
    EXPECT_EQ(this->window.drawnSize(), QSize(qRound(500 * ratio), qRound(300 * ratio)));
    EXPECT_FALSE(isBlack(this->window.centre()));
    EXPECT_EQ(this->frames, framesBefore);

    ASSERT_TRUE(this->camera.resume());
    EXPECT_TRUE(this->framesArrive());
}

TYPED_TEST(VideoViewPlayback, HiddenOrMinimisedViewsKeepCountingWithoutDrawing) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());

    this->window.content.hide();
    ASSERT_TRUE(processEventsUntil([&] { return !this->window.view->isVisible(); }));
    const qint64 drawnWhileHidden = this->window.drawingMark();
    EXPECT_TRUE(this->framesArrive(20));
    EXPECT_EQ(this->window.drawingMark(), drawnWhileHidden);

    this->window.content.showMinimized();
    ASSERT_TRUE(processEventsUntil([&] { return this->window.content.isMinimized(); }));
    EXPECT_TRUE(this->framesArrive(20));
    if constexpr (isPictureView<TypeParam>) {
        // Nothing drawn or read back; a GL widget may still be painted by Qt
        // itself when its window is shown minimised.
        EXPECT_EQ(this->window.drawingMark(), drawnWhileHidden);
    }

    this->window.content.showNormal();
    ASSERT_TRUE(
        processEventsUntil([&] { return this->window.content.windowHandle()->isExposed(); }));
    const qint64 drawnWhenShown = this->window.drawingMark();
    EXPECT_TRUE(this->framesArrive(20));
    EXPECT_NE(this->window.drawingMark(), drawnWhenShown);
    EXPECT_FALSE(isBlack(this->window.centre()));
}

TYPED_TEST(VideoViewPlayback, TheEnginesOwnRedrawsAreDrawnButNeverCounted) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());
    ASSERT_TRUE(this->camera.stall());
    ASSERT_TRUE(this->framesStop());

    // A rendering property changed on a still picture: the engine redraws it,
    // here moved a whole picture's width aside.
    const int framesBefore = this->frames;
    ASSERT_FALSE(isBlack(this->window.centre()));
    this->engine().setProperty(QStringLiteral("video-pan-x"), QStringLiteral("1"));
    EXPECT_TRUE(processEventsUntil([&] { return isBlack(this->window.centre()); }));
    processEventsFor(500ms);
    EXPECT_EQ(this->frames, framesBefore);

    ASSERT_TRUE(this->camera.resume());
    EXPECT_TRUE(this->framesArrive());
}

TYPED_TEST(VideoViewPlayback, EachPictureOfASlowCameraCountsOnce) {
    // The engine announces a picture ahead of its display time and again when
    // that time comes; at one picture a second both would be seen.
    TestCamera slowCamera;
    TestCamera::Options options;
    options.fps = 1;
    options.width = 320;
    options.height = 240;
    ASSERT_TRUE(slowCamera.start(options));
    ASSERT_GE(this->engine().loadFile(slowCamera.url()), 0);
    ASSERT_TRUE(this->framesArrive(1));
    const int first = this->frames;
    processEventsFor(6500ms);
    const int pictures = this->frames - first;
    EXPECT_GE(pictures, 5);
    EXPECT_LE(pictures, 7);
}

TYPED_TEST(VideoViewPlayback, LateUpdatesAfterDetachingDoNothingAndANewEngineDraws) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());

    this->window.view->shutdownRenderContext();
    EXPECT_FALSE(this->window.view->isAttached());
    const int framesAfterDetach = this->frames;
    this->window.view->consumeRenderUpdates();
    postRenderUpdate(*this->window.view);
    processEventsFor(1s);
    EXPECT_EQ(this->frames, framesAfterDetach);
    // Told to forget its picture, a view without a render context shows black.
    this->window.view->clearPicture();
    EXPECT_TRUE(isBlack(this->window.centre()));

    // The same view takes a new engine instance.
    this->detach();
    this->attach();
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    EXPECT_TRUE(this->framesArrive());
    EXPECT_FALSE(isBlack(this->window.centre()));
}

TYPED_TEST(VideoViewPlayback, AStreamThatEndedDoesNotHoldTheNextLoadPaused) {
    auto* mpv = dynamic_cast<MPVEngine*>(&this->engine());
    ASSERT_NE(mpv, nullptr);
    const auto paused = [mpv] {
        int flag = 0;
        return mpv_get_property(mpv->handle(), "pause", MPV_FORMAT_FLAG, &flag) >= 0 && flag != 0;
    };
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());

    // A camera that loses power ends its stream; the engine keeps the last
    // picture and pauses on it.
    this->camera.kill();
    ASSERT_TRUE(processEventsUntil(paused)) << "the ended stream did not pause the engine";
    ASSERT_TRUE(this->camera.restart());

    // The next load plays: a paused load would show its first picture and stop.
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    EXPECT_FALSE(paused());
    EXPECT_TRUE(this->framesArrive(30));
    EXPECT_FALSE(paused());
}

// A shown view that no engine was ever attached to.
template <typename View> class DetachedVideoView : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window.show()); }

    VideoWindow<View> window;
};

TYPED_TEST_SUITE(DetachedVideoView, VideoViews);

TYPED_TEST(DetachedVideoView, DrawsBlackAndShutsDownQuietly) {
    int frames = 0;
    this->window.view->setFrameRenderedHandler([&] { ++frames; });
    EXPECT_FALSE(this->window.view->isAttached());
    this->window.view->shutdownRenderContext();
    this->window.view->shutdownRenderContext();
    this->window.view->consumeRenderUpdates();
    this->window.view->clearPicture();
    EXPECT_FALSE(this->window.view->isAttached());
    EXPECT_TRUE(isBlack(this->window.centre()));
    processEventsFor(300ms);
    EXPECT_EQ(frames, 0);
}

TYPED_TEST(DetachedVideoView, PointerPassesThroughToTheContent) {
    int viewPresses = 0;
    EventWatch pressWatch(QEvent::MouseButtonPress, [&](QObject*) { ++viewPresses; });
    this->window.view->installEventFilter(&pressWatch);

    const QPoint centre = this->window.view->geometry().center();
    EXPECT_EQ(QApplication::widgetAt(this->window.content.mapToGlobal(centre)),
              &this->window.content);
    QTest::mouseClick(this->window.content.windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_TRUE(processEventsUntil([&] { return this->window.content.presses > 0; }));
    EXPECT_EQ(this->window.content.presses, 1);
    EXPECT_EQ(viewPresses, 0);
}

// The OpenGL view alone: its GL context belongs to its window.

class OpenGLViewPlayback : public VideoViewPlayback<MPVOpenGLView> {};

TEST_F(OpenGLViewPlayback, MovingTheViewToAnotherWindowFreesItsRenderContext) {
    ASSERT_GE(engine().loadFile(camera.url()), 0);
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
    ASSERT_GE(engine().loadFile(camera.url()), 0);
    EXPECT_TRUE(framesArrive());
    EXPECT_FALSE(isBlack(window.centre()));

    detach();
    window.content.layout()->addWidget(window.view);
}

TEST(MPVOpenGLView, AViewThatWasNeverShownCannotBeAttached) {
    MPVOpenGLView view;
    MPVEngineFactory factory;
    const auto outcome = factory.createEngine(view);
    ASSERT_EQ(outcome.index(), 1U);
    EXPECT_EQ(std::get<1>(outcome), EngineStartError::attach);
    EXPECT_FALSE(view.isAttached());
}

TEST(MPVOpenGLView, RequestsACoreProfileContextWithAlpha) {
    VideoWindow<MPVOpenGLView> window;
    ASSERT_TRUE(window.show());
    const QSurfaceFormat format = window.view->context()->format();
    EXPECT_EQ(format.profile(), QSurfaceFormat::CoreProfile);
    EXPECT_GE(format.version(), qMakePair(3, 2));
    EXPECT_EQ(format.alphaBufferSize(), 8);
    EXPECT_EQ(format.redBufferSize(), 8);
    EXPECT_TRUE(window.view->testAttribute(Qt::WA_TransparentForMouseEvents));
}

// The picture views alone: they need no window to attach, and keep their last
// picture across an engine rebuild.

template <typename View> class PictureView : public ::testing::Test {};
TYPED_TEST_SUITE(PictureView, PictureViews);

TYPED_TEST(PictureView, AttachesBeforeBeingShown) {
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

template <typename View> class PictureViewPlayback : public VideoViewPlayback<View> {};
TYPED_TEST_SUITE(PictureViewPlayback, PictureViews);

TYPED_TEST(PictureViewPlayback, DetachingKeepsTheLastPictureUntilResizedOrCleared) {
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    ASSERT_TRUE(this->framesArrive());

    // An engine rebuild does not flash black...
    this->window.view->shutdownRenderContext();
    EXPECT_FALSE(isBlack(this->window.centre()));
    // ...but a resize without an engine has nothing to draw.
    this->window.content.resize(600, 340);
    ASSERT_TRUE(processEventsUntil([&] { return this->window.view->width() == 600; }));
    EXPECT_TRUE(isBlack(this->window.centre()));

    this->detach();
    this->attach();
    ASSERT_GE(this->engine().loadFile(this->camera.url()), 0);
    EXPECT_TRUE(this->framesArrive());
    EXPECT_FALSE(isBlack(this->window.centre()));

    // An engine stopped for good: told to, the view forgets the picture it kept.
    this->window.view->clearPicture();
    EXPECT_FALSE(this->window.view->picture().isNull()) << "an attached view keeps its picture";
    this->window.view->shutdownRenderContext();
    EXPECT_FALSE(isBlack(this->window.centre()));
    this->window.view->clearPicture();
    EXPECT_TRUE(this->window.view->picture().isNull());
    EXPECT_TRUE(isBlack(this->window.centre()));
}

} // namespace
} // namespace rure::test
