#include "ProbeMatch.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"
#include "OnvifNamespaces.h"
#include "SafeXmlReader.h"

#include <QRegularExpression>

namespace rure {

namespace {

const QString nameScope = QStringLiteral("onvif://www.onvif.org/name/");
const QString hardwareScope = QStringLiteral("onvif://www.onvif.org/hardware/");

Error malformedMatch(const QString& why) {
    return toError(DiscoveryError::malformedReply, QStringLiteral("(%1)").arg(why));
}

QStringList whiteSpaceSeparated(const QString& text) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.split(space, Qt::SkipEmptyParts);
}

// The percent-decoded value of a scope with `prefix`; scope values use "%20"
// for spaces.
QString scopeValue(const QStringList& scopes, const QString& prefix) {
    for (const QString& scope : scopes) {
        if (scope.startsWith(prefix, Qt::CaseInsensitive) && scope.size() > prefix.size()) {
            return QUrl::fromPercentEncoding(scope.mid(prefix.size()).toUtf8()).trimmed();
        }
    }
    return {};
}

Result<ProbeMatch> readMatch(const XmlElement& element) {
    using namespace onvif;
    ProbeMatch match;
    if (const XmlElement* reference =
            element.child(addressingNamespace, QStringLiteral("EndpointReference"))) {
        match.endpoint = reference->childText(addressingNamespace, QStringLiteral("Address"));
    }
    const QString addresses = element.childText(discoveryNamespace, QStringLiteral("XAddrs"));
    const QString scopes = element.childText(discoveryNamespace, QStringLiteral("Scopes"));
    if (match.endpoint.size() > discovery::textFieldLimit ||
        addresses.size() > discovery::addressFieldLimit ||
        scopes.size() > discovery::addressFieldLimit * 4) {
        return malformedMatch(QStringLiteral("a field too long"));
    }
    for (const QString& address : whiteSpaceSeparated(addresses)) {
        if (match.serviceAddresses.size() == discovery::serviceAddressLimit) {
            break;
        }
        const QUrl url(address, QUrl::StrictMode);
        if (url.isValid() && url.scheme() == QLatin1String("http") && !url.host().isEmpty()) {
            match.serviceAddresses.append(url);
        }
    }
    const QStringList scopeList = whiteSpaceSeparated(scopes);
    match.name = scopeValue(scopeList, nameScope);
    match.hardware = scopeValue(scopeList, hardwareScope);
    if (match.name.size() > discovery::textFieldLimit ||
        match.hardware.size() > discovery::textFieldLimit) {
        return malformedMatch(QStringLiteral("a scope too long"));
    }
    return match;
}

} // namespace

Result<QList<ProbeMatch>> parseProbeMatches(const QByteArray& datagram,
                                            const QString& probeMessageId) {
    using namespace onvif;
    if (datagram.size() > discovery::datagramLimit) {
        return toError(DiscoveryError::replyTooLarge);
    }
    Result<XmlElement> document = readXmlDocument(datagram);
    if (!document) {
        return document.error();
    }
    const XmlElement& envelope = document.value();
    if (!envelope.is(soapEnvelopeNamespace, QStringLiteral("Envelope"))) {
        return malformedMatch(QStringLiteral("not a SOAP envelope"));
    }
    const XmlElement* header = envelope.child(soapEnvelopeNamespace, QStringLiteral("Header"));
    const QString relatesTo =
        header ? header->childText(addressingNamespace, QStringLiteral("RelatesTo")) : QString();
    if (relatesTo != probeMessageId) {
        return malformedMatch(QStringLiteral("not an answer to this probe"));
    }
    const XmlElement* matches =
        envelope.descendant(soapEnvelopeNamespace, {QStringLiteral("Body")});
    matches =
        matches ? matches->child(discoveryNamespace, QStringLiteral("ProbeMatches")) : nullptr;
    if (!matches) {
        return malformedMatch(QStringLiteral("no ProbeMatches"));
    }
    QList<ProbeMatch> found;
    for (const XmlElement* element :
         matches->childrenNamed(discoveryNamespace, QStringLiteral("ProbeMatch"))) {
        Result<ProbeMatch> match = readMatch(*element);
        if (!match) {
            return match.error();
        }
        if (!match.value().endpoint.isEmpty() && !match.value().serviceAddresses.isEmpty()) {
            found.append(std::move(match).value());
        }
    }
    return found;
}

} // namespace rure
