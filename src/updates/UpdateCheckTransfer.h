#pragma once

#include "InstalledIdentity.h"
#include "RureUpdateCheck.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace rure {

// One update check in flight: its own network client, the GET of the manifest
// and of the HTTPS redirects it leads to, the bounded body, the deadline, and
// the evaluation of the response. It deletes itself after it has finished or
// been cancelled, and calls its completion at most once, never after cancel().
//
// The body limit and the time limit hold for the whole chain of redirects: the
// bodies of redirect responses count against the limit, and one deadline (a
// precise timer, the child named "deadline") runs from the first request.
class UpdateCheckTransfer final : public QObject {
public:
    struct Setup {
        QUrl address; // invalid: the check fails with RureUpdateCheckError::invalidAddress
        QList<QSslCertificate> trustedCertificates;
        std::chrono::milliseconds timeLimit;
        std::function<InstalledIdentity()> installedIdentity;
    };

    static constexpr qsizetype bodyLimit = 65536;
    // Redirects followed in one check; one more fails it.
    static constexpr int redirectLimit = 5;

    // Starts the check. The completion runs later, from the event loop, never
    // within this call.
    static UpdateCheckTransfer* start(Setup setup, RureUpdateCheckCompletion completion);

    // Aborts the transfer and deletes this object at once, without calling the
    // completion. Does nothing once the check has finished.
    void cancel();
    bool isRunning() const { return !finished_; }

private:
    UpdateCheckTransfer(Setup setup, RureUpdateCheckCompletion completion);

    void send(const QUrl& url);
    void readBody();
    void replyFinished();
    // Where the finished response redirects to, resolved, when it is a redirect
    // to follow; nothing for any other response.
    std::optional<QUrl> redirectTarget() const;
    void follow(const QUrl& target);
    void deadlinePassed();
    // Moves what the reply has into the body; false when that would pass the limit.
    bool takeAvailableBytes();
    Result<RureUpdateCheckResult> evaluateResponse() const;
    void abortTransfer();
    void finish(Result<RureUpdateCheckResult> result);

    Setup setup_;
    RureUpdateCheckCompletion completion_;
    QNetworkAccessManager* manager_ = nullptr;
    QNetworkReply* reply_ = nullptr;
    QTimer deadline_{this};
    // The body of the current response; those of earlier responses in the chain
    // of redirects count against the limit through earlierBodiesSize_.
    QByteArray body_;
    qsizetype earlierBodiesSize_ = 0;
    int redirectsFollowed_ = 0;
    bool finished_ = false;
};

} // namespace rure
