#pragma once

// What the tests of every video view share: a window whose content is the
// view, what the view shows, pixel checks, waiting on the frame heartbeat, and
// a fixture that plays the test camera through the engine session.
#include "EngineTestSupport.h"
#include "support/GLDriverResidency.h"
#include "support/TestCamera.h"

#include "engine/EngineSession.h"
#include "engine/MPVEngineFactory.h"
#include "engine/MPVImageView.h"
#include "engine/MPVOpenGLView.h"
#include "engine/MPVPictureView.h"
#include "engine/MPVSoftwareView.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace rure::test {

// Every video view, and the two that paint the engine's picture as an image.
using VideoViews = ::testing::Types<MPVOpenGLView, MPVImageView, MPVSoftwareView>;
using PictureViews = ::testing::Types<MPVImageView, MPVSoftwareView>;

template <typename View>
inline constexpr bool isPictureView = std::is_base_of_v<MPVPictureView, View>;

// The window's content: counts the presses that reach it.
class ContentWidget final : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

// Calls `seen` for each event of one type delivered to the objects it watches.
class EventWatch final : public QObject {
public:
    EventWatch(QEvent::Type type, std::function<void(QObject*)> seen)
        : type_(type), seen_(std::move(seen)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == type_) {
            seen_(watched);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type type_;
    std::function<void(QObject*)> seen_;
};

inline QColor pixelAt(const QImage& image, double x, double y) {
    return image.pixelColor(static_cast<int>(x * (image.width() - 1)),
                            static_cast<int>(y * (image.height() - 1)));
}

inline bool isBlack(const QColor& colour) {
    return colour.red() < 24 && colour.green() < 24 && colour.blue() < 24;
}

// Waits for `count` more heartbeats than `frames` holds now.
inline bool moreFramesArrive(const int& frames, int count = 5) {
    using namespace std::chrono_literals;
    const int target = frames + count;
    return processEventsUntil([&] { return frames >= target; }, 30s);
}

// Waits until no heartbeat has come for 1.5 s (the camera is stalled and the
// engine has shown what it had buffered).
inline bool framesStop(const int& frames) {
    using namespace std::chrono_literals;
    int seen = frames;
    int quietRounds = 0;
    return processEventsUntil(
        [&] {
            processEventsFor(100ms);
            quietRounds = frames == seen ? quietRounds + 1 : 0;
            seen = frames;
            return quietRounds >= 15;
        },
        30s);
}

// The engine's update callback of `view`, called as the engine calls it.
template <typename View> void postRenderUpdate(View& view) {
    if constexpr (isPictureView<View>) {
        rure_picture_render_update(static_cast<MPVPictureView*>(&view));
    } else {
        rure_render_update(&view);
    }
}

// A top-level window whose whole content is one video view. It counts the
// view's presentations: buffer swaps of the OpenGL view, paints of the picture
// views.
template <typename View> struct VideoWindow {
    ContentWidget content;
    View* view = new View(&content);
    int presentations = 0;
    // Which picture the last paint of a picture view drew.
    qint64 paintedPicture = 0;
    EventWatch paints{QEvent::Paint, [this](QObject*) {
                          ++presentations;
                          if constexpr (isPictureView<View>) {
                              paintedPicture = view->picture().cacheKey();
                          }
                      }};

    VideoWindow() {
        auto* layout = new QVBoxLayout(&content);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        content.resize(640, 360);
        if constexpr (isPictureView<View>) {
            view->installEventFilter(&paints);
        } else {
            QObject::connect(view, &QOpenGLWidget::frameSwapped, view, [this] { ++presentations; });
        }
    }

    bool show() {
        content.show();
        const bool shown = processEventsUntil([this] {
            return content.windowHandle() != nullptr && content.windowHandle()->isExposed() &&
                   presentations > 0;
        });
        keepGLDriversLoaded();
        return shown;
    }

    // What the view shows now, through its own drawing code.
    QImage shown() const {
        if constexpr (isPictureView<View>) {
            return view->grab().toImage();
        } else {
            return view->grabFramebuffer();
        }
    }

    QColor centre() const { return pixelAt(shown(), 0.5, 0.5); }

    // The size, in device pixels, of the last picture the engine drew.
    QSize drawnSize() const {
        if constexpr (isPictureView<View>) {
            return view->picture().size();
        } else {
            return view->grabFramebuffer().size();
        }
    }

    // Changes whenever the view draws a picture of the engine.
    qint64 drawingMark() const {
        if constexpr (isPictureView<View>) {
            return view->picture().cacheKey();
        } else {
            return presentations;
        }
    }
};

// Plays the test camera in a shown window through a real engine, attached and
// torn down by the engine session, as the controller does it.
template <typename View> class VideoViewPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(camera.start()) << "the test camera did not start";
        ASSERT_TRUE(window.show());
        attach();
    }

    void TearDown() override { detach(); }

    void attach() {
        ++generation;
        auto outcome = EngineSession::start(
            factory, {window.view, window.view}, generation,
            [this](PlaybackEngineEvent event, int64_t from) {
                if (from == generation) {
                    events.push_back(event);
                }
            },
            [this](int64_t from) {
                if (from == generation) {
                    countFrame();
                }
            });
        ASSERT_EQ(outcome.index(), 0U) << "the engine could not be created";
        session = std::move(std::get<0>(outcome));
        ASSERT_TRUE(window.view->isAttached());
    }

    void detach() { session.reset(); }

    PlaybackEngine& engine() { return session->engine(); }

    bool hasEvent(PlaybackEngineEvent::Kind kind) const {
        return std::any_of(events.begin(), events.end(),
                           [kind](const PlaybackEngineEvent& event) { return event.kind == kind; });
    }

    bool framesArrive(int count = 5) { return moreFramesArrive(frames, count); }

    bool framesStop() { return test::framesStop(frames); }

    TestCamera camera;
    VideoWindow<View> window;
    MPVEngineFactory factory;
    std::unique_ptr<EngineSession> session;
    int64_t generation = 0;
    std::vector<PlaybackEngineEvent> events;
    int frames = 0;
    // Heartbeats of a shown picture view that came before their picture was
    // painted.
    int framesBeforeTheirPaint = 0;

private:
    void countFrame() {
        ++frames;
        if constexpr (isPictureView<View>) {
            if (window.paintedPicture != window.view->picture().cacheKey()) {
                ++framesBeforeTheirPaint;
            }
        }
    }
};

} // namespace rure::test
