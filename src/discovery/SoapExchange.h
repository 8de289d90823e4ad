#pragma once

#include "SoapResponse.h"
#include "common/BoundedReply.h"
#include "common/Result.h"

#include <QByteArray>
#include <QUrl>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace rure {

// One SOAP request over HTTP and its reply: a POST of the envelope, the reply's
// body read up to DiscoveryLimits' replyBodyLimit, and one deadline for the
// whole exchange. Redirects are not followed. The completion runs once, later,
// from the event loop, and never after cancel(); the exchange then deletes
// itself. GUI thread.
class SoapExchange final : public BoundedReply {
public:
    using Completion = std::function<void(Result<SoapReply>)>;

    static SoapExchange* start(QNetworkAccessManager& manager, const QUrl& address,
                               const QString& action, const QByteArray& envelope,
                               std::chrono::milliseconds timeLimit, Completion completion);

private:
    SoapExchange(QNetworkReply* reply, std::chrono::milliseconds timeLimit, Completion completion);

    void replyFinished() override;
    void bodyTooLarge() override;
    void deadlinePassed() override;
    void dropCompletion() override { completion_ = nullptr; }
    Result<SoapReply> outcome() const;
    void finish(Result<SoapReply> result);

    Completion completion_;
};

} // namespace rure
