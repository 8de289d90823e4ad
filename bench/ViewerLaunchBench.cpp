// Measures the viewer as a user runs it: time from process start to the first
// presented frame of the test camera (median over several launches), then CPU
// share and peak resident memory during a stretch of 1280 x 720 at 30 frames
// per second.
//
//   rure-bench-launch [--launches N] [--seconds S]
#include "BenchSupport.h"
#include "ProcessUsage.h"
#include "support/TestCamera.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using rure::bench::median;
using rure::bench::optionValue;
using rure::bench::prepareViewer;
using rure::bench::ProcessUsage;
using rure::test::TestCamera;

class Viewer {
public:
    explicit Viewer(const QString& cameraUrl) { prepareViewer(process_, home_.path(), cameraUrl); }
    ~Viewer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(10000)) {
                process_.kill();
                process_.waitForFinished();
            }
        }
    }

    // Seconds from the start of the process to its first presented frame; -1 on failure.
    double startAndWaitForFirstFrame() {
        QElapsedTimer clock;
        clock.start();
        process_.start();
        QByteArray errors;
        while (clock.elapsed() < 30000) {
            process_.waitForReadyRead(5);
            errors += process_.readAllStandardError();
            if (errors.contains("Live video frames resumed for player generation 1.")) {
                return clock.nsecsElapsed() / 1e9;
            }
            if (process_.state() == QProcess::NotRunning) {
                break;
            }
        }
        std::fprintf(stderr, "no first frame; viewer said:\n%s\n", errors.constData());
        return -1;
    }

    qint64 pid() const { return process_.processId(); }

private:
    QTemporaryDir home_;
    QProcess process_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int launches =
        std::max(1, static_cast<int>(optionValue(arguments, QStringLiteral("--launches"), 7)));
    const int seconds =
        std::max(1, static_cast<int>(optionValue(arguments, QStringLiteral("--seconds"), 30)));

    TestCamera camera;
    if (!camera.start(rure::bench::comparisonCamera())) {
        std::fprintf(stderr, "the test camera did not start\n");
        return 1;
    }

    std::vector<double> firstFrame;
    for (int i = 0; i < launches; ++i) {
        Viewer viewer(camera.url());
        const double elapsed = viewer.startAndWaitForFirstFrame();
        if (elapsed < 0) {
            return 1;
        }
        firstFrame.push_back(elapsed);
    }

    Viewer viewer(camera.url());
    if (viewer.startAndWaitForFirstFrame() < 0) {
        return 1;
    }
    const std::optional<ProcessUsage> before = ProcessUsage::of(viewer.pid());
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        usleep(100000);
    }
    const std::optional<ProcessUsage> after = ProcessUsage::of(viewer.pid());
    if (!before || !after) {
        std::fprintf(stderr, "the viewer ended while it was measured\n");
        return 1;
    }
    const double cpuShare = (after->cpuSeconds - before->cpuSeconds) / (wall.elapsed() / 1000.0);

    std::printf("machine: %ld cores\n", sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("process start to first presented frame, %d launches: median %.3f s, min %.3f s, "
                "max %.3f s\n",
                launches, median(firstFrame),
                *std::min_element(firstFrame.begin(), firstFrame.end()),
                *std::max_element(firstFrame.begin(), firstFrame.end()));
    std::printf("playing 1280x720 at 30 fps for %d s: CPU %.1f%% of one core, peak resident memory "
                "%.1f MB\n",
                seconds, cpuShare * 100.0, after->peakResidentMiB);
    return 0;
}
