#include "SoapMessages.h"

#include <QUuid>
#include <QXmlStreamReader>

namespace rure::device {

namespace {

const QString soap = QStringLiteral("http://www.w3.org/2003/05/soap-envelope");
const QString addressing = QStringLiteral("http://schemas.xmlsoap.org/ws/2004/08/addressing");
const QString discovery = QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery");
const QString security = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd");
const QString securityUtility = QStringLiteral(
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd");

// Prefixes as one well-known device family writes them, not as Rure does.
QByteArray envelope(const QString& body) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"%1\" "
                          "xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" "
                          "xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\" "
                          "xmlns:tt=\"http://www.onvif.org/ver10/schema\" "
                          "xmlns:ter=\"http://www.onvif.org/ver10/error\">"
                          "<SOAP-ENV:Body>%2</SOAP-ENV:Body></SOAP-ENV:Envelope>\n")
        .arg(soap, body)
        .toUtf8();
}

QByteArray fault(const QString& subcode, const QString& reason) {
    return envelope(QStringLiteral("<SOAP-ENV:Fault><SOAP-ENV:Code>"
                                   "<SOAP-ENV:Value>SOAP-ENV:Sender</SOAP-ENV:Value>"
                                   "<SOAP-ENV:Subcode><SOAP-ENV:Value>%1</SOAP-ENV:Value>"
                                   "</SOAP-ENV:Subcode></SOAP-ENV:Code>"
                                   "<SOAP-ENV:Reason><SOAP-ENV:Text xml:lang=\"en\">%2"
                                   "</SOAP-ENV:Text></SOAP-ENV:Reason></SOAP-ENV:Fault>")
                        .arg(subcode, reason));
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString profile(const QString& token, const QString& name, int width, int height) {
    return QStringLiteral("<trt:Profiles token=\"%1\" fixed=\"true\"><tt:Name>%2</tt:Name>"
                          "<tt:VideoEncoderConfiguration token=\"encoder_%1\">"
                          "<tt:Name>encoder</tt:Name><tt:Encoding>H264</tt:Encoding>"
                          "<tt:Resolution><tt:Width>%3</tt:Width><tt:Height>%4</tt:Height>"
                          "</tt:Resolution></tt:VideoEncoderConfiguration></trt:Profiles>")
        .arg(token, escaped(name))
        .arg(width)
        .arg(height);
}

QString percentEncoded(const QString& text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

std::optional<SoapCall> readSoapCall(const QByteArray& body) {
    QXmlStreamReader reader(body);
    SoapCall call;
    bool inBody = false;
    bool inEnvelope = false;
    int bodyDepth = 0;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QStringView name = reader.name();
            const QStringView uri = reader.namespaceUri();
            if (depth == 1) {
                inEnvelope = uri == soap && name == QLatin1String("Envelope");
            } else if (uri == soap && name == QLatin1String("Body")) {
                inBody = true;
                bodyDepth = depth;
            } else if (inBody && depth == bodyDepth + 1 && call.operation.isEmpty()) {
                call.operation = name.toString();
            } else if (name == QLatin1String("ProfileToken")) {
                call.profileToken = reader.readElementText().trimmed();
                --depth;
            } else if (uri == security && name == QLatin1String("UsernameToken")) {
                call.hasToken = true;
            } else if (uri == security && name == QLatin1String("Username")) {
                call.userName = reader.readElementText();
                --depth;
            } else if (uri == security && name == QLatin1String("Password")) {
                call.passwordType = reader.attributes().value(QStringLiteral("Type")).toString();
                call.passwordDigest = reader.readElementText().trimmed();
                --depth;
            } else if (uri == security && name == QLatin1String("Nonce")) {
                call.nonce = reader.readElementText().trimmed();
                --depth;
            } else if (uri == securityUtility && name == QLatin1String("Created")) {
                call.created = reader.readElementText().trimmed();
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (inBody && depth == bodyDepth) {
                inBody = false;
            }
            --depth;
        }
    }
    if (reader.hasError() || !inEnvelope || call.operation.isEmpty()) {
        return std::nullopt;
    }
    return call;
}

std::optional<QString> probeMessageId(const QByteArray& datagram) {
    QXmlStreamReader reader(datagram);
    QString messageId;
    bool isProbe = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (reader.namespaceUri() == addressing && reader.name() == QLatin1String("MessageID")) {
            messageId = reader.readElementText().trimmed();
        } else if (reader.namespaceUri() == discovery && reader.name() == QLatin1String("Probe")) {
            isProbe = true;
        }
    }
    if (reader.hasError() || !isProbe || messageId.isEmpty()) {
        return std::nullopt;
    }
    return messageId;
}

QByteArray probeMatches(const DeviceOptions& options, const QString& endpoint,
                        const QString& relatesTo, const QString& serviceAddress,
                        qsizetype padding) {
    const QString scopes = QStringLiteral("onvif://www.onvif.org/type/video_encoder "
                                          "onvif://www.onvif.org/Profile/Streaming "
                                          "onvif://www.onvif.org/name/%1 "
                                          "onvif://www.onvif.org/hardware/%2")
                               .arg(percentEncoded(options.name), percentEncoded(options.model));
    // A comment: only the size of the datagram tells it from a valid answer.
    const QString filler =
        padding > 0 ? QStringLiteral("<!-- %1 -->").arg(QString(padding, QLatin1Char('x')))
                    : QString();
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<env:Envelope xmlns:env=\"%1\" xmlns:wsa=\"%2\" xmlns:wsdd=\"%3\" "
               "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">"
               "<env:Header>"
               "<wsa:MessageID>urn:uuid:%4</wsa:MessageID>"
               "<wsa:RelatesTo>%5</wsa:RelatesTo>"
               "<wsa:To>%2/role/anonymous</wsa:To>"
               "<wsa:Action>%3/ProbeMatches</wsa:Action>"
               "</env:Header>"
               "<env:Body>%9<wsdd:ProbeMatches><wsdd:ProbeMatch>"
               "<wsa:EndpointReference><wsa:Address>%6</wsa:Address></wsa:EndpointReference>"
               "<wsdd:Types>dn:NetworkVideoTransmitter</wsdd:Types>"
               "<wsdd:Scopes>%7</wsdd:Scopes>"
               "<wsdd:XAddrs>%8</wsdd:XAddrs>"
               "<wsdd:MetadataVersion>1</wsdd:MetadataVersion>"
               "</wsdd:ProbeMatch></wsdd:ProbeMatches></env:Body></env:Envelope>")
        .arg(soap, addressing, discovery, QUuid::createUuid().toString(QUuid::WithoutBraces),
             escaped(relatesTo), endpoint, scopes, escaped(serviceAddress), filler)
        .toUtf8();
}

