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

class QNetworkAccessManager;
class QNetworkReply;

namespace rure {

// One update check in flight: its own network client, the GET of the manifest,
// the bounded body, the deadline, and the evaluation of the response. It
// deletes itself after it has finished or been cancelled, and calls its
// completion at most once, never after cancel().
class UpdateCheckTransfer final : public QObject {
public:
    struct Setup {
        QUrl address; // invalid: the check fails with RureUpdateCheckError::invalidAddress
        QList<QSslCertificate> trustedCertificates;
        std::chrono::milliseconds timeLimit;
        std::function<InstalledIdentity()> installedIdentity;
    };

    static constexpr qsizetype bodyLimit = 65536;

    // Starts the check. The completion runs later, from the event loop, never
    // within this call.
    static UpdateCheckTransfer* start(Setup setup, RureUpdateCheckCompletion completion);

    // Aborts the transfer and deletes this object at once, without calling the
    // completion. Does nothing once the check has finished.
    void cancel();
    bool isRunning() const { return !finished_; }

private:
    UpdateCheckTransfer(Setup setup, RureUpdateCheckCompletion completion);

    void send();
    void readBody();
    void replyFinished();
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
    QTimer deadline_;
    QByteArray body_;
    bool finished_ = false;
};

} // namespace rure
