#include "ZooOnRun.h"

#include "BenchSupport.h"
#include "SoakWait.h"
#include "ZooPicture.h"
#include "ZooScreen.h"
#include "ZooViewer.h"

#include <QUrl>

#include <algorithm>
#include <cmath>
#include <memory>

namespace rure::bench {

namespace {

// A first picture may wait for the camera's first picture on top of this.
constexpr double firstPictureTimeout = 60;
// A switch of the camera's picture counts as reaching a live window when it
// shows within the camera's picture gap and this much more.
constexpr double liveAllowance = 1.0;
// A switch that has not reached the window after the camera's picture gap
// and the allowance is still waited for up to one more picture gap, to time
// how late it is.
constexpr double lateSwitchGaps = 1.0;
// Between the end of one check and the next switch.
constexpr double probeRest = 0.5;
constexpr double shortestProbePeriod = 2.0;
constexpr int stallCount = 10;
constexpr double stallSeconds = 1.5;
constexpr double stallSpacing = 25;
constexpr double rebootOutage = 3;
constexpr double rebootSpacing = 30;
// Live picture between two power losses.
constexpr double powerLossRest = 5;

SoakClock::duration span(double seconds) {
    return std::chrono::duration_cast<SoakClock::duration>(std::chrono::duration<double>(seconds));
}

double secondsFrom(SoakClock::time_point from, SoakClock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

QString figures(const std::vector<double>& seconds, int tried) {
    if (seconds.empty()) {
        return QStringLiteral("none of %1").arg(tried);
    }
    return QStringLiteral("median %1 s, longest %2 s (%3 of %4)")
        .arg(median(seconds), 0, 'f', 2)
        .arg(*std::max_element(seconds.begin(), seconds.end()), 0, 'f', 2)
        .arg(seconds.size())
        .arg(tried);
}

// The camera's address as the viewer's list holds it, with the credentials.
QString cameraUrl(const test::TestCamera& camera) {
    QUrl url(camera.url());
    if (!camera.options().user.isEmpty()) {
        url.setUserName(camera.options().user);
        url.setPassword(camera.options().password);
    }
    return url.toString();
}

QString cameraFailure(const test::TestCamera& camera) {
    QString last;
    for (const QString& line : camera.errorOutput().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        last = line.trimmed();
    }
    // The camera exits with 2 for options it does not know or accept.
    if (camera.exitCode() == 2) {
        return QStringLiteral("the camera program rejects its options (%1)").arg(last);
    }
    return last.isEmpty() ? QStringLiteral("the camera did not start")
                          : QStringLiteral("the camera did not start (%1)").arg(last);
}

// One camera that is on, from the start of its camera to its last power loss.
class OnRun {
public:
    OnRun(const ZooCase& zooCase, const ZooSettings& settings, ZooScreen& screen)
        : case_(zooCase), settings_(settings), screen_(screen) {
        row_.name = zooCase.name;
        row_.measuresLatency = zooCase.measuresLatency;
    }

    ZooOnRow run() {
        if (!begin()) {
            if (viewer_) {
                countLog(viewer_->startedAt(), SoakClock::now());
            }
            return row_;
        }
        const SoakClock::time_point viewerStart = viewer_->startedAt();
        if (case_.measuresLatency) {
            row_.latencyStart = picture_->latencies(settings_.latencySamples);
        }
        const SoakClock::time_point runStart = SoakClock::now();
        switch (case_.kind) {
        case ZooCaseKind::stalls:
            stalls(runStart);
            break;
        case ZooCaseKind::quickReboots:
            reboots(runStart);
            break;
        default:
            probeUntil(runStart + span(settings_.minutes * 60));
            break;
        }
        const SoakClock::time_point runEnd = SoakClock::now();
        noteSwitchDelays();
        row_.liveInLog = viewer_->log().liveShare(runStart, runEnd);
        if (case_.measuresLatency && !SoakWait::stopRequested()) {
            row_.latencyEnd = picture_->latencies(settings_.latencySamples);
        }
        const SoakClock::time_point measuredEnd = SoakClock::now();
        countLog(viewerStart, measuredEnd);
        if (case_.kind == ZooCaseKind::steady) {
            powerLosses();
            for (const QString& text : viewer_->log().statusTexts(measuredEnd, SoakClock::now())) {
                if (!row_.statusTexts.contains(text)) {
                    row_.powerLossTexts << text;
                }
            }
        }
        if (SoakWait::stopRequested()) {
            row_.problems << QStringLiteral("interrupted");
        }
        return row_;
    }

private:
    bool begin() {
        if (!camera_.start(case_.camera)) {
            row_.skipped = cameraFailure(camera_);
            return false;
        }
        ZooViewerSettings viewerSettings;
        viewerSettings.cameraUrl = cameraUrl(camera_);
        if (!settings_.logDirectory.isEmpty()) {
            viewerSettings.logCopyPath =
                settings_.logDirectory + QLatin1Char('/') + case_.name + QStringLiteral(".log");
        }
        const QRect frame = viewerSettings.frame;
        viewer_ = std::make_unique<ZooViewer>(viewerSettings);
        if (const std::optional<QString> error = viewer_->start()) {
            row_.skipped = *error;
            return false;
        }
        screen_.follow(viewer_->processId(), frame);
        picture_ = std::make_unique<ZooPicture>(camera_, screen_, case_.pictureGap, row_.problems);
        const auto shown = screen_.waitForShade(SoakShade::bars, viewer_->startedAt(),
                                                firstPictureTimeout + case_.pictureGap);
        if (!shown) {
            row_.problems << QStringLiteral("no picture within %1 s (the window centre shows "
                                            "#%2)")
                                 .arg(firstPictureTimeout + case_.pictureGap, 0, 'f', 0)
                                 .arg(screen_.currentColour() & 0xffffff, 6, 16, QLatin1Char('0'));
            row_.statusTexts = viewer_->log().statusTexts(viewer_->startedAt(), SoakClock::now());
            return false;
        }
        row_.firstPictureSeconds = secondsFrom(viewer_->startedAt(), *shown);
        SoakTimeline::progress(QStringLiteral("%1: first picture after %2 s")
                                   .arg(case_.name)
                                   .arg(*row_.firstPictureSeconds, 0, 'f', 2));
        return true;
    }

    void countLog(SoakClock::time_point from, SoakClock::time_point to) {
        const ZooViewerLog& log = viewer_->log();
        row_.reconnects = log.count(ZooLogEventKind::recovery, from, to);
        row_.catchUps = log.count(ZooLogEventKind::catchUp, from, to);
        row_.statusTexts = log.statusTexts(from, to);
    }

    bool viewerAlive() {
        if (viewer_->isRunning()) {
            return true;
        }
        if (!viewerQuit_) {
            viewerQuit_ = true;
            row_.problems << QStringLiteral("the viewer quit");
        }
        return false;
    }

    // How soon a switch must reach the window for the picture to count live.
    double liveWithin() const { return case_.pictureGap + liveAllowance; }
    // How long a switch is waited for at all.
    double switchPatience() const { return liveWithin() + lateSwitchGaps * case_.pictureGap; }

    // Switches the camera's picture again and again until `end`, each time
    // checking that the window follows in time.
    void probeUntil(SoakClock::time_point end) {
        const double allowed = liveWithin();
        const double patience = switchPatience();
        const double period = std::max(shortestProbePeriod, allowed + probeRest);
        while (!SoakWait::stopRequested() && viewerAlive() &&
               SoakClock::now() + span(allowed) < end) {
            const SoakClock::time_point began = SoakClock::now();
            ++row_.probes;
            if (const std::optional<double> delay = picture_->flip(patience)) {
                row_.switchDelays.push_back(*delay);
                if (*delay <= allowed) {
                    ++row_.liveProbes;
                }
            }
            const SoakClock::time_point next = std::min(began + span(period), end);
            screen_.pause(std::max(0.0, secondsFrom(SoakClock::now(), next)));
        }
        screen_.pause(std::max(0.0, secondsFrom(SoakClock::now(), end)));
    }

    // For cameras that send a picture only now and then, how long the
    // switches took to reach the window.
    void noteSwitchDelays() {
        if (case_.pictureGap < 1.0 || row_.probes == 0) {
            return;
        }
        const double allowed = liveWithin();
        const double patience = switchPatience();
        const std::vector<double>& delays = row_.switchDelays;
        row_.notes
            << (delays.empty()
                    ? QStringLiteral("no switch reached the window within %1 s").arg(patience)
                    : QStringLiteral("switches reached the window after median %1 s, longest %2 s; "
                                     "%3 of %4 after more than %5 s, %6 not within %7 s")
                          .arg(median(delays), 0, 'f', 2)
                          .arg(*std::max_element(delays.begin(), delays.end()), 0, 'f', 2)
                          .arg(std::count_if(delays.begin(), delays.end(),
                                             [allowed](double delay) { return delay > allowed; }))
                          .arg(row_.probes)
                          .arg(allowed, 0, 'f', 1)
                          .arg(row_.probes - static_cast<int>(delays.size()))
                          .arg(patience, 0, 'f', 1));
    }

    void stalls(SoakClock::time_point runStart) {
        std::vector<double> returns;
        int tried = 0;
        for (int i = 1; i <= stallCount && !SoakWait::stopRequested() && viewerAlive(); ++i) {
            probeUntil(runStart + span(stallSpacing * i));
            ++tried;
            if (const std::optional<double> back = picture_->stall(stallSeconds)) {
                returns.push_back(*back);
            }
        }
        row_.notes << QStringLiteral("picture back after a %1 s stall: %2")
                          .arg(stallSeconds)
                          .arg(figures(returns, tried));
    }

    void reboots(SoakClock::time_point runStart) {
        const int cycles =
            std::max(1, static_cast<int>(std::lround(settings_.minutes * 60 / rebootSpacing)));
        std::vector<double> noticed;
        std::vector<double> live;
        int tried = 0;
        for (int i = 0; i < cycles && !SoakWait::stopRequested() && viewerAlive(); ++i) {
            ++tried;
            const ZooReboot reboot = picture_->reboot(rebootOutage, viewer_->log());
            if (reboot.noticedSeconds) {
                noticed.push_back(*reboot.noticedSeconds);
            }
            if (reboot.liveSeconds) {
                live.push_back(*reboot.liveSeconds);
            }
            probeUntil(runStart + span(rebootSpacing * (i + 1)));
        }
        row_.notes << QStringLiteral("%1 s reboots every %2 s: noticed (kill to the first "
                                     "recovery or status line change) %3; picture back after "
                                     "the camera returned %4")
                          .arg(rebootOutage)
                          .arg(rebootSpacing)
                          .arg(figures(noticed, tried), figures(live, tried));
    }

    void powerLosses() {
        for (int i = 0; i < settings_.powerLosses && !SoakWait::stopRequested() && viewerAlive();
             ++i) {
            ++row_.powerLosses;
            const std::optional<double> back = picture_->powerLoss(settings_.outageSeconds);
            SoakTimeline::progress(
                QStringLiteral("%1: power loss %2, picture back after %3 s")
                    .arg(case_.name)
                    .arg(i + 1)
                    .arg(back ? QString::number(*back, 'f', 2) : QStringLiteral("-")));
            if (back) {
                row_.powerLossReturns.push_back(*back);
            }
            screen_.pause(powerLossRest);
        }
    }

    const ZooCase& case_;
    const ZooSettings& settings_;
    ZooScreen& screen_;
    ZooOnRow row_;
    // Declared so that the viewer goes before the camera it plays.
    test::TestCamera camera_;
    std::unique_ptr<ZooViewer> viewer_;
    std::unique_ptr<ZooPicture> picture_;
    bool viewerQuit_ = false;
};

} // namespace

ZooOnRow runOnCase(const ZooCase& zooCase, const ZooSettings& settings, ZooScreen& screen) {
    return OnRun(zooCase, settings, screen).run();
}

} // namespace rure::bench
