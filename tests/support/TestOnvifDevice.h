#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

namespace rure::test {

// How a TestOnvifDevice is started (the options of rure-test-onvif-device).
struct TestOnvifDeviceOptions {
    QString stream = {}; // the main profile's RTSP address
    QString secondStream = {};
    bool secondProfileFirst = false; // the second (smaller) profile listed first
    QString name = QStringLiteral("Front Door");
    QString manufacturer = QStringLiteral("Rure Labs");
    QString model = QStringLiteral("RT-100");
    QString user = {}; // empty = no login
    QString password = {};
    int unauthorizedStatus = 400;
    qint64 clockOffsetSeconds = 0;
    QString discoveryReply = QStringLiteral("normal");
    QString soapReply = QStringLiteral("normal");
    QString address = {}; // of the SOAP service; empty = 127.0.0.1
};

// Runs the rure-test-onvif-device program for one test: an ONVIF camera's
// discovery and SOAP services on the test's network. It records every line
// the device prints about the probes and requests it served. The process ends
// with this object, and with the test process.
class TestOnvifDevice {
public:
    using Options = TestOnvifDeviceOptions;

    TestOnvifDevice();
    ~TestOnvifDevice();
    TestOnvifDevice(const TestOnvifDevice&) = delete;
    TestOnvifDevice& operator=(const TestOnvifDevice&) = delete;

    // Starts the device and waits until it serves.
    bool start(const Options& options, int timeoutMs = 10000);
    void stop();

    QString serviceAddress() const { return serviceAddress_; }
    QString host() const;
    const Options& options() const { return options_; }

    // What the device printed since it started ("probe", "request GetProfiles
    // login=accepted", "password-in-clear GetProfiles"...).
    QStringList report();
    // The requests it served, as "<operation> login=<none|accepted|refused>".
    QStringList requests();
    int probesHeard();
    QString errorOutput() const { return QString::fromLocal8Bit(errors_); }

private:
    void collect();

    std::unique_ptr<QProcess> process_;
    Options options_;
    QString serviceAddress_;
    QByteArray partial_;
    QStringList lines_;
    QByteArray errors_;
};

} // namespace rure::test
