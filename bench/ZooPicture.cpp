#include "ZooPicture.h"

#include "ZooScreen.h"
#include "ZooViewerLog.h"
#include "support/TestCamera.h"

#include <QRandomGenerator>

namespace rure::bench {

namespace {

// How long a live picture may take to follow a switch beyond the camera's
// picture gap, before the window counts as not following.
constexpr double switchAllowance = 10.0;
constexpr double recoveryTimeout = 60.0;
constexpr double stallReturnTimeout = 30.0;
constexpr int restartAttempts = 3;

double secondsFrom(SoakClock::time_point from, SoakClock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

} // namespace

ZooPicture::ZooPicture(test::TestCamera& camera, ZooScreen& screen, double pictureGap,
                       QStringList& problems)
    : camera_(camera), screen_(screen), pictureGap_(pictureGap), problems_(problems) {}

double ZooPicture::switchTimeout() const {
    return pictureGap_ + switchAllowance;
}

bool ZooPicture::blackOnScreen(const QString& before) {
    const SoakClock::time_point asked = SoakClock::now();
    if (!camera_.showBlack()) {
        problems_ << QStringLiteral("the camera did not turn black %1").arg(before);
        return false;
    }
    black_ = true;
    if (!screen_.waitForShade(SoakShade::black, asked, switchTimeout())) {
        problems_ << QStringLiteral("the picture did not turn black %1").arg(before);
        return false;
    }
    return true;
}

std::vector<double> ZooPicture::latencies(int samples) {
    std::vector<double> seconds;
    screen_.setFinePace(true);
    int retries = 0;
    for (int i = 0; i < samples; ++i) {
        if (!blackOnScreen(QStringLiteral("for a latency sample"))) {
            break;
        }
        // A random pause spreads the switches over the camera's frame period.
        screen_.pause(0.1 + QRandomGenerator::global()->bounded(0.2));
        // A viewer that flickers back to an older picture would be timed from
        // the wrong instant; such a switch is tried again.
        if (screen_.current() != SoakShade::black) {
            if (++retries > samples) {
                problems_ << QStringLiteral("the picture did not stay black for a latency sample");
                break;
            }
            --i;
            continue;
        }
        if (!camera_.showWhite()) {
            problems_ << QStringLiteral("the camera did not turn white for a latency sample");
            break;
        }
        black_ = false;
        const SoakClock::time_point switchedAt =
            SoakTimeline::fromMonotonicNanoseconds(camera_.lastSwitchNanoseconds());
        const auto seen = screen_.waitForShade(SoakShade::white, switchedAt, switchTimeout());
        if (!seen) {
            problems_ << QStringLiteral("the picture did not turn white for a latency sample");
            break;
        }
        seconds.push_back(secondsFrom(switchedAt, *seen));
    }
    screen_.setFinePace(false);
    return seconds;
}

std::optional<double> ZooPicture::flip(double seconds) {
    const SoakShade before = black_ ? SoakShade::black : SoakShade::white;
    const SoakShade target = black_ ? SoakShade::white : SoakShade::black;
    if (!(black_ ? camera_.showWhite() : camera_.showBlack())) {
        return std::nullopt;
    }
    black_ = !black_;
    const SoakClock::time_point switchedAt =
        SoakTimeline::fromMonotonicNanoseconds(camera_.lastSwitchNanoseconds());
    const auto secondsLeft = [&] {
        return std::max(0.0, seconds - secondsFrom(switchedAt, SoakClock::now()));
    };
    // A window that lags by more than one switch still shows the picture of
    // the switch before the last, in the same shade: this switch can only
    // show after the last one has.
    SoakClock::time_point from = switchedAt;
    if (screen_.firstShownSince(target, switchedAt) == switchedAt) {
        const auto last = screen_.waitForShade(before, switchedAt, secondsLeft());
        if (!last) {
            return std::nullopt;
        }
        from = *last;
    }
    const auto seen = screen_.waitForShade(target, from, secondsLeft());
    if (!seen || secondsFrom(switchedAt, *seen) > seconds) {
        return std::nullopt;
    }
    return secondsFrom(switchedAt, *seen);
}

std::optional<SoakClock::time_point> ZooPicture::restartCamera() {
    for (int attempt = 0; attempt < restartAttempts; ++attempt) {
        if (camera_.restart()) {
            return SoakClock::now();
        }
    }
    problems_ << QStringLiteral("the camera did not start again");
    return std::nullopt;
}

std::optional<double> ZooPicture::whiteAfter(SoakClock::time_point from, double seconds,
                                             const QString& what) {
    // A client that connects in the moment before the switch sees the colour
    // bars for one frame, then white.
    if (!camera_.showWhite()) {
        problems_ << QStringLiteral("the camera did not turn white %1").arg(what);
        return std::nullopt;
    }
    black_ = false;
    const auto seen = screen_.waitForShade(SoakShade::white, from, seconds);
    if (!seen) {
        problems_ << QStringLiteral("no live picture within %1 s %2").arg(seconds).arg(what);
        return std::nullopt;
    }
    return secondsFrom(from, *seen);
}

std::optional<double> ZooPicture::powerLoss(double outageSeconds) {
    if (!blackOnScreen(QStringLiteral("before a power loss"))) {
        return std::nullopt;
    }
    camera_.kill();
    screen_.pause(outageSeconds);
    const auto servingAt = restartCamera();
    if (!servingAt) {
        return std::nullopt;
    }
    return whiteAfter(*servingAt, recoveryTimeout, QStringLiteral("after a power loss"));
}

std::optional<double> ZooPicture::stall(double seconds) {
    if (!blackOnScreen(QStringLiteral("before a stall"))) {
        return std::nullopt;
    }
    if (!camera_.stall()) {
        problems_ << QStringLiteral("the camera did not stall");
        return std::nullopt;
    }
    screen_.pause(seconds);
    // Set while no frame flows: the first frame after the stall shows it.
    if (!camera_.showWhite()) {
        problems_ << QStringLiteral("the camera did not turn white during a stall");
    }
    black_ = false;
    if (!camera_.resume()) {
        problems_ << QStringLiteral("the camera did not resume after a stall");
        return std::nullopt;
    }
    const SoakClock::time_point resumedAt = SoakClock::now();
    const auto seen = screen_.waitForShade(SoakShade::white, resumedAt, stallReturnTimeout);
    if (!seen) {
        problems_
            << QStringLiteral("no live picture within %1 s after a stall").arg(stallReturnTimeout);
        return std::nullopt;
    }
    return secondsFrom(resumedAt, *seen);
}

ZooReboot ZooPicture::reboot(double outageSeconds, const ZooViewerLog& log) {
    ZooReboot result;
    if (!blackOnScreen(QStringLiteral("before a reboot"))) {
        return result;
    }
    const SoakClock::time_point killedAt = SoakClock::now();
    camera_.kill();
    screen_.pause(outageSeconds);
    if (const auto servingAt = restartCamera()) {
        result.liveSeconds =
            whiteAfter(*servingAt, recoveryTimeout, QStringLiteral("after a reboot"));
    }
    if (const auto noticed =
            log.first({ZooLogEventKind::recovery, ZooLogEventKind::statusLine}, killedAt)) {
        result.noticedSeconds = secondsFrom(killedAt, noticed->at);
    }
    return result;
}

} // namespace rure::bench
