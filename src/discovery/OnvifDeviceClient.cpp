#include "OnvifDeviceClient.h"

#include "DiscoveryError.h"
#include "UsernameToken.h"

#include <QDateTime>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QRandomGenerator>

#include <algorithm>

namespace rure {

namespace {

QByteArray freshNonce() {
    QByteArray nonce(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(nonce.begin(), nonce.end());
    return nonce;
}

} // namespace

bool isSameHost(const QUrl& address, const QUrl& deviceAddress) {
    const QHostAddress host(address.host());
    const QHostAddress deviceHost(deviceAddress.host());
    if (!host.isNull() && !deviceHost.isNull()) {
        return host.isEqual(deviceHost, QHostAddress::TolerantConversion);
    }
    return address.host().compare(deviceAddress.host(), Qt::CaseInsensitive) == 0;
}

QUrl withScopeOfDevice(QUrl address, const QUrl& deviceAddress) {
    QHostAddress host(address.host());
    const QHostAddress deviceHost(deviceAddress.host());
    if (host.protocol() == QAbstractSocket::IPv6Protocol && host.isLinkLocal() &&
        host.scopeId().isEmpty() && !deviceHost.scopeId().isEmpty() &&
        isSameHost(address, deviceAddress)) {
        host.setScopeId(deviceHost.scopeId());
        address.setHost(host.toString());
    }
    return address;
}

OnvifDeviceClient::OnvifDeviceClient(QUrl deviceAddress, std::chrono::milliseconds timeLimit,
                                     QObject* parent)
    : QObject(parent), deviceAddress_(std::move(deviceAddress)), timeLimit_(timeLimit),
      manager_(new QNetworkAccessManager(this)) {
    // A device on the local network is never reached through a proxy.
    manager_->setProxy(QNetworkProxy::NoProxy);
    manager_->setCookieJar(nullptr);
}

OnvifDeviceClient::~OnvifDeviceClient() {
    cancelAll();
}

void OnvifDeviceClient::call(const SoapRequest& request, SoapExchange::Completion completion,
                             const QUrl& serviceAddress) {
    const QUrl address = serviceAddress.isEmpty() ? deviceAddress_ : serviceAddress;
    if (address.scheme() != QLatin1String("http") || !isSameHost(address, deviceAddress_)) {
        QMetaObject::invokeMethod(
            this,
            [this, completion, generation = cancellations_] {
                if (generation == cancellations_) {
                    completion(toError(DiscoveryError::otherHost));
                }
            },
            Qt::QueuedConnection);
        return;
    }
    QString security;
    if (hasCredentials()) {
        const QDateTime created = QDateTime::currentDateTimeUtc().addSecs(clockOffsetSeconds_);
        security = usernameTokenHeader(credentials_.userName, credentials_.password, freshNonce(),
                                       created);
    }
    std::erase_if(exchanges_, [](const QPointer<SoapExchange>& exchange) { return !exchange; });
    // The completion runs from the event loop, outside the reply's signals, so
    // that it may destroy this client.
    auto deliver = [this, completion = std::move(completion),
                    generation = cancellations_](Result<SoapReply> result) {
        QMetaObject::invokeMethod(
            this,
            [this, completion, generation, result = std::move(result)] {
                if (generation == cancellations_) {
                    completion(result);
                }
            },
            Qt::QueuedConnection);
    };
    exchanges_.emplace_back(SoapExchange::start(*manager_, address, request.action,
                                                soapEnvelope(request, security), timeLimit_,
                                                std::move(deliver)));
}

void OnvifDeviceClient::cancelAll() {
    ++cancellations_;
    for (const QPointer<SoapExchange>& exchange : std::exchange(exchanges_, {})) {
        if (exchange) {
            exchange->cancel();
        }
    }
}

} // namespace rure
