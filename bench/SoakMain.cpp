// Soaks the viewer: runs it for a number of minutes against two test cameras
// while a seeded schedule makes things go wrong every 20 to 60 seconds (a
// camera losing power for a few seconds or for over a minute, a camera that
// stops sending frames, the machine sleeping, the user switching cameras), and
// prints how soon the picture was back each time compared with the viewer's
// back-off, how much of the time the picture was live, the footprint over the
// run and the glass-to-glass latency at its beginning and end.
//
//   rure-bench-soak [--minutes N] [--seed S]
//
// Needs an X display (bench/soak provides a virtual one). Progress goes to
// standard error, the report to standard output.
#include "SoakRunner.h"
#include "SoakWait.h"
#include "engine/VideoViewChoice.h"

#include "common/ProcessMemory.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <random>

namespace {

struct SoakArguments {
    int minutes = 10;
    std::uint32_t seed = 0;
};

std::optional<SoakArguments> parse(const QStringList& arguments) {
    SoakArguments parsed;
    parsed.seed = std::random_device{}();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        const QString value = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        bool ok = false;
        if (name == QStringLiteral("--minutes")) {
            parsed.minutes = value.toInt(&ok);
            ok = ok && parsed.minutes >= 2;
        } else if (name == QStringLiteral("--seed")) {
            parsed.seed = value.toUInt(&ok);
        }
        if (!ok) {
            std::fprintf(stderr, "usage: rure-bench-soak [--minutes N (at least 2)] [--seed S]\n");
            return std::nullopt;
        }
        ++i;
    }
    return parsed;
}

} // namespace

int main(int argc, char* argv[]) {
    rure::bench::SoakTimeline::begin();
    // As the viewer application sets itself up, its allocator too: the soak
    // measures the viewer's resident memory in this process.
    rure::keepResidentMemoryFlat();
    // Shared GL contexts only for a view that may draw with OpenGL: asking
    // for them loads the OpenGL driver as the application starts.
    if (rure::mayPresentWithOpenGLWidget()) {
        QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("didirezoror"));
    QApplication::setApplicationName(QStringLiteral("rure"));

    const std::optional<SoakArguments> arguments = parse(QApplication::arguments());
    if (!arguments) {
        return 2;
    }
    rure::bench::SoakWait::installInterruptHandlers();

    bool completed = false;
    rure::bench::SoakReport report;
    {
        rure::bench::SoakRunner runner(arguments->minutes, arguments->seed);
        completed = runner.run();
        report = runner.report();
    }
    // After the viewer and the cameras are gone: the report is the last word.
    report.print(stdout);
    return completed ? 0 : 1;
}
