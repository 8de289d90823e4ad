#pragma once

#include "SoakTimeline.h"

#include <QPoint>
#include <QRgb>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace rure::bench {

// What the centre of the viewer window shows, as far as the soak tells apart.
enum class SoakShade {
    unknown, // not read yet, or the read failed
    black,
    white,
    bars,  // the green bar in the middle of the test camera's colour bars
    other, // anything else (a picture being torn or scaled, an empty view)
};

QString shadeName(SoakShade shade);
SoakShade classifyShade(QRgb colour);

// Watches one screen point (the centre of the viewer window) from a thread of
// its own, through its own connection to the X server, so that what is on the
// glass is seen whatever the GUI thread is doing. Keeps every change of shade
// with the time it was first seen.
class SoakPictureWatch {
public:
    SoakPictureWatch();
    ~SoakPictureWatch();
    SoakPictureWatch(const SoakPictureWatch&) = delete;
    SoakPictureWatch& operator=(const SoakPictureWatch&) = delete;

    // False when the display could not be opened.
    bool isWatching() const { return opened_; }

    void setPoint(QPoint screenPoint);
    // Reading every millisecond or two costs the X server a little; the fine
    // pace is for latency samples, the coarse one (10 ms) for everything else.
    void setFinePace(bool fine);

    SoakShade current() const;
    QRgb currentColour() const;
    // When the point first showed `shade` at or after `since`; `since` itself
    // when it already showed it then.
    std::optional<SoakClock::time_point> firstShownSince(SoakShade shade,
                                                         SoakClock::time_point since) const;

private:
    struct Change {
        SoakClock::time_point at;
        SoakShade shade;
    };

    void run();

    std::atomic<bool> stopping_{false};
    std::atomic<bool> fine_{false};
    std::atomic<int> x_{-1};
    std::atomic<int> y_{-1};
    bool opened_ = false;
    mutable std::mutex mutex_;
    std::vector<Change> changes_;
    QRgb colour_ = 0;
    std::thread thread_;
};

} // namespace rure::bench
