#pragma once

#include <QString>
#include <QUrl>

namespace rure {

// Where the maker publishes releases. One host serves the update manifest and
// the download page, and a manifest is believed only when its download page is
// on that host.
struct RureUpdateAddress {
    // "didirezoror.com"
    static QString makerHost();
    // "/rure/version.json"
    static QString manifestPath();
    // "/rure"
    static QString downloadPath();

    // https://didirezoror.com/rure/version.json
    static QUrl manifestUrl();
    // The manifest path on another server (tests serve it locally): `base`
    // with its path replaced and without query or fragment. Invalid when
    // `base` is not an accepted server.
    static QUrl manifestUrl(const QUrl& base);

    // Whether update checks may be sent to `base`: an HTTPS address with a
    // host, or a plain HTTP one on this computer's loopback (127.0.0.0/8, ::1,
    // localhost), where nothing leaves the machine.
    static bool isAcceptedServer(const QUrl& base);
};

} // namespace rure
