#pragma once

#include "InstalledIdentity.h"
#include "RureUpdateCheck.h"

#include "common/BoundedReply.h"

#include <QList>
#include <QSslCertificate>
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
class UpdateCheckTransfer final : public BoundedReply {
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

    bool isRunning() const { return !hasEnded(); }

private:
    UpdateCheckTransfer(Setup setup, RureUpdateCheckCompletion completion);

    void send(const QUrl& url);
    void replyFinished() override;
    void bodyTooLarge() override;
    void deadlinePassed() override;
    void dropCompletion() override { completion_ = nullptr; }
    // Where the finished response redirects to, resolved, when it is a redirect
    // to follow; nothing for any other response.
    std::optional<QUrl> redirectTarget() const;
    void follow(const QUrl& target);
    Result<RureUpdateCheckResult> evaluateResponse() const;
    void finish(Result<RureUpdateCheckResult> result);

    Setup setup_;
    RureUpdateCheckCompletion completion_;
    QNetworkAccessManager* manager_ = nullptr;
    int redirectsFollowed_ = 0;
};

} // namespace rure
