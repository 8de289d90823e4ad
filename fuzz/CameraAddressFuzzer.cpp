// Camera addresses, as typed or imported: every address the editor accepts must
// give the preflight a host and port to probe, and the host it takes must name
// the same target when written into an address of its own.
#include "FuzzInput.h"

#include "common/RtspAddress.h"
#include "viewer/LocalNetworkPreflightTarget.h"

#include <QUrl>

namespace {

// An IPv6 zone ("fe80::1%eth0") goes to the socket as decoded text and is
// never written back into an address; QUrl does not round-trip every zone
// (it decodes a percent-encoded zone byte by byte as Latin-1 and writes some
// delimiters bare), so zones are left out of the round trip below.
bool hasZone(const QString& host) {
    return host.contains(QLatin1Char('%'));
}

void check(const QString& address) {
    using rure::fuzz::require;
    const std::optional<rure::LocalNetworkPreflightTarget> target =
        rure::localNetworkPreflightTarget(address);
    if (rure::isRtspAddress(address)) {
        require(target.has_value(), "an address the editor accepts has a preflight target");
    }
    if (!target) {
        return;
    }
    if (hasZone(target->host)) {
        return;
    }
    QUrl rebuilt;
    rebuilt.setScheme(QStringLiteral("rtsp"));
    rebuilt.setHost(target->host);
    rebuilt.setPort(target->port);
    require(rure::localNetworkPreflightTarget(rebuilt.toString(QUrl::FullyEncoded)) == target,
            "a preflight target's host and port name the same target again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = rure::fuzz::bytes(data, size);
    check(QString::fromUtf8(bytes));
    // Imported lists can hold any UTF-16, unpaired surrogates included.
    check(QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2));
    return 0;
}
