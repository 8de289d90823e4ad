// Measures Rure against other players of a live camera on one X display, side by
// side in the same run: each player is launched in turn, round after round,
// against the same test camera (1280 x 720, 30 frames per second, a key frame
// every second), and everything is judged from the pixels on the screen.
//
//   rure-bench-compare [--rounds N] [--seconds S] [--switches N] [--outage S]
//                      [--recovery-timeout S]
//                      [--players rure,mpv-low-latency,mpv-x11,mpv,ffplay,gst-pipeline]
//                      [--rure PATH] [--mpv-options OPTIONS]
//
// --seconds is the playback sampled for CPU and memory per player, split evenly
// over the rounds; --recovery-timeout 0 leaves recovery out. --rure runs another
// viewer binary in Rure's place; --mpv-options adds mpv with those options
// ("--a=1 --b=2") as one more player, to try options Rure might take.
#include "BenchSupport.h"
#include "ComparePlayer.h"
#include "CompareReport.h"
#include "CompareTrial.h"
#include "ScreenProbe.h"
#include "support/TestCamera.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

using rure::bench::ComparePlayer;
using rure::bench::CompareReport;
using rure::bench::CompareSettings;
using rure::bench::CompareTrial;
using rure::bench::LaunchResult;
using rure::bench::optionValue;
using rure::bench::PlayerKind;
using rure::bench::playerLabel;
using rure::bench::RecoveryOutcome;
using rure::bench::ScreenProbe;
using rure::test::TestCamera;

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("?");
    }
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

QString firstLineOf(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
}

