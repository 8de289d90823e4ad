// Camera addresses, as typed or imported: every address the editor accepts must
// give the preflight a host and port to probe, and the host it takes must name
// the same target when written into an address of its own.
#include "FuzzInput.h"

#include "settings/RtspAddress.h"
#include "viewer/LocalNetworkPreflightTarget.h"

#include <QUrl>

namespace {

bool hasNonAsciiZone(const QString& host) {
    const qsizetype percent = host.indexOf(QLatin1Char('%'));
    if (percent < 0) {
        return false;
    }
    for (qsizetype i = percent + 1; i < host.size(); ++i) {
        if (host.at(i).unicode() > 0x7f) {
            return true;
        }
    }
    return false;
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
    // The host is decoded (an IPv6 zone's "%" is bare), as a socket takes it.
    // QUrl decodes a percent-encoded zone byte by byte as Latin-1, so a zone
    // outside ASCII does not survive being written and read again; no network
    // interface is named that way, and the probe of such a host simply fails.
    if (hasNonAsciiZone(target->host)) {
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
