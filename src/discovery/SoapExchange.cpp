#include "SoapExchange.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"
#include "common/BoundedRead.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace rure {

SoapExchange* SoapExchange::start(QNetworkAccessManager& manager, const QUrl& address,
                                  const QString& action, const QByteArray& envelope,
                                  std::chrono::milliseconds timeLimit, Completion completion) {
    QNetworkRequest request(address);
    request.setHeader(
        QNetworkRequest::ContentTypeHeader,
        QStringLiteral("application/soap+xml; charset=utf-8; action=\"%1\"").arg(action));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    return new SoapExchange(manager.post(request, envelope), timeLimit, std::move(completion));
}

SoapExchange::SoapExchange(QNetworkReply* reply, std::chrono::milliseconds timeLimit,
                           Completion completion)
    : QObject(reply->manager()), reply_(reply), completion_(std::move(completion)) {
    reply_->setParent(this);
    // Bounds what the reply buffers for us to about what we accept.
    reply_->setReadBufferSize(discovery::replyBodyLimit + 1);
    connect(reply_, &QNetworkReply::readyRead, this, &SoapExchange::readBody);
    connect(reply_, &QNetworkReply::finished, this, &SoapExchange::replyFinished);
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this,
            [this] { fail(toError(DiscoveryError::timedOut)); });
    deadline_.start(timeLimit);
}

void SoapExchange::cancel() {
    if (finished_) {
        return;
    }
    finished_ = true;
    completion_ = nullptr;
    disconnect(reply_, nullptr, this, nullptr);
    reply_->abort();
    delete this;
}

bool SoapExchange::takeAvailableBytes() {
    return readBounded(*reply_, body_, discovery::replyBodyLimit);
}

void SoapExchange::readBody() {
    if (!takeAvailableBytes()) {
        fail(toError(DiscoveryError::replyTooLarge));
    }
}

void SoapExchange::replyFinished() {
    if (!takeAvailableBytes()) {
        fail(toError(DiscoveryError::replyTooLarge));
        return;
    }
    finish(outcome());
}

Result<SoapReply> SoapExchange::outcome() const {
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        // Faults come with 400 or 500 and a body; the caller reads them.
        return SoapReply{status.toInt(), body_};
    }
    switch (reply_->error()) {
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::RemoteHostClosedError:
        return toError(DiscoveryError::timedOut);
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
        return toError(DiscoveryError::malformedReply, QStringLiteral("(not HTTP)"));
    default:
        return toError(DiscoveryError::unreachable);
    }
}

void SoapExchange::fail(Result<SoapReply> error) {
    disconnect(reply_, nullptr, this, nullptr);
    reply_->abort();
    finish(std::move(error));
}

void SoapExchange::finish(Result<SoapReply> result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    deadline_.stop();
    disconnect(reply_, nullptr, this, nullptr);
    // Later, not now: this may run inside one of the reply's signals.
    deleteLater();
    const Completion completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) {
        completion(std::move(result));
    }
}

} // namespace rure
