#include "UpdateCheckScheduler.h"

#include "RureUpdateCheckError.h"
#include "RureUpdateService.h"
#include "common/RureLog.h"

#include <QSettings>

namespace rure {

namespace {

constexpr qint64 checkIntervalMilliseconds = qint64{86'400} * 1000;

// Names the kind of failure, never the server's address.
void logIncompleteCheck(const QString& kind) {
    RureLog::updates().error(
        QStringLiteral("The update check did not complete successfully (%1).").arg(kind));
}

} // namespace

const QString UpdateCheckScheduler::lastCheckKey = QStringLiteral("lastAutomaticUpdateCheck");

UpdateCheckScheduler::UpdateCheckScheduler(StartCheck startCheck, QSettings& settings,
                                           UpdateCheckPresenters presenters, Clock clock)
    : startCheck_(std::move(startCheck)), settings_(settings), presenters_(std::move(presenters)),
      clock_(clock ? std::move(clock) : Clock(&QDateTime::currentDateTimeUtc)) {}

UpdateCheckScheduler::UpdateCheckScheduler(const RureUpdateService& service, QSettings& settings,
                                           UpdateCheckPresenters presenters, Clock clock)
    : UpdateCheckScheduler(
          [&service](RureUpdateCheckCompletion completion) {
              return service.check(std::move(completion));
          },
          settings, std::move(presenters), std::move(clock)) {}

UpdateCheckScheduler::~UpdateCheckScheduler() {
    cancel();
}

void UpdateCheckScheduler::checkForUpdatesIfNeeded() {
    const QVariant stored = settings_.value(lastCheckKey);
    if (stored.typeId() == QMetaType::QDateTime) {
        const QDateTime last = stored.toDateTime();
        if (last.isValid() && last.msecsTo(clock_()) < checkIntervalMilliseconds) {
            return;
        }
    }
    performUpdateCheck(false);
}

void UpdateCheckScheduler::performUpdateCheck(bool manual) {
    cancel();
    // The completion never runs after the handle is cancelled, and the handle
    // goes with this object, so `this` is alive whenever it runs.
    check_ = startCheck_([this, manual](Result<RureUpdateCheckResult> result) {
        checkFinished(manual, std::move(result));
    });
}

void UpdateCheckScheduler::cancel() {
    // A check cut short is one that did not complete, as when it fails; it is
    // logged the same way but never shown.
    if (check_.isRunning()) {
        logIncompleteCheck(QStringLiteral("cut short"));
    }
    check_.cancel();
}

void UpdateCheckScheduler::checkFinished(bool manual, Result<RureUpdateCheckResult> result) {
    if (!result) {
        logIncompleteCheck(updateCheckFailureKind(result.error()));
        if (manual && presenters_.presentUpdateStatus) {
            presenters_.presentUpdateStatus(QStringLiteral("Couldn\u2019t check for updates"),
                                            result.error().description);
        }
        return;
    }
    settings_.setValue(lastCheckKey, clock_());
    const RureUpdateCheckResult& outcome = result.value();
    if (outcome.isAvailable()) {
        if (presenters_.presentAvailableUpdate) {
            presenters_.presentAvailableUpdate(outcome.manifest());
        }
    } else if (manual && presenters_.presentUpdateStatus) {
        presenters_.presentUpdateStatus(
            QStringLiteral("Rure is up to date"),
            QStringLiteral("You\u2019re using the newest available version of Rure."));
    }
}

} // namespace rure
