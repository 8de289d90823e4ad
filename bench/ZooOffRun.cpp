#include "ZooOffRun.h"

#include "SoakWait.h"
#include "ZooScreen.h"
#include "ZooSilentCamera.h"
#include "ZooViewer.h"
#include "support/TestCamera.h"

#include <QTemporaryDir>

#include <memory>

namespace rure::bench {

namespace {

// The port of the camera whose name does not resolve: no connection to it
// should ever be made.
constexpr int unresolvablePort = 8554;
const QString unresolvableUrl = QStringLiteral("rtsp://camera.invalid:8554/camera");
constexpr double minuteSeconds = 60;

double secondsFrom(SoakClock::time_point from, SoakClock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The first minute as counted plus 59 times the rate per minute after it; a
// run of a minute or less scaled to the hour.
double perHour(int firstMinute, int whole, double minutes) {
    if (minutes <= 1.0) {
        return minutes > 0 ? whole * 60.0 / minutes : 0;
    }
    return firstMinute + (whole - firstMinute) / (minutes - 1.0) * 59.0;
}

} // namespace

ZooOffRow runOffCase(const ZooCase& zooCase, const ZooSettings& settings, ZooScreen& screen) {
    ZooOffRow row;
    row.name = zooCase.name;
    QTemporaryDir scratch;
    const QString auditPath = scratch.path() + QStringLiteral("/destinations");

    // Only the silent camera needs something running; it closes with the run.
    std::unique_ptr<ZooSilentCamera> silent;
    int port = 0;
    QString url;
    switch (zooCase.kind) {
    case ZooCaseKind::refusing:
        port = test::TestCamera::freePort();
        url = QStringLiteral("rtsp://127.0.0.1:%1/camera").arg(port);
        break;
    case ZooCaseKind::silent:
        silent = std::make_unique<ZooSilentCamera>();
        port = silent->port();
        url = QStringLiteral("rtsp://127.0.0.1:%1/camera").arg(port);
        break;
    default:
        port = unresolvablePort;
        url = unresolvableUrl;
        break;
    }
    if (port <= 0) {
        row.skipped = QStringLiteral("no loopback port for the camera");
        return row;
    }

    ZooViewerSettings viewerSettings;
    viewerSettings.cameraUrl = url;
    viewerSettings.auditPath = auditPath;
    if (!settings.logDirectory.isEmpty()) {
        viewerSettings.logCopyPath =
            settings.logDirectory + QLatin1Char('/') + zooCase.name + QStringLiteral(".log");
    }
    ZooViewer viewer(viewerSettings);
    if (const std::optional<QString> error = viewer.start()) {
        row.skipped = *error;
        return row;
    }
    screen.follow(viewer.processId(), viewerSettings.frame);
    const SoakClock::time_point start = viewer.startedAt();
    const double runSeconds = settings.offMinutes * minuteSeconds;
    screen.pause(
        std::max(0.0, std::min(minuteSeconds, runSeconds) - secondsFrom(start, SoakClock::now())));
    row.firstMinute = ZooAuditCounts::read(auditPath, port);
    SoakTimeline::progress(QStringLiteral("%1: %2 connections and %3 look-ups in the first minute")
                               .arg(zooCase.name)
                               .arg(row.firstMinute.connects)
                               .arg(row.firstMinute.lookups));
    screen.pause(std::max(0.0, runSeconds - secondsFrom(start, SoakClock::now())));
    const SoakClock::time_point end = SoakClock::now();
    row.whole = ZooAuditCounts::read(auditPath, port);
    row.minutes = secondsFrom(start, end) / minuteSeconds;
    if (row.minutes < 1.0) {
        row.firstMinute = row.whole;
    }
    row.connectsPerHour = perHour(row.firstMinute.connects, row.whole.connects, row.minutes);
    row.lookupsPerHour = perHour(row.firstMinute.lookups, row.whole.lookups, row.minutes);
    row.statusTexts = viewer.log().statusTexts(start, end);
    if (!viewer.isRunning()) {
        row.problems << QStringLiteral("the viewer quit");
    }
    if (row.whole.nameQueries > 0) {
        row.problems << QStringLiteral("%1 connections or datagrams to port 53 (a name server)")
                            .arg(row.whole.nameQueries);
    }
    if (SoakWait::stopRequested()) {
        row.problems << QStringLiteral("interrupted");
    }
    return row;
}

} // namespace rure::bench
