#pragma once

#include "XmlElement.h"
#include "common/Result.h"

#include <QByteArray>
#include <QString>

namespace rure {

// What one SOAP exchange brought back: the HTTP status and the whole body.
struct SoapReply {
    int httpStatus = 0;
    QByteArray body;
};

// The response element `responseName` in `uri` from the Body of a reply, or
// the error it stands for: HTTP 401 and authentication faults are
// notAuthorized, other faults deviceFault (with the device's reason), a
// status other than 2xx without a fault deviceFault, and anything else that is
// not such an envelope malformedReply.
Result<XmlElement> readSoapResponse(const SoapReply& reply, const QString& uri,
                                    const QString& responseName);

} // namespace rure
