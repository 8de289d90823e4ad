#include "RtspProbe.h"
#include "support/TestCamera.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>

#include "support/TestEnvironment.h"

using rure::test::Rgb;
using rure::test::RtspProbe;
using rure::test::TestCamera;

namespace {

constexpr int decodeTimeoutMs = 10000;
// Frames already on their way when a stall begins still arrive.
constexpr int inFlightMs = 400;

bool isBarsCentre(const Rgb& c) {
    return c.green > 150 && c.red < 70 && c.blue < 70;
}
// The solid colour of the second path, 0x2050d0, after a trip through H.264.
bool isSecondPathColour(const Rgb& c) {
    return std::abs(c.red - 0x20) < 30 && std::abs(c.green - 0x50) < 30 &&
           std::abs(c.blue - 0xd0) < 30;
}
bool isWhite(const Rgb& c) {
    return c.red > 220 && c.green > 220 && c.blue > 220;
}
bool isBlack(const Rgb& c) {
    return c.red < 35 && c.green < 35 && c.blue < 35;
}

qint64 monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Established TCP connections whose local end is 127.0.0.1:port, that is the
// camera's side of its client connections.
int establishedConnections(int port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QString local =
        QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    int count = 0;
    table.readLine(); // header
    while (!table.atEnd()) {
        const QStringList fields =
            QString::fromLatin1(table.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() > 3 && fields[1] == local && fields[3] == QStringLiteral("01")) {
            ++count;
        }
    }
    return count;
}

bool waitForConnections(int port, int expected, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (establishedConnections(port) != expected) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

std::unique_ptr<RtspProbe> decodingProbe(const QString& url, const QString& user = {},
                                         const QString& password = {}) {
    auto probe = std::make_unique<RtspProbe>(url, user, password);
    EXPECT_TRUE(probe->start());
    EXPECT_TRUE(probe->waitForFrames(3, decodeTimeoutMs))
        << url.toStdString() << ": " << probe->endReason().toStdString();
    return probe;
}

QString pathUrl(int port, const QString& path) {
    return QStringLiteral("rtsp://127.0.0.1:%1%2").arg(port).arg(path);
}

} // namespace

TEST(TestCameraTest, ServesBothPathsOnAFreePortAtTheRequestedSize) {
    TestCamera camera;
    TestCamera::Options options;
    options.width = 480;
    options.height = 272;
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

    const auto match = QRegularExpression(QStringLiteral(R"(^rtsp://127\.0\.0\.1:(\d+)/camera$)"))
                           .match(camera.url());
    ASSERT_TRUE(match.hasMatch()) << camera.url().toStdString();
    EXPECT_EQ(match.captured(1).toInt(), camera.port());
    EXPECT_GT(camera.port(), 0);
    EXPECT_EQ(camera.secondUrl(), pathUrl(camera.port(), QStringLiteral("/camera2")));

    auto bars = decodingProbe(camera.url());
    auto solid = decodingProbe(camera.secondUrl());
    EXPECT_EQ(bars->frameSize(), QSize(480, 272));
    EXPECT_EQ(solid->frameSize(), QSize(480, 272));

    // A live stream: frames keep coming.
    const int seen = bars->frames();
    EXPECT_TRUE(bars->waitForFrames(seen + 15, decodeTimeoutMs));

    EXPECT_TRUE(bars->waitForCentre(isBarsCentre, decodeTimeoutMs));
    EXPECT_TRUE(solid->waitForCentre(isSecondPathColour, decodeTimeoutMs));
    EXPECT_FALSE(isSecondPathColour(bars->centre().value_or(Rgb{})));
}

TEST(TestCameraTest, ServesTheConfiguredPathsOnly) {
    struct Case {
        QString path;
        QString secondPath;
    };
    const Case cases[] = {
        {QStringLiteral("/front"), QStringLiteral("/back")},
        {QStringLiteral("/front"), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.secondPath.toStdString());
        TestCamera camera;
        TestCamera::Options options;
        options.path = c.path;
        options.secondPath = c.secondPath;
        ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
        EXPECT_EQ(camera.url(), pathUrl(camera.port(), c.path));

        auto primary = decodingProbe(camera.url());
        EXPECT_TRUE(primary->waitForCentre(isBarsCentre, decodeTimeoutMs));

        if (c.secondPath.isEmpty()) {
            EXPECT_TRUE(camera.secondUrl().isEmpty());
            RtspProbe absent(pathUrl(camera.port(), QStringLiteral("/camera2")));
            ASSERT_TRUE(absent.start());
            EXPECT_TRUE(absent.waitForEnd(decodeTimeoutMs));
            EXPECT_EQ(absent.frames(), 0);
        } else {
            EXPECT_EQ(camera.secondUrl(), pathUrl(camera.port(), c.secondPath));
            auto second = decodingProbe(camera.secondUrl());
            EXPECT_TRUE(second->waitForCentre(isSecondPathColour, decodeTimeoutMs));
        }
    }
}

TEST(TestCameraTest, KeyFramesFollowTheConfiguredInterval) {
    TestCamera camera;
    TestCamera::Options options;
    options.width = 320;
    options.height = 180;
    options.fps = 30;
    options.keyframeInterval = 0.5;
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

    auto probe = decodingProbe(camera.url());
    ASSERT_TRUE(probe->waitForFrames(70, decodeTimeoutMs));
    EXPECT_GE(probe->keyFrames(), 3);
    EXPECT_EQ(probe->longestKeyFrameDistance(), 15);
}

TEST(TestCameraTest, StallKeepsClientsConnectedAndResumeStartsWithAKeyFrame) {
    TestCamera camera;
    TestCamera::Options options;
    // So long that a client joining during the stall can only start decoding
    // from the key frame forced by the resume.
    options.keyframeInterval = 60.0;
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();

    auto early = decodingProbe(camera.url());
    const int keyFramesBeforeStall = early->keyFrames();
    ASSERT_TRUE(camera.stall());
    QThread::msleep(inFlightMs);
    const int stalledAt = early->frames();

    RtspProbe late(camera.url());
    ASSERT_TRUE(late.start());
    QThread::msleep(2000);
    EXPECT_EQ(early->frames(), stalledAt);
    EXPECT_EQ(late.frames(), 0);
    EXPECT_FALSE(early->hasEnded()) << early->endReason().toStdString();
    EXPECT_FALSE(late.hasEnded()) << late.endReason().toStdString();
    EXPECT_EQ(establishedConnections(camera.port()), 2);

    ASSERT_TRUE(camera.resume());
    EXPECT_TRUE(early->waitForFrames(stalledAt + 5, 5000));
    EXPECT_TRUE(late.waitForFrames(3, 5000));
    EXPECT_EQ(early->keyFrames(), keyFramesBeforeStall + 1);
    EXPECT_GE(late.keyFrames(), 1);

    // The same through signals.
    ASSERT_TRUE(camera.sendSignal(SIGUSR1));
    ASSERT_TRUE(camera.waitForLine(QStringLiteral("ok stall")));
    QThread::msleep(inFlightMs);
    const int signalledAt = late.frames();
    QThread::msleep(1000);
    EXPECT_EQ(late.frames(), signalledAt);
    ASSERT_TRUE(camera.sendSignal(SIGUSR2));
    ASSERT_TRUE(camera.waitForLine(QStringLiteral("ok resume")));
    EXPECT_TRUE(late.waitForFrames(signalledAt + 5, 5000));
    EXPECT_FALSE(late.hasEnded());
}

TEST(TestCameraTest, DropDisconnectsClientsAndKeepsListening) {
    TestCamera camera;
    ASSERT_TRUE(camera.start()) << camera.errorOutput().toStdString();

    auto first = decodingProbe(camera.url());
    auto second = decodingProbe(camera.secondUrl());
    ASSERT_TRUE(camera.dropClients());
    EXPECT_TRUE(first->waitForEnd(5000));
    EXPECT_TRUE(second->waitForEnd(5000));
    EXPECT_TRUE(waitForConnections(camera.port(), 0, 5000));

    auto again = decodingProbe(camera.url());
    ASSERT_TRUE(camera.sendSignal(SIGHUP));
    ASSERT_TRUE(camera.waitForLine(QStringLiteral("ok drop")));
    EXPECT_TRUE(again->waitForEnd(5000));

    auto afterSignal = decodingProbe(camera.url());
    EXPECT_FALSE(afterSignal->hasEnded());
}

TEST(TestCameraTest, PictureSwitchesChangeThePrimaryPathOnly) {
    TestCamera camera;
    ASSERT_TRUE(camera.start()) << camera.errorOutput().toStdString();
    auto primary = decodingProbe(camera.url());
    auto second = decodingProbe(camera.secondUrl());
    ASSERT_TRUE(primary->waitForCentre(isBarsCentre, decodeTimeoutMs));

    const qint64 beforeWhite = monotonicNanoseconds();
    ASSERT_TRUE(camera.showWhite());
    const qint64 afterWhite = monotonicNanoseconds();
    EXPECT_GE(camera.lastSwitchNanoseconds(), beforeWhite);
    EXPECT_LE(camera.lastSwitchNanoseconds(), afterWhite);
    EXPECT_TRUE(primary->waitForCentre(isWhite, decodeTimeoutMs));

    ASSERT_TRUE(camera.showBlack());
    EXPECT_GT(camera.lastSwitchNanoseconds(), afterWhite);
    EXPECT_TRUE(primary->waitForCentre(isBlack, decodeTimeoutMs));
    EXPECT_TRUE(isSecondPathColour(second->centre().value_or(Rgb{})));

    // A pipeline built for a later client shows the current picture too.
    ASSERT_TRUE(camera.dropClients());
    EXPECT_TRUE(primary->waitForEnd(5000));
    auto later = decodingProbe(camera.url());
    EXPECT_TRUE(later->waitForCentre(isBlack, decodeTimeoutMs));

    ASSERT_TRUE(camera.showPattern());
    EXPECT_TRUE(later->waitForCentre(isBarsCentre, decodeTimeoutMs));
}

TEST(TestCameraTest, KilledCameraRestartsOnTheSamePort) {
    TestCamera camera;
    ASSERT_TRUE(camera.start()) << camera.errorOutput().toStdString();
    const int port = camera.port();
    const QString url = camera.url();
    auto before = decodingProbe(url);

    camera.kill();
    EXPECT_FALSE(camera.isRunning());
    EXPECT_FALSE(camera.exitCode().has_value());
    EXPECT_TRUE(before->waitForEnd(5000));

    ASSERT_TRUE(camera.restart()) << camera.errorOutput().toStdString();
    EXPECT_EQ(camera.port(), port);
    EXPECT_EQ(camera.url(), url);
    auto after = decodingProbe(url);
    EXPECT_TRUE(after->waitForCentre(isBarsCentre, decodeTimeoutMs));
}

TEST(TestCameraTest, AuthenticationAdmitsOnlyTheRightCredentials) {
    TestCamera camera;
    TestCamera::Options options;
    options.user = QStringLiteral("viewer");
    options.password = QStringLiteral("s3cret-pw");
    ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
    EXPECT_FALSE(camera.url().contains(QLatin1Char('@')));

    struct Case {
        const char* name;
        QString user;
        QString password;
        bool admitted;
    };
    const Case cases[] = {
        {"no credentials", QString(), QString(), false},
        {"wrong password", options.user, QStringLiteral("guess"), false},
        {"unknown user", QStringLiteral("admin"), options.password, false},
        {"right credentials", options.user, options.password, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RtspProbe probe(camera.url(), c.user, c.password);
        ASSERT_TRUE(probe.start());
        if (c.admitted) {
            EXPECT_TRUE(probe.waitForFrames(3, decodeTimeoutMs)) << probe.endReason().toStdString();
        } else {
            EXPECT_TRUE(probe.waitForEnd(decodeTimeoutMs));
            EXPECT_EQ(probe.frames(), 0);
        }
    }
    EXPECT_FALSE(camera.errorOutput().contains(options.password));
}

TEST(TestCameraTest, QuitAndTerminationSignalsExitCleanly) {
    struct Case {
        const char* name;
        int signalNumber; // 0: the quit command
    };
    for (const Case& c : {Case{"quit", 0}, Case{"SIGTERM", SIGTERM}, Case{"SIGINT", SIGINT}}) {
        SCOPED_TRACE(c.name);
        TestCamera camera;
        TestCamera::Options options;
        options.secondPath.clear();
        ASSERT_TRUE(camera.start(options)) << camera.errorOutput().toStdString();
        auto probe = decodingProbe(camera.url());
        if (c.signalNumber == 0) {
            camera.stop();
        } else {
            ASSERT_TRUE(camera.sendSignal(c.signalNumber));
        }
        ASSERT_TRUE(camera.waitForExit(5000));
        EXPECT_EQ(camera.exitCode(), std::optional<int>(0));
    }
}

TEST(TestCameraTest, KeepsServingAfterStandardInputEnds) {
    QProcess process;
    process.setProgram(rure::test::testCameraProgram());
    process.setArguments({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--width"),
                          QStringLiteral("320"), QStringLiteral("--height"), QStringLiteral("180"),
                          QStringLiteral("--no-second-path")});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
    ASSERT_TRUE(process.waitForStarted());

    QByteArray output;
    const QDeadlineTimer deadline(15000);
    while (!output.contains("ready\n") && !deadline.hasExpired() &&
           process.state() == QProcess::Running) {
        process.waitForReadyRead(100);
        output += process.readAllStandardOutput();
    }
    const QList<QByteArray> lines = output.split('\n');
    ASSERT_GE(lines.size(), 2) << output.toStdString();
    EXPECT_EQ(lines[1], "ready");
    ASSERT_TRUE(lines[0].startsWith("rtsp://127.0.0.1:")) << output.toStdString();

    auto probe = decodingProbe(QString::fromUtf8(lines[0]));
    EXPECT_EQ(process.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

TEST(TestCameraTest, RefusesToStartOnABusyPort) {
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::LocalHost, 0));
    TestCamera camera;
    TestCamera::Options options;
    options.port = occupant.serverPort();
    EXPECT_FALSE(camera.start(options));
    ASSERT_TRUE(camera.exitCode().has_value());
    EXPECT_NE(*camera.exitCode(), 0);
    EXPECT_TRUE(camera.errorOutput().contains(QString::number(options.port)))
        << camera.errorOutput().toStdString();
}

TEST(TestCameraTest, RefusesInvalidArguments) {
    const QStringList cases[] = {
        {QStringLiteral("--width"), QStringLiteral("0")},
        {QStringLiteral("--fps"), QStringLiteral("-5")},
        {QStringLiteral("--keyframe-interval"), QStringLiteral("0")},
        {QStringLiteral("--port"), QStringLiteral("70000")},
        {QStringLiteral("--path"), QStringLiteral("camera")},
        {QStringLiteral("--path"), QStringLiteral("/same"), QStringLiteral("--second-path"),
         QStringLiteral("/same")},
        {QStringLiteral("--user"), QStringLiteral("viewer")},
        {QStringLiteral("--no-such-option")},
        {QStringLiteral("stray")},
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(rure::test::testCameraProgram(),
                      QStringList{QStringLiteral("--port"), QString::number(TestCamera::freePort())}
                          << arguments);
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(process.exitCode(), 0);
        EXPECT_FALSE(process.readAllStandardError().isEmpty());
        EXPECT_FALSE(process.readAllStandardOutput().contains("ready"));
    }
}
