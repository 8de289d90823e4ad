// Measures how launch time grows with the length of the camera list: for each
// list length, the median time from process start until the viewer's window
// is up and it begins to play the first camera, and until that camera's first
// picture. The first camera is the test camera; the others name a closed port
// on 127.0.0.1 and are never contacted.
//
//   rure-bench-large-list [--launches N] [--counts 5000,10000,20000,40000]
#include "BenchSupport.h"
#include "config/CameraConfiguration.h"
#include "config/CameraConfigurationStore.h"
#include "support/TestCamera.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using rure::Camera;
using rure::bench::median;
using rure::bench::optionValue;
using rure::bench::prepareViewerWithList;
using rure::test::TestCamera;

// Logged once the window has been shown, as playback of the selected camera begins.
const QByteArray windowShownLine = "Beginning private local-network preflight for camera index 0.";
const QByteArray firstPictureLine = "Live video frames resumed for player generation 1.";

QByteArray cameraList(qsizetype count, const QString& firstCameraUrl) {
    QList<Camera> cameras;
    cameras.reserve(count);
    cameras.append(Camera{QStringLiteral("Test camera"), firstCameraUrl});
    for (qsizetype i = 1; i < count; ++i) {
        cameras.append(Camera{QStringLiteral("Gate %1").arg(i),
                              QStringLiteral("rtsp://127.0.0.1:9/%1").arg(i)});
    }
    return rure::encodeCameraList(cameras).value();
}

struct Launch {
    double windowShown = 0;
    double firstPicture = 0;
};

// One launch of the viewer on `list`; nothing when it did not show a picture in time.
std::optional<Launch> launchOnce(const QByteArray& list) {
    QTemporaryDir home;
    QProcess viewer;
    prepareViewerWithList(viewer, home.path(), list);
    QProcessEnvironment environment = viewer.processEnvironment();
    environment.insert(QStringLiteral("RURE_LOG_LEVEL"), QStringLiteral("debug"));
    viewer.setProcessEnvironment(environment);

    Launch launch;
    QElapsedTimer clock;
    clock.start();
    viewer.start();
    QByteArray errors;
    while (clock.elapsed() < 600000 && viewer.state() != QProcess::NotRunning) {
        viewer.waitForReadyRead(5);
        errors += viewer.readAllStandardError();
        if (launch.windowShown == 0 && errors.contains(windowShownLine)) {
            launch.windowShown = clock.nsecsElapsed() / 1e9;
        }
        if (errors.contains(firstPictureLine)) {
            launch.firstPicture = clock.nsecsElapsed() / 1e9;
            break;
        }
    }
    viewer.terminate();
    if (!viewer.waitForFinished(10000)) {
        viewer.kill();
        viewer.waitForFinished();
    }
    if (launch.windowShown == 0 || launch.firstPicture == 0) {
        std::fprintf(stderr, "no first picture; the viewer said:\n%s\n",
                     errors.right(4000).constData());
        return std::nullopt;
    }
    return launch;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const int launches =
        std::max(1, static_cast<int>(optionValue(arguments, QStringLiteral("--launches"), 3)));
    QList<qsizetype> counts{5000, 10000, 20000, 40000};
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--counts"));
        at >= 0 && at + 1 < arguments.size()) {
        counts.clear();
        for (const QString& count : arguments[at + 1].split(u',')) {
            counts.append(std::max<qsizetype>(1, count.toLongLong()));
        }
    }

    TestCamera camera;
    if (!camera.start()) {
        std::fprintf(stderr, "the test camera did not start\n");
        return 1;
    }

    std::printf("machine: %ld cores, %d launches per list, medians\n",
                sysconf(_SC_NPROCESSORS_ONLN), launches);
    std::printf("%9s %10s %16s %15s\n", "cameras", "list size", "window shown", "first picture");
    for (const qsizetype count : counts) {
        const QByteArray list = cameraList(count, camera.url());
        if (list.size() > rure::CameraConfigurationStore::maximumDocumentSize) {
            std::fprintf(stderr, "a list of %lld cameras is larger than the viewer reads\n",
                         static_cast<long long>(count));
            return 1;
        }
        std::vector<double> windowShown;
        std::vector<double> firstPicture;
        for (int i = 0; i < launches; ++i) {
            const std::optional<Launch> launch = launchOnce(list);
            if (!launch) {
                return 1;
            }
            windowShown.push_back(launch->windowShown);
            firstPicture.push_back(launch->firstPicture);
        }
        std::printf("%9lld %8.2f MB %14.3f s %13.3f s\n", static_cast<long long>(count),
                    list.size() / 1e6, median(windowShown), median(firstPicture));
        std::fflush(stdout);
    }
    return 0;
}
