// The viewer process talks to nothing but its cameras and the update server:
// every internet destination it connects or sends to is recorded by a
// preloaded library while it plays a camera and runs its launch update check.
#include "support/BuildPlaces.h"
#include "support/TestCamera.h"
#include "support/TestEnvironment.h"
#include "updates/LocalHttpsServer.h"
#include "updates/TestCertificates.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace rure::test {
namespace {

struct Destination {
    QString call;
    QString host;
    int port = 0;
};

QList<Destination> auditedDestinations(const QString& path) {
    QList<Destination> destinations;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return destinations;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3) {
            destinations.append(
                {QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]), fields[2].toInt()});
        }
    }
    return destinations;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The viewer, playing the one camera at `cameraUrl`, with every destination
// it reaches recorded in `audit`.
class AuditedViewer {
public:
    AuditedViewer(const QString& cameraUrl, const QString& updateServer) {
        const QString store = home.path() + QStringLiteral("/data/rure");
        EXPECT_TRUE(QDir().mkpath(store));
        write(store + QStringLiteral("/cameras.json"),
              QStringLiteral("{\n  \"cameras\" : [\n    {\n      \"name\" : \"Porch\",\n      "
                             "\"url\" : \"%1\"\n    }\n  ]\n}")
                  .arg(cameraUrl)
                  .toUtf8());
        audit = home.path() + QStringLiteral("/destinations");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           home.path() + QStringLiteral("/config"));
        environment.insert(QStringLiteral("RURE_UPDATE_SERVER"), updateServer);
        environment.insert(QStringLiteral("LD_PRELOAD"),
                           QString::fromUtf8(build::connectAuditLibrary));
        environment.insert(QStringLiteral("RURE_CONNECT_AUDIT"), audit);
        environment.insert(QStringLiteral("RURE_LOG_LEVEL"), QStringLiteral("debug"));
        environment.remove(QStringLiteral("JOURNAL_STREAM"));
        viewer.setProcessEnvironment(environment);
        viewer.start(binaryDirectory() + QStringLiteral("/src/rure"), {});
        EXPECT_TRUE(viewer.waitForStarted(10000));
    }

    // Runs the event loop, collecting the viewer's log, until `done` or `milliseconds`.
    void runUntil(int milliseconds, const std::function<bool()>& done = {}) {
        QDeadlineTimer deadline(milliseconds);
        while (!deadline.hasExpired() && !(done && done())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            errors += viewer.readAllStandardError();
        }
    }

    void quit() {
        ::kill(static_cast<pid_t>(viewer.processId()), SIGTERM);
        EXPECT_TRUE(viewer.waitForFinished(15000));
        errors += viewer.readAllStandardError();
    }

    QTemporaryDir home;
    QString audit;
    QProcess viewer;
    QByteArray errors;
};

TEST(ViewerNetwork, onlyTheCameraAndTheUpdateServerAreEverReached) {
    TestCamera camera;
    ASSERT_TRUE(camera.start());
    LocalHttpsServer updates(TestCertificates::shared());
    updates.respond(404, "no such file");
    AuditedViewer run(camera.url(), updates.baseUrl().toString());
    const QString& audit = run.audit;
    const QByteArray& errors = run.errors;

    // Play until the picture runs and the launch check has reached the server,
    // then a little longer for anything that comes later.
    const auto reached = [&](int port) {
        for (const Destination& destination : auditedDestinations(audit)) {
            if (destination.port == port) {
                return true;
            }
        }
        return false;
    };
    const auto playing = [&errors] {
        return errors.contains("mpv restarted playback; waiting for a rendered frame.");
    };
    run.runUntil(40000, [&] {
        return playing() && reached(updates.baseUrl().port()) && reached(camera.port());
    });
    run.runUntil(4000);
    run.quit();
    const std::string log = errors.toStdString();

    EXPECT_TRUE(playing()) << log;
    EXPECT_TRUE(reached(camera.port())) << log;
    EXPECT_TRUE(reached(updates.baseUrl().port())) << log;
    // The viewer does not trust the test's authority, so the check ends in
    // the handshake; the service tests show what it asks for once trusted.
    EXPECT_TRUE(updates.requestLines().isEmpty()) << log;

    // The engine reaches the camera through a relay of the viewer's own on
    // the loopback: connections to the viewer's own endpoints stay inside it.
    const QList<Destination> destinations = auditedDestinations(audit);
    QList<int> ownPorts;
    for (const Destination& destination : destinations) {
        if (destination.call == QStringLiteral("listen")) {
            EXPECT_EQ(destination.host, QStringLiteral("127.0.0.1"));
            ownPorts.append(destination.port);
        }
    }
    ASSERT_FALSE(destinations.isEmpty());
    for (const Destination& destination : destinations) {
        if (destination.call == QStringLiteral("listen") || ownPorts.contains(destination.port)) {
            continue;
        }
        EXPECT_EQ(destination.host, QStringLiteral("127.0.0.1"))
            << destination.call.toStdString() << " " << destination.host.toStdString() << " "
            << destination.port;
        EXPECT_TRUE(destination.port == camera.port() ||
                    destination.port == updates.baseUrl().port())
            << destination.call.toStdString() << " " << destination.host.toStdString() << " "
            << destination.port;
    }
}

// Every connection attempt to a camera that refuses is one the viewer chose
// to make: one per probe, knock and stream load, none repeated behind its back.
TEST(ViewerNetwork, aRefusingCameraGetsOneConnectionPerProbeKnockAndLoad) {
    const int port = TestCamera::freePort();
    AuditedViewer run(QStringLiteral("rtsp://127.0.0.1:%1/camera").arg(port),
                      QStringLiteral("https://127.0.0.1:9"));
    // Long enough for attempts with and without a new engine, and knocks between.
    run.runUntil(12000);
    run.quit();

    qsizetype attempts = 0;
    for (const Destination& destination : auditedDestinations(run.audit)) {
        attempts += destination.call == QStringLiteral("connect") && destination.port == port;
    }
    const qsizetype probes = run.errors.count("Beginning private local-network preflight");
    const qsizetype knocks = run.errors.count("Knocking on the camera's port.");
    const qsizetype loads = run.errors.count("mpv began opening the selected stream.");
    EXPECT_GT(knocks, 0) << run.errors.toStdString();
    EXPECT_GT(loads, 1) << run.errors.toStdString();
    EXPECT_EQ(attempts, probes + knocks + loads) << run.errors.toStdString();
}

} // namespace
} // namespace rure::test
