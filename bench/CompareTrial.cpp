#include "CompareTrial.h"

#include "ComparePlayer.h"
#include "ProcessUsage.h"
#include "ScreenProbe.h"
#include "support/TestCamera.h"

#include <QRandomGenerator>
#include <QThread>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace rure::bench {

namespace {

// Between two pixel reads; a read itself is one round trip to the X server
// (0.03 to 0.3 ms here).
constexpr useconds_t pollPauseMicroseconds = 1000;
// How long a player gets to show a black picture before a switch to white.
constexpr double blackTimeoutSeconds = 10;

qint64 secondsToNanoseconds(double seconds) {
    return static_cast<qint64>(seconds * 1e9);
}

} // namespace

CompareTrial::CompareTrial(ScreenProbe& probe, test::TestCamera& camera, CompareSettings settings)
    : probe_(probe), camera_(camera), settings_(settings) {}

LaunchResult CompareTrial::run(ComparePlayer& player, bool measureRecoveryToo) {
    LaunchResult result;
    centre_ = settings_.frame.center();
    result.startSeconds = measureStart(player, result);
    if (!result.startSeconds) {
        return result;
    }
    result.latencySeconds = measureLatency(player, result.note);
    camera_.showPattern();
    if (player.isRunning()) {
        measureUsage(player, result);
    }
    if (measureRecoveryToo && player.isRunning()) {
        measureRecovery(player, result);
    }
    return result;
}

void CompareTrial::locateWindow(ComparePlayer& player) {
    if (const std::optional<QRect> rect =
            probe_.windowRectOfProcess(static_cast<pid_t>(player.processId()))) {
        centre_ = rect->center();
    }
}

std::optional<double> CompareTrial::measureStart(ComparePlayer& player, LaunchResult& result) {
    QString& note = result.note;
    const qint64 startedAt = monotonicNanoseconds();
    if (!player.start()) {
        note = QStringLiteral("did not start");
        return std::nullopt;
    }
    // Until the player's window is found its centre is taken to be where every
    // player was asked to put it; the bare root window around it is black.
    const qint64 deadline = startedAt + secondsToNanoseconds(settings_.startTimeoutSeconds);
    bool located = false;
    int reads = 0;
    while (true) {
        if (!located && reads % 20 == 0) {
            if (const std::optional<QRect> rect =
                    probe_.windowRectOfProcess(static_cast<pid_t>(player.processId()))) {
                centre_ = rect->center();
                located = true;
            }
        }
        const std::optional<QRgb> colour = probe_.pixelAt(centre_.x(), centre_.y());
        const qint64 now = monotonicNanoseconds();
        if (colour && isColourful(*colour)) {
            if (!located) {
                locateWindow(player);
            }
            if (const qint64 playAt = camera_.lastPlayNanoseconds(); playAt >= startedAt) {
                result.playSeconds = static_cast<double>(playAt - startedAt) / 1e9;
            }
            return static_cast<double>(now - startedAt) / 1e9;
        }
        if (now > deadline) {
            note = QStringLiteral("no picture within %1 s").arg(settings_.startTimeoutSeconds);
            return std::nullopt;
        }
        if (++reads % 100 == 0 && !player.isRunning()) {
            note = QStringLiteral("quit before its first picture");
            return std::nullopt;
        }
        usleep(pollPauseMicroseconds);
    }
}

std::vector<double> CompareTrial::measureLatency(ComparePlayer& player, QString& note) {
    std::vector<double> latencies;
    int retries = 0;
    locateWindow(player);
    for (int i = 0; i < settings_.switches; ++i) {
        if (!camera_.showBlack() ||
            !waitForCentre(
                player, [](QRgb c) { return isDark(c); }, blackTimeoutSeconds)) {
            note = QStringLiteral("picture did not turn black");
            break;
        }
        // A random pause spreads the switches over the camera's frame period.
        QThread::usleep(100000 + QRandomGenerator::global()->bounded(200000));
        // A player that flickers back to an older picture would be timed from
        // the wrong instant; such a switch is tried again.
        const std::optional<QRgb> before = probe_.pixelAt(centre_.x(), centre_.y());
        if (!before || !isDark(*before)) {
            std::fprintf(stderr, "    the picture left black before the switch; trying again\n");
            --i;
            if (++retries > settings_.switches) {
                note = QStringLiteral("picture did not stay black");
                break;
            }
            continue;
        }
        if (!camera_.showWhite()) {
            note = QStringLiteral("camera did not switch");
            break;
        }
        const qint64 switchedAt = camera_.lastSwitchNanoseconds();
        const std::optional<qint64> seenAt = waitForCentre(
            player, [](QRgb c) { return isBright(c); }, blackTimeoutSeconds);
        if (!seenAt) {
            note = QStringLiteral("picture did not turn white");
            break;
        }
        latencies.push_back(static_cast<double>(*seenAt - switchedAt) / 1e9);
    }
    return latencies;
}

