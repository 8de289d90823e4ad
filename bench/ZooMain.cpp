// The zoo: the real viewer, in a process of its own with folders of its own,
// against one kind of camera at a time, each made from the test camera
// (codecs, audio, smart cameras that go still, slow cameras, resolution
// changes, session time-outs, long key frame intervals, stream clocks that
// jump or drift, digest authentication, slow answers, stalls, quick reboots)
// and three cameras that are off (refusing, silent, a name that does not
// resolve). Prints one row per camera.
//
//   rure-bench-zoo [--minutes M] [--off-minutes M] [--cases a,b,c] [--logs DIR] [--list]
//
// --minutes is each camera's run (default 10), --off-minutes each camera that
// is off (default 10); --logs keeps every viewer's log there as <case>.log.
// Progress goes to standard error, the table to standard output. Needs an X
// display of its own (bench/zoo starts a virtual one): the window centre is
// read off the screen.
//
// How "live" is judged: the test camera's colour bars do not move, so an
// unchanged window tells nothing. During the run the zoo switches the
// camera's picture between black and white (every 2 s, or the camera's
// picture gap + 1.5 s for cameras that go still or are slow) and counts the
// switches that reach the window centre within the camera's picture gap + 1 s
// ("live screen"); for cameras with a picture gap of a second or more the
// notes add how late the switches arrived. Beside it, "live log" is the share
// of the run the viewer itself counted its frames live, from "Live video
// frames resumed" to the next recovery, catch-up reload or end of stream in
// its log.
#include "SoakTimeline.h"
#include "SoakWait.h"
#include "ZooCase.h"
#include "ZooOffRun.h"
#include "ZooOnRun.h"
#include "ZooReport.h"
#include "ZooScreen.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

using rure::bench::ZooCase;
using rure::bench::ZooSettings;

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("?");
    }
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString cameraArguments(const ZooCase& zooCase) {
    const rure::test::TestCameraOptions& camera = zooCase.camera;
    QStringList arguments{QStringLiteral("%1x%2").arg(camera.width).arg(camera.height),
                          QStringLiteral("%1 fps").arg(camera.fps, 0, 'g', 3),
                          QStringLiteral("key frame every %1 s").arg(camera.keyframeInterval)};
    arguments << camera.extraArguments;
    if (!camera.user.isEmpty()) {
        arguments << QStringLiteral("--user") << camera.user;
    }
    return arguments.join(QLatin1Char(' '));
}

void list() {
    for (const ZooCase& zooCase : rure::bench::zooCases()) {
        QString line =
            QStringLiteral("%1  %2").arg(zooCase.name.leftJustified(18), zooCase.summary);
        if (!zooCase.isOff()) {
            line += QStringLiteral("\n%1  camera: %2")
                        .arg(QString(18, QLatin1Char(' ')), cameraArguments(zooCase));
        }
        print(stdout, line + QLatin1Char('\n'));
    }
}

// The value after `name`, or nothing; `error` set when it is missing or not a
// positive number.
std::optional<double> positiveOption(const QStringList& arguments, const QString& name,
                                     QString& error) {
    const qsizetype at = arguments.indexOf(name);
    if (at < 0) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = arguments.value(at + 1).toDouble(&ok);
    if (!ok || value <= 0) {
        error = QStringLiteral("%1 needs a positive number").arg(name);
        return std::nullopt;
    }
    return value;
}

