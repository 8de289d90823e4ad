#include "SoapFault.h"

#include "DiscoveryLimits.h"
#include "OnvifNamespaces.h"

namespace rure {

bool SoapFault::isNotAuthorized() const {
    if (!subcode) {
        return false;
    }
    if (subcode->namespaceUri == onvif::errorNamespace) {
        return subcode->name == QLatin1String("NotAuthorized");
    }
    if (subcode->namespaceUri == onvif::securityNamespace) {
        return subcode->name == QLatin1String("FailedAuthentication") ||
               subcode->name == QLatin1String("InvalidSecurityToken") ||
               subcode->name == QLatin1String("InvalidSecurity");
    }
    return false;
}

std::optional<SoapFault> soapFaultIn(const XmlElement& envelope) {
    using onvif::soapEnvelopeNamespace;
    const XmlElement* body = envelope.child(soapEnvelopeNamespace, QStringLiteral("Body"));
    const XmlElement* fault =
        body ? body->child(soapEnvelopeNamespace, QStringLiteral("Fault")) : nullptr;
    if (!fault) {
        return std::nullopt;
    }
    SoapFault result;
    QList<const XmlElement*> path{&envelope, body, fault};
    // Code / Value, then Subcode / Value, Subcode / Subcode / Value, …
    const XmlElement* level = fault->child(soapEnvelopeNamespace, QStringLiteral("Code"));
    bool outermost = true;
    while (level) {
        path.append(level);
        if (const XmlElement* value =
                level->child(soapEnvelopeNamespace, QStringLiteral("Value"))) {
            path.append(value);
            const std::optional<XmlQualifiedName> name = resolveQName(value->text, path);
            path.removeLast();
            (outermost ? result.code : result.subcode) = name;
        }
        outermost = false;
        level = level->child(soapEnvelopeNamespace, QStringLiteral("Subcode"));
    }
    if (const XmlElement* reason = fault->child(soapEnvelopeNamespace, QStringLiteral("Reason"))) {
        result.reason = reason->childText(soapEnvelopeNamespace, QStringLiteral("Text"))
                            .left(discovery::textFieldLimit);
    }
    return result;
}

} // namespace rure
