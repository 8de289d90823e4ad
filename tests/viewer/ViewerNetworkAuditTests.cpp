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

TEST(ViewerNetwork, onlyTheCameraAndTheUpdateServerAreEverReached) {
    TestCamera camera;
    ASSERT_TRUE(camera.start());
    LocalHttpsServer updates(TestCertificates::shared());
    updates.respond(404, "no such file");

    QTemporaryDir home;
    const QString store = home.path() + QStringLiteral("/data/rure");
    ASSERT_TRUE(QDir().mkpath(store));
    write(
        store + QStringLiteral("/cameras.json"),
        QStringLiteral("{\n  \"cameras\" : [\n    {\n      \"name\" : \"Porch\",\n      \"url\" : "
                       "\"%1\"\n    }\n  ]\n}")
            .arg(camera.url())
            .toUtf8());
    const QString audit = home.path() + QStringLiteral("/destinations");

    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    environment.insert(QStringLiteral("RURE_UPDATE_SERVER"), updates.baseUrl().toString());
    environment.insert(QStringLiteral("LD_PRELOAD"), QString::fromUtf8(build::connectAuditLibrary));
    environment.insert(QStringLiteral("RURE_CONNECT_AUDIT"), audit);
    environment.insert(QStringLiteral("RURE_LOG_LEVEL"), QStringLiteral("debug"));
    environment.remove(QStringLiteral("JOURNAL_STREAM"));
    viewer.setProcessEnvironment(environment);
    viewer.start(binaryDirectory() + QStringLiteral("/src/rure"), {});
    ASSERT_TRUE(viewer.waitForStarted(10000));

    // Play until the picture runs and the launch check has reached the server,
    // then a little longer for anything that comes later.
    QByteArray errors;
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
    QDeadlineTimer deadline(40000);
    while (!deadline.hasExpired() &&
           !(playing() && reached(updates.baseUrl().port()) && reached(camera.port()))) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        errors += viewer.readAllStandardError();
    }
    QDeadlineTimer linger(4000);
    while (!linger.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        errors += viewer.readAllStandardError();
    }
    ::kill(static_cast<pid_t>(viewer.processId()), SIGTERM);
    EXPECT_TRUE(viewer.waitForFinished(15000));
    errors += viewer.readAllStandardError();
    const std::string log = errors.toStdString();

    EXPECT_TRUE(playing()) << log;
    EXPECT_TRUE(reached(camera.port())) << log;
    EXPECT_TRUE(reached(updates.baseUrl().port())) << log;
    // The viewer does not trust the test's authority, so the check ends in
    // the handshake; the service tests show what it asks for once trusted.
    EXPECT_TRUE(updates.requestLines().isEmpty()) << log;

    const QList<Destination> destinations = auditedDestinations(audit);
    ASSERT_FALSE(destinations.isEmpty());
    for (const Destination& destination : destinations) {
        EXPECT_EQ(destination.host, QStringLiteral("127.0.0.1"))
            << destination.call.toStdString() << " " << destination.host.toStdString() << " "
            << destination.port;
        EXPECT_TRUE(destination.port == camera.port() ||
                    destination.port == updates.baseUrl().port())
            << destination.call.toStdString() << " " << destination.host.toStdString() << " "
            << destination.port;
    }
}

} // namespace
} // namespace rure::test
