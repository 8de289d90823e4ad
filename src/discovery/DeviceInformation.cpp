#include "DeviceInformation.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"
#include "OnvifNamespaces.h"

namespace rure {

Result<DeviceInformation> readDeviceInformation(const SoapReply& reply) {
    using onvif::deviceNamespace;
    Result<XmlElement> response =
        readSoapResponse(reply, deviceNamespace, QStringLiteral("GetDeviceInformationResponse"));
    if (!response) {
        return response.error();
    }
    const XmlElement& element = response.value();
    DeviceInformation information{
        element.childText(deviceNamespace, QStringLiteral("Manufacturer")),
        element.childText(deviceNamespace, QStringLiteral("Model")),
        element.childText(deviceNamespace, QStringLiteral("FirmwareVersion"))};
    for (const QString* field :
         {&information.manufacturer, &information.model, &information.firmwareVersion}) {
        if (field->size() > discovery::textFieldLimit) {
            return toError(DiscoveryError::malformedReply, QStringLiteral("(a field too long)"));
        }
    }
    return information;
}

} // namespace rure
