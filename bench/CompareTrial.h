#pragma once

#include "BenchSupport.h"

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace rure::test {
class TestCamera;
}

namespace rure::bench {

class ComparePlayer;
class ScreenProbe;

// How one launch of a player is measured.
struct CompareSettings {
    QRect frame{100, 100, 640, 360}; // the window every player asks for
    int switches = 5;                // black-to-white switches per launch
    double cpuSeconds = 6;           // sampled playback per launch
    double outageSeconds = 5;        // how long the camera stays dead
    double startTimeoutSeconds = 30;
    double recoveryTimeoutSeconds = 60;
};

enum class RecoveryOutcome {
    notTried,
    recovered,
    never,       // no live picture within the time-out, or the player quit
    notMeasured, // the trial could not be set up (say the picture never went black)
};

// What one launch of one player showed.
struct LaunchResult {
    std::optional<double> startSeconds;
    std::optional<double> playSeconds; // process start to the camera's PLAY request
    std::vector<double> latencySeconds;
    std::optional<double> cpuShare; // of one core
    std::optional<double> peakResidentMiB;
    RecoveryOutcome recovery = RecoveryOutcome::notTried;
    double recoverySeconds = 0;
    QString note; // why a figure is missing
};

// Measures one launch of a player against the shared test camera by reading the
// centre pixel of the player's window off the screen: the same method for every
// player.
//
//  1. start-up: process start until the centre shows the camera's colour bars,
//     and until the camera received the player's PLAY request;
//  2. glass-to-glass: the camera turns black, and once the window is black the
//     camera turns white; from the camera's own record of that switch until the
//     window centre reads white, polled about every millisecond;
//  3. CPU share and peak resident memory over a stretch of playback;
//  4. recovery: the camera is killed and started again on the same port some
//     seconds later showing white; from the moment it serves again until the
//     window centre reads white.
class CompareTrial {
public:
    CompareTrial(ScreenProbe& probe, test::TestCamera& camera, CompareSettings settings);

    // Leaves the camera running and showing its colour bars.
    LaunchResult run(ComparePlayer& player, bool measureRecovery);

private:
    using ColourTest = std::function<bool(QRgb)>;

    std::optional<double> measureStart(ComparePlayer& player, LaunchResult& result);
    std::vector<double> measureLatency(ComparePlayer& player, QString& note);
    void measureUsage(ComparePlayer& player, LaunchResult& result);
    void measureRecovery(ComparePlayer& player, LaunchResult& result);
    // Polls the window centre until `accept` holds; the instant of that read, or
    // nothing on time-out or when the player quits.
    std::optional<qint64> waitForCentre(ComparePlayer& player, const ColourTest& accept,
                                        double timeoutSeconds);
    void locateWindow(ComparePlayer& player);

    ScreenProbe& probe_;
    test::TestCamera& camera_;
    CompareSettings settings_;
    QPoint centre_;
};

} // namespace rure::bench
