#include "SystemDateAndTime.h"

#include "OnvifNamespaces.h"

namespace rure {

namespace {

std::optional<int> numberIn(const XmlElement* parent, const QString& name) {
    if (!parent) {
        return std::nullopt;
    }
    bool ok = false;
    const int value = parent->childText(onvif::schemaNamespace, name).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

Result<std::optional<QDateTime>> readSystemDateAndTime(const SoapReply& reply) {
    using namespace onvif;
    Result<XmlElement> response =
        readSoapResponse(reply, deviceNamespace, QStringLiteral("GetSystemDateAndTimeResponse"));
    if (!response) {
        return response.error();
    }
    const XmlElement* setting =
        response.value().child(deviceNamespace, QStringLiteral("SystemDateAndTime"));
    const XmlElement* utc =
        setting ? setting->child(schemaNamespace, QStringLiteral("UTCDateTime")) : nullptr;
    const XmlElement* date = utc ? utc->child(schemaNamespace, QStringLiteral("Date")) : nullptr;
    const XmlElement* time = utc ? utc->child(schemaNamespace, QStringLiteral("Time")) : nullptr;
    const auto year = numberIn(date, QStringLiteral("Year"));
    const auto month = numberIn(date, QStringLiteral("Month"));
    const auto day = numberIn(date, QStringLiteral("Day"));
    const auto hour = numberIn(time, QStringLiteral("Hour"));
    const auto minute = numberIn(time, QStringLiteral("Minute"));
    const auto second = numberIn(time, QStringLiteral("Second"));
    if (!year || !month || !day || !hour || !minute || !second) {
        return std::optional<QDateTime>();
    }
    const QDateTime clock(QDate(*year, *month, *day), QTime(*hour, *minute, *second), Qt::UTC);
    return clock.isValid() ? std::optional<QDateTime>(clock) : std::optional<QDateTime>();
}

} // namespace rure
