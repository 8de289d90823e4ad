#pragma once

#include "InstalledIdentity.h"
#include "RureUpdateCheck.h"

#include <QList>
#include <QSslCertificate>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

namespace rure {

// Fetches the update manifest from the maker's host and tells whether it names
// a newer release. Holds only its configuration; every check has its own
// network client and nothing survives a check. Use on the GUI thread (or any
// thread with an event loop); completions run on that thread.
//
// A check: GET of the manifest address, never from a cache, following at most
// five redirects (301, 302, 303, 307, 308), each to an HTTPS address; the body
// read as it arrives, at most 65,536 bytes over the whole chain of responses;
// the whole check bounded by the time limit; then the HTTP status (200 to 299),
// the JSON manifest, the acceptance rules, and the decision against the
// installed identity. It fails with a RureUpdateCheckError (see toError), with
// the network client's error (ErrorDomain::network, `code` a
// QNetworkReply::NetworkError; a time-out is TimeoutError, "The request timed
// out."; a redirect to an address without HTTPS is InsecureRedirectError, one
// redirect too many TooManyRedirectsError), or with the manifest reader's
// error (ErrorDomain::json).
class RureUpdateService {
public:
    static constexpr std::chrono::milliseconds defaultTimeLimit{15000};

    // `baseUrl` replaces the maker's scheme, host and port (tests serve the
    // manifest locally); one that RureUpdateAddress::isAcceptedServer refuses
    // (plain HTTP beyond the loopback, say) makes every check fail with
    // RureUpdateCheckError::invalidAddress, without a request.
    // `trustedCertificates` are trusted in addition to the system's
    // authorities; `installedIdentity` is read at each check.
    explicit RureUpdateService(
        std::optional<QUrl> baseUrl = std::nullopt, QList<QSslCertificate> trustedCertificates = {},
        std::chrono::milliseconds timeLimit = defaultTimeLimit,
        std::function<InstalledIdentity()> installedIdentity = &InstalledIdentity::compiledIn);

    // Where the manifest is fetched from; invalid when the base URL is.
    QUrl manifestUrl() const;

    // Starts a check. `completion` runs exactly once, later, from the event loop,
    // unless the returned handle is cancelled or destroyed first.
    [[nodiscard]] RureUpdateCheck check(RureUpdateCheckCompletion completion) const;

private:
    std::optional<QUrl> baseUrl_;
    QList<QSslCertificate> trustedCertificates_;
    std::chrono::milliseconds timeLimit_;
    std::function<InstalledIdentity()> installedIdentity_;
};

} // namespace rure
