#include "MediaProfiles.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"
#include "OnvifNamespaces.h"

namespace rure {

namespace {

int dimension(const XmlElement* resolution, const QString& name) {
    if (!resolution) {
        return 0;
    }
    bool ok = false;
    const int value = resolution->childText(onvif::schemaNamespace, name).toInt(&ok);
    return ok && value > 0 && value <= 65535 ? value : 0;
}

} // namespace

Result<QList<MediaProfile>> readMediaProfiles(const SoapReply& reply) {
    using namespace onvif;
    Result<XmlElement> response =
        readSoapResponse(reply, mediaNamespace, QStringLiteral("GetProfilesResponse"));
    if (!response) {
        return response.error();
    }
    QList<MediaProfile> profiles;
    for (const XmlElement* element :
         response.value().childrenNamed(mediaNamespace, QStringLiteral("Profiles"))) {
        if (profiles.size() == discovery::profileLimit) {
            break;
        }
        MediaProfile profile;
        profile.token = element->attribute(QStringLiteral("token")).value_or(QString()).trimmed();
        profile.name = element->childText(schemaNamespace, QStringLiteral("Name"));
        const XmlElement* encoder =
            element->child(schemaNamespace, QStringLiteral("VideoEncoderConfiguration"));
        if (encoder) {
            profile.encoding = encoder->childText(schemaNamespace, QStringLiteral("Encoding"));
            const XmlElement* resolution =
                encoder->child(schemaNamespace, QStringLiteral("Resolution"));
            profile.width = dimension(resolution, QStringLiteral("Width"));
            profile.height = dimension(resolution, QStringLiteral("Height"));
        }
        if (profile.token.size() > discovery::textFieldLimit ||
            profile.name.size() > discovery::textFieldLimit ||
            profile.encoding.size() > discovery::textFieldLimit) {
            return toError(DiscoveryError::malformedReply, QStringLiteral("(a field too long)"));
        }
        if (profile.token.isEmpty()) {
            continue;
        }
        if (profile.name.isEmpty()) {
            profile.name = profile.token;
        }
        profiles.append(std::move(profile));
    }
    return profiles;
}

} // namespace rure
