#pragma once

// What the tests of both video views share: the window content under the
// view, pixel checks, and waiting on the frame heartbeat.
#include "EngineTestSupport.h"

#include <QColor>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <chrono>

namespace rure::test {

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

} // namespace rure::test
