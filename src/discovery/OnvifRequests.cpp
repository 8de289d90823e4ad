#include "OnvifRequests.h"

#include "OnvifNamespaces.h"

namespace rure::onvif {

namespace {

SoapRequest deviceRequest(const QString& name, const QString& content = {}) {
    return {
        deviceNamespace + QLatin1Char('/') + name,
        QStringLiteral("<tds:%1 xmlns:tds=\"%2\">%3</tds:%1>").arg(name, deviceNamespace, content)};
}

} // namespace

SoapRequest getSystemDateAndTime() {
    return deviceRequest(QStringLiteral("GetSystemDateAndTime"));
}

SoapRequest getCapabilities() {
    return deviceRequest(QStringLiteral("GetCapabilities"),
                         QStringLiteral("<tds:Category>Media</tds:Category>"));
}

SoapRequest getDeviceInformation() {
    return deviceRequest(QStringLiteral("GetDeviceInformation"));
}

SoapRequest getProfiles() {
    return {mediaNamespace + QStringLiteral("/GetProfiles"),
            QStringLiteral("<trt:GetProfiles xmlns:trt=\"%1\"/>").arg(mediaNamespace)};
}

SoapRequest getStreamUri(const QString& profileToken) {
    return {mediaNamespace + QStringLiteral("/GetStreamUri"),
            QStringLiteral("<trt:GetStreamUri xmlns:trt=\"%1\" xmlns:tt=\"%2\">"
                           "<trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream>"
                           "<tt:Transport><tt:Protocol>RTSP</tt:Protocol></tt:Transport>"
                           "</trt:StreamSetup>"
                           "<trt:ProfileToken>%3</trt:ProfileToken></trt:GetStreamUri>")
                .arg(mediaNamespace, schemaNamespace, profileToken.toHtmlEscaped())};
}

} // namespace rure::onvif
