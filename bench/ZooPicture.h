#pragma once

#include "SoakTimeline.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace rure::test {
class TestCamera;
}

namespace rure::bench {

class ZooScreen;
class ZooViewerLog;

// What one 3 s reboot of the camera showed.
struct ZooReboot {
    std::optional<double> noticedSeconds; // kill to the viewer's first reaction
    std::optional<double> liveSeconds;    // camera serving again to a live picture
};

// Measurements that change the camera's picture (black, white) and time its
// arrival in the viewer's window, the way compare does: the camera records
// when it switched (CLOCK_MONOTONIC), the screen watch when the window centre
// changed. Problems are added to `problems` as text.
class ZooPicture {
public:
    // `pictureGap`: the longest regular wait between the camera's pictures.
    ZooPicture(test::TestCamera& camera, ZooScreen& screen, double pictureGap,
               QStringList& problems);

    // Black, then white once the window is black; the time of each switch to
    // white until the window turns white, in seconds.
    std::vector<double> latencies(int samples);
    // Switches black to white or white to black; the seconds until the window
    // followed, or nothing when it did not within `seconds`.
    std::optional<double> flip(double seconds);
    // With the window black: the camera dies, comes back on its port after
    // `outageSeconds` showing white; seconds from serving again to white.
    std::optional<double> powerLoss(double outageSeconds);
    // With the window black: the camera keeps its connections and sends
    // nothing for `seconds`, then white; seconds from the resume to white.
    std::optional<double> stall(double seconds);
    // A power loss of `outageSeconds` that also times the viewer's reaction:
    // its first recovery or status line change after the kill.
    ZooReboot reboot(double outageSeconds, const ZooViewerLog& log);

private:
    // Shows black and waits until the window is black.
    bool blackOnScreen(const QString& before);
    // Starts the camera again after a kill; the moment it serves.
    std::optional<SoakClock::time_point> restartCamera();
    std::optional<double> whiteAfter(SoakClock::time_point from, double seconds,
                                     const QString& what);
    double switchTimeout() const;

    test::TestCamera& camera_;
    ZooScreen& screen_;
    double pictureGap_;
    QStringList& problems_;
    bool black_ = false; // what the last flip showed
};

} // namespace rure::bench
