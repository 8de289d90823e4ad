#include "BenchSupport.h"

#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <ctime>

namespace rure::bench {

qint64 monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double optionValue(const QStringList& arguments, const QString& name, double fallback) {
    const qsizetype at = arguments.indexOf(name);
    if (at < 0 || at + 1 >= arguments.size()) {
        return fallback;
    }
    bool ok = false;
    const double value = arguments[at + 1].toDouble(&ok);
    return ok ? value : fallback;
}

test::TestCamera::Options comparisonCamera() {
    test::TestCamera::Options options;
    options.width = 1280;
    options.height = 720;
    options.fps = 30;
    options.keyframeInterval = 1.0;
    return options;
}

bool pumpUntil(const std::function<void()>& pump, const std::function<bool()>& done,
               double seconds) {
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        pump();
    }
    return true;
}

void prepareViewer(QProcess& viewer, const QString& home, const QString& cameraUrl) {
    prepareViewerWithList(viewer, home,
                          QStringLiteral("{\"cameras\":[{\"name\":\"Bench\",\"url\":\"%1\"}]}")
                              .arg(cameraUrl)
                              .toUtf8());
}

void prepareViewerWithList(QProcess& viewer, const QString& home, const QByteArray& cameraList) {
    const QString store = home + QStringLiteral("/data/rure");
    QDir().mkpath(store);
    QFile list(store + QStringLiteral("/cameras.json"));
    if (list.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        list.write(cameraList);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    // A runtime folder of its own, so that a viewer the user already runs does
    // not take the benchmark's launch over.
    const QString runtime = home + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.remove(QStringLiteral("JOURNAL_STREAM"));
    // Update checks go to a closed loopback port: the benchmark measures the camera alone.
    environment.insert(QStringLiteral("RURE_UPDATE_SERVER"), QStringLiteral("https://127.0.0.1:9"));
    viewer.setProcessEnvironment(environment);
    viewer.setProgram(rure::test::binaryDirectory() + QStringLiteral("/src/rure"));
}

} // namespace rure::bench
