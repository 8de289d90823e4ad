#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QProcess;

namespace rure::test {

// How a TestCamera is started; the defaults keep the tests light.
struct TestCameraOptions {
    int port = 0; // 0 = any free port
    QString path = QStringLiteral("/camera");
    QString secondPath = QStringLiteral("/camera2"); // empty = no second path
    QString smallPath{};                             // empty = no small stream
    QString smallSize = QStringLiteral("320x180");
    int width = 640;
    int height = 360;
    double fps = 30;
    double keyframeInterval = 1.0; // seconds
    QString user;                  // empty = no authentication
    QString password;
    // Passed after the options above, e.g. {"--codec", "h265", "--audio", "aac"}.
    QStringList extraArguments{};
};

// Runs the rure-test-camera program (a live H.264 RTSP camera on 127.0.0.1)
// for one test and drives it through its standard input. The process ends with
// this object; it also dies with the test process, so a crashed test leaves no
// camera behind. The camera's standard error is passed on to the test's
// standard error and kept for errorOutput().
class TestCamera {
public:
    using Options = TestCameraOptions;

    TestCamera();
    ~TestCamera();
    TestCamera(const TestCamera&) = delete;
    TestCamera& operator=(const TestCamera&) = delete;

    // Starts the camera (stopping a running one first) and waits until it serves.
    bool start(const Options& options = {}, int timeoutMs = 15000);

    QString url() const { return url_; }
    QString secondUrl() const { return secondUrl_; } // empty without a second path
    QString smallUrl() const { return smallUrl_; }   // empty without a small stream
    int port() const { return port_; }
    const Options& options() const { return options_; }

    // Each sends one command and waits until the camera confirms it took effect.
    bool stall();
    bool resume();
    bool dropClients();
    bool showBlack();
    bool showWhite();
    bool showPattern();
    // Sends one picture every --still-interval seconds (an extra argument), or
    // every picture again.
    bool still();
    bool moving();
    // Switches the picture size within the running sessions.
    bool resize(int width, int height);
    // Makes the RTP timestamps jump by `seconds`, backwards when negative.
    bool jumpClock(double seconds);
    // CLOCK_MONOTONIC nanoseconds at which the last black or white picture was
    // set in the camera; -1 before any.
    qint64 lastSwitchNanoseconds() const { return lastSwitchNs_; }
    // When the latest PLAY request arrived (CLOCK_MONOTONIC), or -1.
    qint64 lastPlayNanoseconds();

    // Ends the camera at once, like a camera losing power.
    void kill();
    // Starts the camera again with the same options on the same port.
    bool restart(int timeoutMs = 15000);
    // Asks the camera to quit; kills it if it does not.
    void stop();

    bool isRunning() const;
    qint64 processId() const;
    bool sendSignal(int signalNumber);
    // Waits for this exact line on the camera's standard output, skipping others.
    bool waitForLine(const QString& line, int timeoutMs = 5000);
    bool waitForExit(int timeoutMs = 5000);
    // The exit status once the camera has exited by itself (not by a signal).
    std::optional<int> exitCode() const { return exitCode_; }
    QString errorOutput() const { return QString::fromLocal8Bit(errorOutput_); }

    // A TCP port on 127.0.0.1 that nothing listens on right now.
    static int freePort();

private:
    bool launch(const Options& options, int timeoutMs);
    bool command(const QString& name);
    // Moves what the camera wrote into the line queue and the error output.
    void collectOutput();
    void noteExit();
    std::optional<QString> takeLine();

    std::unique_ptr<QProcess> process_;
    Options options_;
    QString url_;
    QString secondUrl_;
    QString smallUrl_;
    int port_ = 0;
    QByteArray partialLine_;
    QStringList lines_;
    QByteArray errorOutput_;
    qint64 lastSwitchNs_ = -1;
    qint64 lastPlayNs_ = -1;
    std::optional<int> exitCode_;
};

} // namespace rure::test
