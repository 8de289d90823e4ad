// Doorbell, battery and bandwidth-capped cameras send a picture every one to
// five seconds. The viewer keeps such a camera on screen without reloading it
// or taking its pace for a stall. Three real viewers, one per camera, play at
// once so that a minute of each takes a minute in all.
#include "support/TestCamera.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

namespace rure::test {
namespace {

struct SlowViewer {
    double fps = 0;
    TestCamera camera;
    QTemporaryDir home;
    QProcess process;
    QString standardError;
};

void startViewer(SlowViewer& viewer) {
    const QString store = viewer.home.path() + QStringLiteral("/data/rure");
    ASSERT_TRUE(QDir().mkpath(store));
    QFile list(store + QStringLiteral("/cameras.json"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(QStringLiteral(R"({"cameras":[{"name":"Doorbell","url":"%1"}]})")
                   .arg(viewer.camera.url())
                   .toUtf8());
    list.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       viewer.home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       viewer.home.path() + QStringLiteral("/config"));
    // A runtime folder of its own: three viewers of one user would be one.
    const QString runtime = viewer.home.path() + QStringLiteral("/runtime");
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_TRUE(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.remove(QStringLiteral("JOURNAL_STREAM"));
    environment.insert(QStringLiteral("RURE_UPDATE_SERVER"), QStringLiteral("https://127.0.0.1:9"));
    viewer.process.setProcessEnvironment(environment);
    viewer.process.setProcessChannelMode(QProcess::SeparateChannels);
    viewer.process.start(binaryDirectory() + QStringLiteral("/src/rure"), {});
    ASSERT_TRUE(viewer.process.waitForStarted(10000));
}

void stopViewer(SlowViewer& viewer) {
    ::kill(static_cast<pid_t>(viewer.process.processId()), SIGTERM);
    if (!viewer.process.waitForFinished(15000)) {
        viewer.process.kill();
        viewer.process.waitForFinished();
    }
    viewer.standardError += QString::fromUtf8(viewer.process.readAllStandardError());
}

TEST(SlowCamera, aSteadySlowCameraPlaysForAMinuteWithoutReloadsOrRecoveries) {
    std::vector<std::unique_ptr<SlowViewer>> viewers;
    for (const double fps : {1.0, 0.5, 0.2}) {
        auto viewer = std::make_unique<SlowViewer>();
        viewer->fps = fps;
        TestCamera::Options options;
        options.fps = fps;
        options.width = 320;
        options.height = 240;
        ASSERT_TRUE(viewer->camera.start(options));
        viewers.push_back(std::move(viewer));
    }
    for (auto& viewer : viewers) {
        startViewer(*viewer);
    }
    // The first picture of a camera that sends one every five seconds takes up
    // to five seconds; the minute is counted from there.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(70);
    while (std::chrono::steady_clock::now() < until) {
        for (auto& viewer : viewers) {
            viewer->process.waitForReadyRead(10);
            viewer->standardError += QString::fromUtf8(viewer->process.readAllStandardError());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (auto& viewer : viewers) {
        stopViewer(*viewer);
    }

    for (const auto& viewer : viewers) {
        SCOPED_TRACE(viewer->fps);
        const QString& log = viewer->standardError;
        EXPECT_TRUE(
            log.contains(QStringLiteral("Live video frames resumed for player generation 1.")))
            << log.toStdString();
        EXPECT_EQ(log.count(QStringLiteral("Loading camera index")), 1) << log.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral("loading the camera again"))) << log.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral("Scheduling recovery"))) << log.toStdString();
        EXPECT_EQ(viewer->process.exitStatus(), QProcess::NormalExit);
    }
}

} // namespace
} // namespace rure::test
