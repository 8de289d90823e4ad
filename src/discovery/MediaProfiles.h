#pragma once

#include "SoapResponse.h"
#include "common/Result.h"

#include <QList>
#include <QString>

namespace rure {

// One media profile of a device: what GetStreamUri takes and what the user
// chooses by.
struct MediaProfile {
    QString token;
    QString name;
    QString encoding; // of its video encoder ("H264"), when it says
    int width = 0;    // of its video encoder, 0 when unknown
    int height = 0;

    friend bool operator==(const MediaProfile&, const MediaProfile&) = default;
};

// The profiles of GetProfiles, in the device's order; at most
// DiscoveryLimits' profileLimit of them. A profile without a token is left out.
Result<QList<MediaProfile>> readMediaProfiles(const SoapReply& reply);

} // namespace rure