QString optionText(const QStringList& arguments, const QString& name) {
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 ? arguments.value(at + 1) : QString();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    const QStringList known{QStringLiteral("--minutes"), QStringLiteral("--off-minutes"),
                            QStringLiteral("--cases"), QStringLiteral("--logs"),
                            QStringLiteral("--list")};
    const QString usage = QStringLiteral("usage: rure-bench-zoo [--minutes M] [--off-minutes M] "
                                         "[--cases a,b,c] [--logs DIR] [--list]\n");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (!known.contains(arguments[i])) {
            print(stderr, QStringLiteral("zoo: unknown argument '%1'\n").arg(arguments[i]) + usage);
            return 2;
        }
        if (arguments[i] != QStringLiteral("--list") && ++i >= arguments.size()) {
            print(stderr, QStringLiteral("zoo: %1 needs a value\n").arg(arguments.last()) + usage);
            return 2;
        }
    }
    if (arguments.contains(QStringLiteral("--list"))) {
        list();
        return 0;
    }

    ZooSettings settings;
    QString error;
    settings.minutes =
        positiveOption(arguments, QStringLiteral("--minutes"), error).value_or(settings.minutes);
    settings.offMinutes = positiveOption(arguments, QStringLiteral("--off-minutes"), error)
                              .value_or(settings.offMinutes);
    if (!error.isEmpty()) {
        print(stderr, QStringLiteral("zoo: %1\n").arg(error));
        return 2;
    }
    settings.logDirectory = optionText(arguments, QStringLiteral("--logs"));
    if (!settings.logDirectory.isEmpty() && !QDir().mkpath(settings.logDirectory)) {
        print(stderr, QStringLiteral("zoo: cannot create %1\n").arg(settings.logDirectory));
        return 2;
    }

    std::vector<ZooCase> cases;
    const QString names = optionText(arguments, QStringLiteral("--cases"));
    if (names.isEmpty()) {
        cases = rure::bench::zooCases();
    } else {
        for (const QString& name : names.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            std::optional<ZooCase> found = rure::bench::zooCaseNamed(name.trimmed());
            if (!found) {
                print(stderr, QStringLiteral("zoo: no case '%1' (see --list)\n").arg(name));
                return 2;
            }
            cases.push_back(std::move(*found));
        }
    }

    std::unique_ptr<rure::bench::ZooScreen> screen = rure::bench::ZooScreen::open();
    if (!screen) {
        print(stderr, QStringLiteral("zoo: cannot open the X display (run bench/zoo, or under "
                                     "scripts/with-display.sh)\n"));
        return 1;
    }
    rure::bench::SoakWait::installInterruptHandlers();
    rure::bench::SoakTimeline::begin();

    const QString startedAt = QDateTime::currentDateTime().toString(Qt::ISODate);
    const QString loadBefore = loadAverage();
    rure::bench::ZooReport report;
    for (const ZooCase& zooCase : cases) {
        if (rure::bench::SoakWait::stopRequested()) {
            break;
        }
        rure::bench::SoakTimeline::progress(
            QStringLiteral("%1: %2 ...").arg(zooCase.name, zooCase.summary));
        if (zooCase.isOff()) {
            rure::bench::ZooOffRow row = rure::bench::runOffCase(zooCase, settings, *screen);
            rure::bench::SoakTimeline::progress(rure::bench::ZooReport::summary(row));
            report.add(std::move(row));
        } else {
            rure::bench::ZooOnRow row = rure::bench::runOnCase(zooCase, settings, *screen);
            rure::bench::SoakTimeline::progress(rure::bench::ZooReport::summary(row));
            report.add(std::move(row));
        }
    }

    const QString heading =
        QStringLiteral("Rure against the camera zoo (%1, %2 cores, load average %3 before, %4 "
                       "after)%5\ncameras 640x360 unless said otherwise (bench/zoo --list); "
                       "%6 min per camera that is on (stalls: ten, quick reboots: every 30 s), "
                       "%7 min per camera that is off\n")
            .arg(startedAt)
            .arg(sysconf(_SC_NPROCESSORS_ONLN))
            .arg(loadBefore, loadAverage(),
                 rure::bench::SoakWait::stopRequested() ? QStringLiteral(", interrupted")
                                                        : QString())
            .arg(settings.minutes, 0, 'g', 3)
            .arg(settings.offMinutes, 0, 'g', 3);
    print(stdout, report.table(heading));
    return 0;
}
