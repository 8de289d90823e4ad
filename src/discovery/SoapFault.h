#pragma once

#include "XmlElement.h"

#include <QString>

#include <optional>

namespace rure {

// A SOAP 1.2 fault as a device states it.
struct SoapFault {
    std::optional<XmlQualifiedName> code;
    // The innermost subcode the fault names (ONVIF puts its reason there).
    std::optional<XmlQualifiedName> subcode;
    QString reason; // the first Reason text, trimmed

    // ONVIF's ter:NotAuthorized, or WS-Security's failed authentication.
    bool isNotAuthorized() const;
};

// The fault in the Body of `envelope`, if there is one.
std::optional<SoapFault> soapFaultIn(const XmlElement& envelope);

} // namespace rure
