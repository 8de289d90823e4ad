#pragma once

#include "common/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace rure {

// One device's answer to a probe, as it states it: nothing here has been
// checked against the network it came from.
struct ProbeMatch {
    QString endpoint;             // its WS-Addressing endpoint, "urn:uuid:…"
    QList<QUrl> serviceAddresses; // the HTTP addresses of its device service (XAddrs)
    QString name;                 // from the scope onvif://www.onvif.org/name/…
    QString hardware;             // from the scope onvif://www.onvif.org/hardware/…

    friend bool operator==(const ProbeMatch&, const ProbeMatch&) = default;
};

// Reads a ProbeMatches message. Only a reply to the probe `probeMessageId`
// (its RelatesTo) is taken; another message, even a valid one, is an error.
// A match without an endpoint or without an HTTP service address is left out;
// a field beyond the limits of DiscoveryLimits makes the whole reply malformed.
Result<QList<ProbeMatch>> parseProbeMatches(const QByteArray& datagram,
                                            const QString& probeMessageId);

} // namespace rure
