#include "UpdateCheckTransfer.h"

#include "ManifestAcceptance.h"
#include "RureUpdateCheckError.h"
#include "UpdateDecision.h"
#include "common/RureLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

#include <utility>

namespace rure {

namespace {

Error timedOut() {
    return Error{ErrorDomain::network, QNetworkReply::TimeoutError,
                 QStringLiteral("The request timed out.")};
}

Error insecureRedirect() {
    return Error{ErrorDomain::network, QNetworkReply::InsecureRedirectError,
                 QStringLiteral("The update server redirected to an address without HTTPS.")};
}

Error tooManyRedirects() {
    return Error{ErrorDomain::network, QNetworkReply::TooManyRedirectsError,
                 QStringLiteral("The update server redirected too many times.")};
}

// The statuses whose Location is followed. 305 (use a proxy) is not a move.
bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Failures of the transfer itself, as opposed to the errors that QNetworkReply
// derives from an HTTP status, which are judged by the status once the body is in.
bool isTransportFailure(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ConnectionRefusedError &&
            error <= QNetworkReply::UnknownNetworkError) ||
           error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
}

} // namespace

UpdateCheckTransfer* UpdateCheckTransfer::start(Setup setup, RureUpdateCheckCompletion completion) {
    auto* transfer = new UpdateCheckTransfer(std::move(setup), std::move(completion));
    if (!transfer->setup_.address.isValid()) {
        QMetaObject::invokeMethod(
            transfer,
            [transfer] { transfer->finish(toError(RureUpdateCheckError::invalidAddress)); },
            Qt::QueuedConnection);
    } else {
        // A client of its own, without a cache: nothing is shared with other
        // checks or kept after this one.
        transfer->manager_ = new QNetworkAccessManager(transfer);
        transfer->send(transfer->setup_.address);
        // One deadline for the whole check, redirects included.
        transfer->startDeadline();
    }
    return transfer;
}

UpdateCheckTransfer::UpdateCheckTransfer(Setup setup, RureUpdateCheckCompletion completion)
    : BoundedReply(bodyLimit, setup.timeLimit), setup_(std::move(setup)),
      completion_(std::move(completion)) {}

void UpdateCheckTransfer::send(const QUrl& url) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Redirects are followed here (see follow()), where their bodies and their
    // time count against the check's limits.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // An inactivity limit; the deadline bounds the whole check.
    request.setTransferTimeout(static_cast<int>(setup_.timeLimit.count()));
    if (!setup_.trustedCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(setup_.trustedCertificates);
        request.setSslConfiguration(tls);
    }

    attach(manager_->get(request));
}

void UpdateCheckTransfer::bodyTooLarge() {
    finish(toError(RureUpdateCheckError::responseTooLarge));
}

void UpdateCheckTransfer::replyFinished() {
    if (const std::optional<QUrl> target = redirectTarget()) {
        follow(*target);
        return;
    }
    finish(evaluateResponse());
}

std::optional<QUrl> UpdateCheckTransfer::redirectTarget() const {
    const QVariant status = reply()->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply()->error() != QNetworkReply::NoError || !status.isValid() ||
        !isRedirect(status.toInt())) {
        return std::nullopt;
    }
    // Without a usable Location, the response is judged by its status.
    const QUrl location = reply()->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!location.isValid() || location.isEmpty()) {
        return std::nullopt;
    }
    return reply()->url().resolved(location);
}

void UpdateCheckTransfer::follow(const QUrl& target) {
    if (target.scheme() != QLatin1String("https")) {
        finish(insecureRedirect());
        return;
    }
    if (redirectsFollowed_ == redirectLimit) {
        finish(tooManyRedirects());
        return;
    }
    ++redirectsFollowed_;
    send(target);
}

void UpdateCheckTransfer::deadlinePassed() {
    finish(timedOut());
}

Result<RureUpdateCheckResult> UpdateCheckTransfer::evaluateResponse() const {
    const QNetworkReply::NetworkError error = reply()->error();
    const QVariant status = reply()->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error == QNetworkReply::OperationCanceledError) {
        // Our own aborts never get here (they disconnect first), so this is the
        // reply's inactivity limit.
        return timedOut();
    }
    if (error != QNetworkReply::NoError && (!status.isValid() || isTransportFailure(error))) {
        return Error{ErrorDomain::network, error, reply()->errorString()};
    }
    const int code = status.isValid() ? status.toInt() : 0;
    if (code < 200 || code > 299) {
        return toError(RureUpdateCheckError::serverUnavailable);
    }

    Result<RureUpdateManifest> decoded = RureUpdateManifest::decode(body());
    if (!decoded) {
        return decoded.error();
    }
    const RureUpdateManifest& manifest = decoded.value();
    if (!isManifestAccepted(manifest)) {
        return toError(RureUpdateCheckError::invalidDownloadAddress);
    }
    const InstalledIdentity installed = setup_.installedIdentity();
    RureLog::updates().info(
        QStringLiteral("Validated update manifest build %1 against installed build %2.")
            .arg(manifest.build)
            .arg(installed.installedBuild()));
    return decideUpdate(manifest, installed);
}

void UpdateCheckTransfer::finish(Result<RureUpdateCheckResult> result) {
    if (!end()) {
        return;
    }
    RureUpdateCheckCompletion completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) {
        completion(std::move(result));
    }
}

} // namespace rure
