#include "RureUpdateService.h"

#include "RureUpdateAddress.h"
#include "UpdateCheckTransfer.h"
#include "common/RureLog.h"

#include <QPointer>

namespace rure {

RureUpdateService::RureUpdateService(std::optional<QUrl> baseUrl,
                                     QList<QSslCertificate> trustedCertificates,
                                     std::chrono::milliseconds timeLimit,
                                     std::function<InstalledIdentity()> installedIdentity)
    : baseUrl_(std::move(baseUrl)), trustedCertificates_(std::move(trustedCertificates)),
      timeLimit_(timeLimit), installedIdentity_(std::move(installedIdentity)) {}

QUrl RureUpdateService::manifestUrl() const {
    return baseUrl_ ? RureUpdateAddress::manifestUrl(*baseUrl_) : RureUpdateAddress::manifestUrl();
}

RureUpdateCheck RureUpdateService::check(RureUpdateCheckCompletion completion) const {
    RureLog::updates().info(QStringLiteral("Checking the official Rure update manifest."));
    const QPointer<UpdateCheckTransfer> transfer = UpdateCheckTransfer::start(
        {manifestUrl(), trustedCertificates_, timeLimit_, installedIdentity_},
        std::move(completion));
    return RureUpdateCheck(
        [transfer] {
            if (transfer) {
                transfer->cancel();
            }
        },
        [transfer] { return transfer && transfer->isRunning(); });
}

} // namespace rure