QString optionText(const QStringList& arguments, const QString& name) {
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

QString summary(const LaunchResult& launch) {
    QString text = launch.startSeconds
                       ? QStringLiteral("start %1 s").arg(*launch.startSeconds, 0, 'f', 3)
                       : QStringLiteral("no start");
    if (!launch.latencySeconds.empty()) {
        text += QStringLiteral(", latency %1 ms")
                    .arg(rure::bench::median(launch.latencySeconds) * 1000, 0, 'f', 1);
    }
    if (launch.cpuShare) {
        text += QStringLiteral(", CPU %1%").arg(*launch.cpuShare * 100, 0, 'f', 1);
    }
    if (launch.peakResidentMiB) {
        text += QStringLiteral(", peak %1 MiB").arg(*launch.peakResidentMiB, 0, 'f', 1);
    }
    switch (launch.recovery) {
    case RecoveryOutcome::recovered:
        text += QStringLiteral(", recovered in %1 s").arg(launch.recoverySeconds, 0, 'f', 3);
        break;
    case RecoveryOutcome::never:
        text += QStringLiteral(", never recovered");
        break;
    case RecoveryOutcome::notMeasured:
        text += QStringLiteral(", recovery not measured");
        break;
    case RecoveryOutcome::notTried:
        break;
    }
    if (!launch.note.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(launch.note);
    }
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int rounds =
        std::max(1, static_cast<int>(optionValue(arguments, QStringLiteral("--rounds"), 5)));
    const double seconds = std::max(1.0, optionValue(arguments, QStringLiteral("--seconds"), 30));
    CompareSettings settings;
    settings.switches =
        std::max(1, static_cast<int>(optionValue(arguments, QStringLiteral("--switches"), 5)));
    settings.cpuSeconds = std::max(1.0, seconds / rounds);
    settings.outageSeconds = optionValue(arguments, QStringLiteral("--outage"), 5);
    settings.recoveryTimeoutSeconds =
        optionValue(arguments, QStringLiteral("--recovery-timeout"), 60);

    QString rureProgram = optionText(arguments, QStringLiteral("--rure"));
    if (rureProgram.isEmpty()) {
        rureProgram = rure::test::binaryDirectory() + QStringLiteral("/src/rure");
    }
    std::vector<PlayerKind> wanted = rure::bench::allPlayerKinds();
    if (const QString names = optionText(arguments, QStringLiteral("--players"));
        !names.isEmpty()) {
        wanted.clear();
        for (const QString& name : names.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (const auto kind = rure::bench::playerKindNamed(name.trimmed())) {
                wanted.push_back(*kind);
            } else {
                std::fprintf(stderr, "unknown player '%s'\n", qPrintable(name));
                return 2;
            }
        }
    }
    const QString mpvOptions = optionText(arguments, QStringLiteral("--mpv-options"));
    if (!mpvOptions.isEmpty() &&
        std::find(wanted.begin(), wanted.end(), PlayerKind::mpvCustom) == wanted.end()) {
        wanted.push_back(PlayerKind::mpvCustom);
    }
    std::vector<PlayerKind> players;
    for (PlayerKind kind : wanted) {
        if (ComparePlayer::programFor(kind, rureProgram).isEmpty()) {
            std::fprintf(stderr, "%s is not installed; left out\n", qPrintable(playerLabel(kind)));
        } else {
            ComparePlayer::warmUp(kind);
            players.push_back(kind);
        }
    }
    if (players.empty()) {
        std::fprintf(stderr, "no player to measure\n");
        return 1;
    }

    std::optional<ScreenProbe> probe = ScreenProbe::openBlackened();
    if (!probe) {
        return 1;
    }

    TestCamera camera;
    if (!camera.start(rure::bench::comparisonCamera())) {
        std::fprintf(stderr, "the test camera did not start\n");
        return 1;
    }

    const QString startedAt = QDateTime::currentDateTime().toString(Qt::ISODate);
    const QString loadBefore = loadAverage();
    CompareTrial trial(*probe, camera, settings);
    CompareReport report(players);
    const qint64 runStart = rure::bench::monotonicNanoseconds();
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another player, so none always follows the same one.
        for (size_t i = 0; i < players.size(); ++i) {
            const PlayerKind kind = players[(i + static_cast<size_t>(round)) % players.size()];
            std::fprintf(stderr, "[round %d/%d, %.0f s] %s ...\n", round + 1, rounds,
                         static_cast<double>(rure::bench::monotonicNanoseconds() - runStart) / 1e9,
                         qPrintable(playerLabel(kind)));
            const bool tryRecovery =
                settings.recoveryTimeoutSeconds > 0 && !report.hasNeverRecovered(kind);
            LaunchResult launch;
            {
                ComparePlayer player(kind, ComparePlayer::programFor(kind, rureProgram),
                                     camera.url(), settings.frame,
                                     mpvOptions.split(QLatin1Char(' '), Qt::SkipEmptyParts));
                launch = trial.run(player, tryRecovery);
            }
            std::fprintf(stderr, "    %s\n", qPrintable(summary(launch)));
            report.add(kind, launch);
            if (!camera.isRunning() && !camera.restart()) {
                std::fprintf(stderr, "the test camera did not come back\n");
                return 1;
            }
            camera.showPattern();
        }
    }

    QString heading =
        QStringLiteral("Rure and its peers on one X display (%1, %2 cores, load average %3 "
                       "before, %4 after)\n")
            .arg(startedAt)
            .arg(sysconf(_SC_NPROCESSORS_ONLN))
            .arg(loadBefore, loadAverage());
    heading += QStringLiteral("camera 1280x720 at 30 fps, key frame every 1 s; %1 rounds; "
                              "%2 switches per launch; CPU over %3 s per launch; outage %4 s, "
                              "recovery time-out %5 s\n")
                   .arg(rounds)
                   .arg(settings.switches)
                   .arg(settings.cpuSeconds, 0, 'f', 1)
                   .arg(settings.outageSeconds, 0, 'f', 1)
                   .arg(settings.recoveryTimeoutSeconds, 0, 'f', 0);
    const QString mpvVersion = firstLineOf(QStringLiteral("mpv"), {QStringLiteral("--version")});
    const QString ffplayVersion =
        firstLineOf(QStringLiteral("ffplay"), {QStringLiteral("-version")});
    const QString gstVersion =
        firstLineOf(QStringLiteral("gst-launch-1.0"), {QStringLiteral("--version")});
    heading += QStringLiteral("%1; %2; %3\n").arg(mpvVersion, ffplayVersion, gstVersion);
    heading += QStringLiteral("Rure/it: Rure's median divided by that player's; below 1 Rure "
                              "is faster or lighter\n");
    heading += QStringLiteral("it/best: that player's median divided by the best peer's (the "
                              "lowest median of the players other than Rure)\n");
    const QByteArray table = report.table(heading).toUtf8();
    std::fwrite(table.constData(), 1, static_cast<size_t>(table.size()), stdout);
    return 0;
}
