#include "UpdateCheckTransfer.h"

#include "ManifestAcceptance.h"
#include "RureUpdateCheckError.h"
#include "UpdateDecision.h"
#include "common/BoundedRead.h"
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
        transfer->body_.reserve(4096);
        transfer->send(transfer->setup_.address);
        // One deadline for the whole check, redirects included.
        transfer->deadline_.start(transfer->setup_.timeLimit);
    }
    return transfer;
}

UpdateCheckTransfer::UpdateCheckTransfer(Setup setup, RureUpdateCheckCompletion completion)
    : setup_(std::move(setup)), completion_(std::move(completion)) {
    deadline_.setObjectName(QStringLiteral("deadline"));
    deadline_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: 0.75 s of 15 s.
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, &UpdateCheckTransfer::deadlinePassed);
}

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

    reply_ = manager_->get(request);
    // Bounds what the reply holds for us to about what we accept.
    reply_->setReadBufferSize(bodyLimit + 1);
    connect(reply_, &QNetworkReply::readyRead, this, &UpdateCheckTransfer::readBody);
    connect(reply_, &QNetworkReply::finished, this, &UpdateCheckTransfer::replyFinished);
}

void UpdateCheckTransfer::cancel() {
    if (finished_) {
        return;
    }
    finished_ = true;
    completion_ = nullptr;
    abortTransfer();
    // Safe here: the completion is the only outside code this object runs, and
    // a finished transfer returns above.
    delete this;
}

bool UpdateCheckTransfer::takeAvailableBytes() {
    return readBounded(*reply_, body_, bodyLimit - earlierBodiesSize_);
}

void UpdateCheckTransfer::readBody() {
    if (!takeAvailableBytes()) {
        abortTransfer();
        finish(toError(RureUpdateCheckError::responseTooLarge));
    }
}

void UpdateCheckTransfer::replyFinished() {
    if (!takeAvailableBytes()) {
        finish(toError(RureUpdateCheckError::responseTooLarge));
        return;
    }
    if (const std::optional<QUrl> target = redirectTarget()) {
        follow(*target);
        return;
    }
    finish(evaluateResponse());
}

std::optional<QUrl> UpdateCheckTransfer::redirectTarget() const {
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply_->error() != QNetworkReply::NoError || !status.isValid() ||
        !isRedirect(status.toInt())) {
        return std::nullopt;
    }
    // Without a usable Location, the response is judged by its status.
    const QUrl location = reply_->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!location.isValid() || location.isEmpty()) {
        return std::nullopt;
    }
    return reply_->url().resolved(location);
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
    earlierBodiesSize_ += body_.size();
    body_.clear();
    QNetworkReply* previous = std::exchange(reply_, nullptr);
    disconnect(previous, nullptr, this, nullptr);
    // Later, not now: this runs inside the reply's finished signal.
    previous->deleteLater();
    send(target);
}

void UpdateCheckTransfer::deadlinePassed() {
    abortTransfer();
    finish(timedOut());
}

Result<RureUpdateCheckResult> UpdateCheckTransfer::evaluateResponse() const {
    const QNetworkReply::NetworkError error = reply_->error();
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error == QNetworkReply::OperationCanceledError) {
        // Our own aborts never get here (they disconnect first), so this is the
        // reply's inactivity limit.
        return timedOut();
    }
    if (error != QNetworkReply::NoError && (!status.isValid() || isTransportFailure(error))) {
        return Error{ErrorDomain::network, error, reply_->errorString()};
    }
    const int code = status.isValid() ? status.toInt() : 0;
    if (code < 200 || code > 299) {
        return toError(RureUpdateCheckError::serverUnavailable);
    }

    Result<RureUpdateManifest> decoded = RureUpdateManifest::decode(body_);
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

void UpdateCheckTransfer::abortTransfer() {
    deadline_.stop();
    if (reply_) {
        // Disconnected first: abort() reports through the same signals.
        disconnect(reply_, nullptr, this, nullptr);
        reply_->abort();
    }
}

void UpdateCheckTransfer::finish(Result<RureUpdateCheckResult> result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    deadline_.stop();
    if (reply_) {
        disconnect(reply_, nullptr, this, nullptr);
    }
    // Later, not now: this may run inside one of the reply's signals.
    deleteLater();
    RureUpdateCheckCompletion completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) {
        completion(std::move(result));
    }
}

} // namespace rure
