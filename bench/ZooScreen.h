#pragma once

#include "ScreenProbe.h"
#include "SoakPictureWatch.h"

#include <QRect>

#include <functional>
#include <optional>

namespace rure::bench {

// What the viewer's window shows in its centre: follows the window of one
// process on the X screen and watches its centre from a thread of its own
// (SoakPictureWatch), keeping every change of shade with its time.
class ZooScreen {
public:
    // Nothing when the X display cannot be opened.
    static std::unique_ptr<ZooScreen> open();

    ZooScreen(const ZooScreen&) = delete;
    ZooScreen& operator=(const ZooScreen&) = delete;

    // Watches the centre of `expectedFrame` until the window of process `pid`
    // is found, then the centre of that window.
    void follow(qint64 pid, const QRect& expectedFrame);
    // Looks the window up again (a viewer may move or re-create it); done by
    // every wait about once a second.
    void relocate();

    // Fine pace reads every millisecond, for latency; coarse every 10 ms.
    void setFinePace(bool fine) { watch_.setFinePace(fine); }
    SoakShade current() const { return watch_.current(); }
    QRgb currentColour() const { return watch_.currentColour(); }
    std::optional<SoakClock::time_point> firstShownSince(SoakShade shade,
                                                         SoakClock::time_point since) const {
        return watch_.firstShownSince(shade, since);
    }

    // Waits until `shade` was shown at or after `since`, for at most `seconds`
    // from now; when it was first shown, or nothing on time-out or interrupt.
    std::optional<SoakClock::time_point> waitForShade(SoakShade shade, SoakClock::time_point since,
                                                      double seconds);
    // Polls `done` every few milliseconds; false on time-out or interrupt.
    bool waitUntil(const std::function<bool()>& done, double seconds);
    // Lets `seconds` pass; false when interrupted.
    bool pause(double seconds);

private:
    explicit ZooScreen(ScreenProbe probe);

    ScreenProbe probe_;
    SoakPictureWatch watch_;
    qint64 pid_ = 0;
    SoakClock::time_point lastLocated_{};
};

} // namespace rure::bench
