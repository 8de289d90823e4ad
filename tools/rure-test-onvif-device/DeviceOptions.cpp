#include "DeviceOptions.h"

#include <QCommandLineParser>

namespace rure::device {

namespace {

template <typename Mode>
bool readMode(const QString& text, const QList<std::pair<QString, Mode>>& modes, Mode& mode) {
    for (const auto& [name, value] : modes) {
        if (text == name) {
            mode = value;
            return true;
        }
    }
    return false;
}

} // namespace

std::variant<DeviceOptions, OptionsError> parseDeviceOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "An ONVIF device for the tests of Rure: answers WS-Discovery probes on every "
        "multicast interface and a few SOAP calls on 127.0.0.1, pointing at an RTSP stream."));
    parser.addHelpOption();
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Address of the SOAP service"),
                                     QStringLiteral("ip"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("http-port"),
                                  QStringLiteral("Port of the SOAP service (0 = any)"),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("The device's name"),
                                  QStringLiteral("text"));
    const QCommandLineOption manufacturer(
        QStringLiteral("manufacturer"), QStringLiteral("Its manufacturer"), QStringLiteral("text"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Its model"),
                                   QStringLiteral("text"));
    const QCommandLineOption stream(QStringLiteral("stream"),
                                    QStringLiteral("RTSP address of the main profile (required)"),
                                    QStringLiteral("url"));
    const QCommandLineOption secondStream(QStringLiteral("second-stream"),
                                          QStringLiteral("RTSP address of a second profile"),
                                          QStringLiteral("url"));
    const QCommandLineOption secondFirst(
        QStringLiteral("second-profile-first"),
        QStringLiteral("List the second profile (the smaller) before the main one"));
    const QCommandLineOption user(QStringLiteral("user"),
                                  QStringLiteral("Require a WS-Security login"),
                                  QStringLiteral("name"));
    const QCommandLineOption password(
        QStringLiteral("password"), QStringLiteral("Password for --user"), QStringLiteral("text"));
    const QCommandLineOption unauthorized(
        QStringLiteral("unauthorized-status"),
        QStringLiteral("HTTP status of a refused login: 400 (with a SOAP fault) or 401"),
        QStringLiteral("n"), QStringLiteral("400"));
    const QCommandLineOption clockOffset(QStringLiteral("clock-offset"),
                                         QStringLiteral("Seconds the device's clock is ahead"),
                                         QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption discovery(
        QStringLiteral("discovery-reply"),
        QStringLiteral("normal, garbage, oversized, silent or off-network"), QStringLiteral("mode"),
        QStringLiteral("normal"));
    const QCommandLineOption soap(QStringLiteral("soap-reply"),
                                  QStringLiteral("normal, garbage, oversized or silent"),
                                  QStringLiteral("mode"), QStringLiteral("normal"));
    parser.addOptions({address, port, name, manufacturer, model, stream, secondStream, secondFirst,
                       user, password, unauthorized, clockOffset, discovery, soap});
    if (!parser.parse(arguments)) {
        return OptionsError{parser.errorText()};
    }
    if (parser.isSet(QStringLiteral("help"))) {
        return OptionsError{parser.helpText()};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return OptionsError{QStringLiteral("unexpected argument: ") +
                            parser.positionalArguments().first()};
    }

    DeviceOptions options;
    if (!options.address.setAddress(parser.value(address))) {
        return OptionsError{QStringLiteral("--address must be an IP address")};
    }
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        return OptionsError{QStringLiteral("--http-port must be between 0 and 65535")};
    }
    options.httpPort = static_cast<quint16>(portNumber);
    if (parser.isSet(name)) {
        options.name = parser.value(name);
    }
    if (parser.isSet(manufacturer)) {
        options.manufacturer = parser.value(manufacturer);
    }
    if (parser.isSet(model)) {
        options.model = parser.value(model);
    }
    options.stream = QUrl(parser.value(stream), QUrl::StrictMode);
    if (!options.stream.isValid() || options.stream.scheme() != QLatin1String("rtsp")) {
        return OptionsError{QStringLiteral("--stream must be an rtsp:// address")};
    }
    if (parser.isSet(secondStream)) {
        options.secondStream = QUrl(parser.value(secondStream), QUrl::StrictMode);
        if (!options.secondStream.isValid()) {
            return OptionsError{QStringLiteral("--second-stream must be an rtsp:// address")};
        }
    }
    options.secondProfileFirst = parser.isSet(secondFirst);
    if (options.secondProfileFirst && options.secondStream.isEmpty()) {
        return OptionsError{QStringLiteral("--second-profile-first needs --second-stream")};
    }
    options.user = parser.value(user);
    options.password = parser.value(password);
    if (options.user.isEmpty() != options.password.isEmpty()) {
        return OptionsError{QStringLiteral("--user and --password must be given together")};
    }
    options.unauthorizedStatus = parser.value(unauthorized).toInt(&ok);
    if (!ok || (options.unauthorizedStatus != 400 && options.unauthorizedStatus != 401)) {
        return OptionsError{QStringLiteral("--unauthorized-status must be 400 or 401")};
    }
    options.clockOffsetSeconds = parser.value(clockOffset).toLongLong(&ok);
    if (!ok) {
        return OptionsError{QStringLiteral("--clock-offset must be a number of seconds")};
    }
    if (!readMode<DiscoveryReply>(parser.value(discovery),
                                  {{QStringLiteral("normal"), DiscoveryReply::normal},
                                   {QStringLiteral("garbage"), DiscoveryReply::garbage},
                                   {QStringLiteral("oversized"), DiscoveryReply::oversized},
                                   {QStringLiteral("silent"), DiscoveryReply::silent},
                                   {QStringLiteral("off-network"), DiscoveryReply::offNetwork}},
                                  options.discoveryReply)) {
        return OptionsError{QStringLiteral("unknown --discovery-reply mode")};
    }
    if (!readMode<SoapReplyMode>(parser.value(soap),
                                 {{QStringLiteral("normal"), SoapReplyMode::normal},
                                  {QStringLiteral("garbage"), SoapReplyMode::garbage},
                                  {QStringLiteral("oversized"), SoapReplyMode::oversized},
                                  {QStringLiteral("silent"), SoapReplyMode::silent}},
                                 options.soapReply)) {
        return OptionsError{QStringLiteral("unknown --soap-reply mode")};
    }
    return options;
}

} // namespace rure::device
