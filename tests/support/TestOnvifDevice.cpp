#include "TestOnvifDevice.h"

#include "BuildPlaces.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace rure::test {

namespace {

QString deviceProgram() {
    return qEnvironmentVariable("RURE_TEST_ONVIF_DEVICE",
                                QString::fromUtf8(build::testOnvifDeviceProgram));
}

QStringList argumentsFor(const TestOnvifDevice::Options& options) {
    QStringList arguments{QStringLiteral("--stream"),
                          options.stream,
                          QStringLiteral("--name"),
                          options.name,
                          QStringLiteral("--manufacturer"),
                          options.manufacturer,
                          QStringLiteral("--model"),
                          options.model,
                          QStringLiteral("--unauthorized-status"),
                          QString::number(options.unauthorizedStatus),
                          QStringLiteral("--clock-offset"),
                          QString::number(options.clockOffsetSeconds),
                          QStringLiteral("--discovery-reply"),
                          options.discoveryReply,
                          QStringLiteral("--soap-reply"),
                          options.soapReply};
    if (!options.address.isEmpty()) {
        arguments << QStringLiteral("--address") << options.address;
    }
    if (!options.secondStream.isEmpty()) {
        arguments << QStringLiteral("--second-stream") << options.secondStream;
    }
    if (options.secondProfileFirst) {
        arguments << QStringLiteral("--second-profile-first");
    }
    if (!options.user.isEmpty()) {
        arguments << QStringLiteral("--user") << options.user << QStringLiteral("--password")
                  << options.password;
    }
    return arguments;
}

} // namespace

TestOnvifDevice::TestOnvifDevice() = default;

TestOnvifDevice::~TestOnvifDevice() {
    stop();
}

bool TestOnvifDevice::start(const Options& options, int timeoutMs) {
    stop();
    options_ = options;
    serviceAddress_.clear();
    lines_.clear();
    partial_.clear();
    process_ = std::make_unique<QProcess>();
    process_->setProgram(deviceProgram());
    process_->setArguments(argumentsFor(options));
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_->start();
    if (!process_->waitForStarted(timeoutMs)) {
        std::fprintf(stderr, "TestOnvifDevice: cannot start '%s': %s\n",
                     qPrintable(deviceProgram()), qPrintable(process_->errorString()));
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const bool running = process_->state() == QProcess::Running;
        collect();
        while (!lines_.isEmpty()) {
            const QString line = lines_.takeFirst();
            if (line.startsWith(QStringLiteral("http://"))) {
                serviceAddress_ = line;
            } else if (line == QStringLiteral("ready")) {
                return !serviceAddress_.isEmpty();
            }
        }
        if (!running) {
            std::fprintf(stderr, "TestOnvifDevice: the device ended: %s\n",
                         qPrintable(errorOutput()));
            return false;
        }
        process_->waitForReadyRead(50);
    }
    return false;
}

void TestOnvifDevice::stop() {
    if (!process_) {
        return;
    }
    if (process_->state() != QProcess::NotRunning) {
        process_->write("quit\n");
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(3000);
        }
    }
    collect();
    process_.reset();
}

QString TestOnvifDevice::host() const {
    return QUrl(serviceAddress_).host();
}

void TestOnvifDevice::collect() {
    if (!process_) {
        return;
    }
    const QByteArray errors = process_->readAllStandardError();
    if (!errors.isEmpty()) {
        errors_ += errors;
        std::fwrite(errors.constData(), 1, static_cast<std::size_t>(errors.size()), stderr);
    }
    partial_ += process_->readAllStandardOutput();
    qsizetype newline;
    while ((newline = partial_.indexOf('\n')) >= 0) {
        lines_ << QString::fromUtf8(partial_.left(newline)).trimmed();
        partial_.remove(0, newline + 1);
    }
}

QStringList TestOnvifDevice::report() {
    if (process_ && process_->state() == QProcess::Running) {
        // Lines the device printed a moment ago may still be in the pipe.
        process_->waitForReadyRead(0);
    }
    collect();
    return lines_;
}

QStringList TestOnvifDevice::requests() {
    QStringList served;
    for (const QString& line : report()) {
        if (line.startsWith(QStringLiteral("request "))) {
            served << line.mid(8);
        }
    }
    return served;
}

int TestOnvifDevice::probesHeard() {
    return static_cast<int>(report().count(QStringLiteral("probe")));
}

} // namespace rure::test
