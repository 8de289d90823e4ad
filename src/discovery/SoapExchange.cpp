#include "SoapExchange.h"

#include "DiscoveryError.h"
#include "DiscoveryLimits.h"

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
    : BoundedReply(discovery::replyBodyLimit, timeLimit, reply->manager()),
      completion_(std::move(completion)) {
    attach(reply);
    startDeadline();
}

void SoapExchange::replyFinished() {
    finish(outcome());
}

void SoapExchange::bodyTooLarge() {
    finish(toError(DiscoveryError::replyTooLarge));
}

void SoapExchange::deadlinePassed() {
    finish(toError(DiscoveryError::timedOut));
}

Result<SoapReply> SoapExchange::outcome() const {
    const QVariant status = reply()->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        // Faults come with 400 or 500 and a body; the caller reads them.
        return SoapReply{status.toInt(), body()};
    }
    switch (reply()->error()) {
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

void SoapExchange::finish(Result<SoapReply> result) {
    if (!end()) {
        return;
    }
    const Completion completion = std::move(completion_);
    completion_ = nullptr;
    if (completion) {
        completion(std::move(result));
    }
}

} // namespace rure
