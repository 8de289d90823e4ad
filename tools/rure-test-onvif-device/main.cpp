// rure-test-onvif-device: an ONVIF camera's discovery and SOAP services for
// the tests of Rure. It answers WS-Discovery probes and GetSystemDateAndTime,
// GetCapabilities, GetDeviceInformation, GetProfiles and GetStreamUri, with
// or without a login, pointing at the RTSP stream given on its command line
// (the test camera's). It prints its device service address and then
// "ready", and one line per probe and request it serves. It ends when its
// standard input reads "quit" or closes, or on a signal.

#include "DeviceOptions.h"
#include "DiscoveryResponder.h"
#include "SoapService.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>
#include <variant>

using rure::device::DeviceOptions;

namespace {

void printLine(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void fail(const QString& message) {
    std::fprintf(stderr, "rure-test-onvif-device: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    auto parsed = rure::device::parseDeviceOptions(QCoreApplication::arguments());
    if (const auto* failure = std::get_if<rure::device::OptionsError>(&parsed)) {
        fail(failure->message);
        return 2;
    }
    const DeviceOptions options = std::get<DeviceOptions>(std::move(parsed));

    rure::device::SoapService soap(options);
    if (const QString error = soap.listen(); !error.isEmpty()) {
        fail(error);
        return 1;
    }
    rure::device::DiscoveryResponder discovery(options, soap.serviceAddress());
    if (const QString error = discovery.listen(); !error.isEmpty()) {
        fail(error);
        return 1;
    }

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, &application, [&commands] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0 || QByteArray(buffer, static_cast<qsizetype>(count)).contains("quit")) {
            commands.setEnabled(false);
            QCoreApplication::quit();
        }
    });

    printLine(soap.serviceAddress());
    printLine(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
