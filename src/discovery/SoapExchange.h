#pragma once

#include "SoapResponse.h"
#include "common/Result.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
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
class SoapExchange final : public QObject {
public:
    using Completion = std::function<void(Result<SoapReply>)>;

    static SoapExchange* start(QNetworkAccessManager& manager, const QUrl& address,
                               const QString& action, const QByteArray& envelope,
                               std::chrono::milliseconds timeLimit, Completion completion);

    // Aborts the exchange and deletes it at once, without its completion.
    void cancel();

private:
    SoapExchange(QNetworkReply* reply, std::chrono::milliseconds timeLimit, Completion completion);

    bool takeAvailableBytes();
    void readBody();
    void replyFinished();
    Result<SoapReply> outcome() const;
    void fail(Result<SoapReply> error);
    void finish(Result<SoapReply> result);

    QNetworkReply* reply_;
    Completion completion_;
    QTimer deadline_{this};
    QByteArray body_;
    bool finished_ = false;
};

} // namespace rure