void CompareTrial::measureUsage(ComparePlayer& player, LaunchResult& result) {
    // The colour bars need a moment to replace the white picture everywhere.
    QThread::msleep(500);
    const qint64 pid = player.processId();
    const std::optional<ProcessUsage> before = ProcessUsage::of(pid);
    const qint64 from = monotonicNanoseconds();
    QThread::usleep(static_cast<unsigned long>(settings_.cpuSeconds * 1e6));
    const std::optional<ProcessUsage> after = ProcessUsage::of(pid);
    const qint64 to = monotonicNanoseconds();
    if (!before || !after || !player.isRunning()) {
        result.note = QStringLiteral("quit while playing");
        return;
    }
    result.cpuShare =
        (after->cpuSeconds - before->cpuSeconds) / (static_cast<double>(to - from) / 1e9);
    result.peakResidentMiB = after->peakResidentMiB;
}

void CompareTrial::measureRecovery(ComparePlayer& player, LaunchResult& result) {
    // The picture goes black before the outage and the camera comes back white:
    // whatever a player keeps showing in between, only a picture of the new
    // stream reads white.
    locateWindow(player);
    if (!camera_.showBlack() ||
        !waitForCentre(
            player, [](QRgb c) { return isDark(c); }, blackTimeoutSeconds)) {
        result.recovery = RecoveryOutcome::notMeasured;
        result.note = QStringLiteral("picture did not turn black before the outage");
        camera_.showPattern();
        return;
    }
    camera_.kill();
    const qint64 outageEnd = monotonicNanoseconds() + secondsToNanoseconds(settings_.outageSeconds);
    while (monotonicNanoseconds() < outageEnd) {
        QThread::msleep(100);
    }
    if (!camera_.restart()) {
        result.recovery = RecoveryOutcome::notMeasured;
        result.note = QStringLiteral("the camera did not come back");
        return;
    }
    const qint64 servingAt = monotonicNanoseconds();
    // A client that connects in the moment before this sees the colour bars for
    // one frame and then white.
    camera_.showWhite();
    if (!player.isRunning()) {
        result.recovery = RecoveryOutcome::never;
        result.note = QStringLiteral("quit when the camera went away");
        camera_.showPattern();
        return;
    }
    const std::optional<qint64> liveAt = waitForCentre(
        player, [](QRgb c) { return isBright(c); }, settings_.recoveryTimeoutSeconds);
    camera_.showPattern();
    if (!liveAt) {
        result.recovery = RecoveryOutcome::never;
        result.note = player.isRunning() ? QStringLiteral("no live picture within %1 s")
                                               .arg(settings_.recoveryTimeoutSeconds)
                                         : QStringLiteral("quit after the camera went away");
        return;
    }
    result.recovery = RecoveryOutcome::recovered;
    result.recoverySeconds = static_cast<double>(*liveAt - servingAt) / 1e9;
}

std::optional<qint64> CompareTrial::waitForCentre(ComparePlayer& player, const ColourTest& accept,
                                                  double timeoutSeconds) {
    const qint64 deadline = monotonicNanoseconds() + secondsToNanoseconds(timeoutSeconds);
    for (int reads = 1;; ++reads) {
        const std::optional<QRgb> colour = probe_.pixelAt(centre_.x(), centre_.y());
        const qint64 now = monotonicNanoseconds();
        if (colour && accept(*colour)) {
            return now;
        }
        if (now > deadline) {
            return std::nullopt;
        }
        if (reads % 200 == 0) {
            if (!player.isRunning()) {
                return std::nullopt;
            }
            // A player may have moved or re-created its window.
            locateWindow(player);
        }
        usleep(pollPauseMicroseconds);
    }
}

} // namespace rure::bench
