// The viewer program as a user starts it: a real process, real files, real
// signals.
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace rure::test {
namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Starts the viewer with its data and settings in `home`, waits until `line`
// has appeared on standard error, then sends `signalNumber`.
struct ViewerRun {
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QString standardError;
    bool sawLine = false;
};

ViewerRun runViewerUntil(const QString& home, const QString& line, int signalNumber) {
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.remove(QStringLiteral("JOURNAL_STREAM"));
    environment.insert(QStringLiteral("RURE_UPDATE_SERVER"), QStringLiteral("https://127.0.0.1:9"));
    viewer.setProcessEnvironment(environment);
    viewer.setProcessChannelMode(QProcess::SeparateChannels);
    viewer.start(binaryDirectory() + QStringLiteral("/src/rure"), {});
    ViewerRun run;
    if (!viewer.waitForStarted(10000)) {
        return run;
    }
    QByteArray errors;
    for (int waited = 0; waited < 20000 && !run.sawLine; waited += 50) {
        viewer.waitForReadyRead(50);
        errors += viewer.readAllStandardError();
        run.sawLine = errors.contains(line.toUtf8());
    }
    ::kill(static_cast<pid_t>(viewer.processId()), signalNumber);
    if (!viewer.waitForFinished(15000)) {
        viewer.kill();
        viewer.waitForFinished();
    }
    errors += viewer.readAllStandardError();
    run.standardError = QString::fromUtf8(errors);
    run.exitCode = viewer.exitCode();
    run.exitStatus = viewer.exitStatus();
    return run;
}

TEST(ViewerProcess, recoversADamagedListLeavesBothFilesAloneAndQuitsCleanlyOnSignals) {
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        QTemporaryDir home;
        const QString store = home.path() + QStringLiteral("/data/rure");
        ASSERT_TRUE(QDir().mkpath(store));
        const QByteArray damaged("{\"cameras\" : [ { \"name\" : \"Hall");
        // Port 9 on loopback: nothing listens, so no picture, which is fine here.
        const QByteArray lastGood(
            "{\n  \"cameras\" : [\n    {\n      \"name\" : \"Hall\",\n      \"url\" : "
            "\"rtsp://127.0.0.1:9/hall\"\n    },\n    {\n      \"name\" : \"Yard\",\n      "
            "\"url\" : \"rtsp://127.0.0.1:9/yard\"\n    }\n  ]\n}");
        write(store + QStringLiteral("/cameras.json"), damaged);
        write(store + QStringLiteral("/cameras.last-good.json"), lastGood);

        const ViewerRun run = runViewerUntil(
            home.path(),
            QStringLiteral("Recovered 2 cameras from the last-known-good configuration."),
            signalNumber);

        EXPECT_TRUE(run.sawLine) << run.standardError.toStdString();
        const QString recovery = QStringLiteral(
            "com.didirezoror.rure.configuration error: Primary camera configuration is invalid; "
            "attempting owner-only recovery.");
        const QString recovered = QStringLiteral(
            "com.didirezoror.rure.configuration default: Recovered 2 cameras from the "
            "last-known-good configuration.");
        EXPECT_LT(run.standardError.indexOf(recovery), run.standardError.indexOf(recovered));
        EXPECT_GE(run.standardError.indexOf(recovery), 0);
        EXPECT_TRUE(run.standardError.contains(
            QStringLiteral("com.didirezoror.rure.lifecycle default: Rure is terminating.")));
        EXPECT_EQ(run.exitStatus, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(readAll(store + QStringLiteral("/cameras.json")), damaged);
        EXPECT_EQ(readAll(store + QStringLiteral("/cameras.last-good.json")), lastGood);
        EXPECT_FALSE(run.standardError.contains(QStringLiteral("Hall")));
        EXPECT_FALSE(run.standardError.contains(QStringLiteral("127.0.0.1:9")));
    }
}

TEST(ViewerProcess, startsWithAnyDamagedListAndNeverRewritesIt) {
    QByteArray garbage(8 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 7919) % 251);
    }
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"not JSON", QByteArray("cameras: Hall")},
        {"wrong shape", QByteArray("[{\"name\": \"Hall\", \"url\": \"rtsp://h/\"}]")},
        {"garbage", garbage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir home;
        const QString store = home.path() + QStringLiteral("/data/rure");
        ASSERT_TRUE(QDir().mkpath(store));
        write(store + QStringLiteral("/cameras.json"), c.bytes);

        const ViewerRun run = runViewerUntil(
            home.path(), QStringLiteral("No usable camera configuration could be loaded."),
            SIGTERM);
        EXPECT_TRUE(run.sawLine) << run.standardError.toStdString();
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(readAll(store + QStringLiteral("/cameras.json")), c.bytes);
        EXPECT_FALSE(QFile::exists(store + QStringLiteral("/cameras.last-good.json")));
    }
    // A directory in place of the list is as harmless.
    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/data/rure/cameras.json/inside")));
    const ViewerRun run = runViewerUntil(
        home.path(), QStringLiteral("No usable camera configuration could be loaded."), SIGTERM);
    EXPECT_TRUE(run.sawLine) << run.standardError.toStdString();
    EXPECT_EQ(run.exitCode, 0);
}

} // namespace
} // namespace rure::test