QByteArray soapAnswer(const DeviceOptions& options, const SoapCall& call,
                      const QString& serviceAddress, const QDateTime& deviceClock) {
    const QString& operation = call.operation;
    if (operation == QLatin1String("GetSystemDateAndTime")) {
        const QDateTime utc = deviceClock.toUTC();
        return envelope(
            QStringLiteral(
                "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime>"
                "<tt:DateTimeType>Manual</tt:DateTimeType><tt:DaylightSavings>false"
                "</tt:DaylightSavings><tt:UTCDateTime><tt:Time><tt:Hour>%1</tt:Hour>"
                "<tt:Minute>%2</tt:Minute><tt:Second>%3</tt:Second></tt:Time><tt:Date>"
                "<tt:Year>%4</tt:Year><tt:Month>%5</tt:Month><tt:Day>%6</tt:Day></tt:Date>"
                "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>")
                .arg(utc.time().hour())
                .arg(utc.time().minute())
                .arg(utc.time().second())
                .arg(utc.date().year())
                .arg(utc.date().month())
                .arg(utc.date().day()));
    }
    if (operation == QLatin1String("GetCapabilities")) {
        return envelope(QStringLiteral("<tds:GetCapabilitiesResponse><tds:Capabilities>"
                                       "<tt:Media><tt:XAddr>%1</tt:XAddr>"
                                       "<tt:StreamingCapabilities><tt:RTP_RTSP_TCP>true"
                                       "</tt:RTP_RTSP_TCP></tt:StreamingCapabilities></tt:Media>"
                                       "</tds:Capabilities></tds:GetCapabilitiesResponse>")
                            .arg(escaped(serviceAddress)));
    }
    if (operation == QLatin1String("GetDeviceInformation")) {
        return envelope(QStringLiteral("<tds:GetDeviceInformationResponse>"
                                       "<tds:Manufacturer>%1</tds:Manufacturer>"
                                       "<tds:Model>%2</tds:Model>"
                                       "<tds:FirmwareVersion>1.0</tds:FirmwareVersion>"
                                       "<tds:SerialNumber>0001</tds:SerialNumber>"
                                       "<tds:HardwareId>1</tds:HardwareId>"
                                       "</tds:GetDeviceInformationResponse>")
                            .arg(escaped(options.manufacturer), escaped(options.model)));
    }
    if (operation == QLatin1String("GetProfiles")) {
        QString profiles =
            profile(QStringLiteral("profile_main"), QStringLiteral("Main Stream"), 1920, 1080);
        if (!options.secondStream.isEmpty()) {
            const QString second =
                profile(QStringLiteral("profile_sub"), QStringLiteral("Sub Stream"), 640, 360);
            profiles = options.secondProfileFirst ? second + profiles : profiles + second;
        }
        return envelope(
            QStringLiteral("<trt:GetProfilesResponse>%1</trt:GetProfilesResponse>").arg(profiles));
    }
    if (operation == QLatin1String("GetStreamUri")) {
        QUrl stream;
        if (call.profileToken == QLatin1String("profile_main")) {
            stream = options.stream;
        } else if (call.profileToken == QLatin1String("profile_sub") &&
                   !options.secondStream.isEmpty()) {
            stream = options.secondStream;
        } else {
            return fault(QStringLiteral("ter:InvalidArgVal"), QStringLiteral("No such profile"));
        }
        return envelope(QStringLiteral("<trt:GetStreamUriResponse><trt:MediaUri>"
                                       "<tt:Uri>%1</tt:Uri>"
                                       "<tt:InvalidAfterConnect>false</tt:InvalidAfterConnect>"
                                       "<tt:InvalidAfterReboot>false</tt:InvalidAfterReboot>"
                                       "<tt:Timeout>PT0S</tt:Timeout>"
                                       "</trt:MediaUri></trt:GetStreamUriResponse>")
                            .arg(escaped(stream.toString(QUrl::FullyEncoded))));
    }
    return actionNotSupportedFault();
}

QByteArray notAuthorizedFault() {
    return fault(QStringLiteral("ter:NotAuthorized"), QStringLiteral("Sender not Authorized"));
}

QByteArray actionNotSupportedFault() {
    return fault(QStringLiteral("ter:ActionNotSupported"),
                 QStringLiteral("Optional Action Not Implemented"));
}

} // namespace rure::device
