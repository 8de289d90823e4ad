#pragma once

#include "RureUpdateCheck.h"
#include "RureUpdateManifest.h"

#include <QDateTime>
#include <QString>

#include <functional>

class QSettings;

namespace rure {

class RureUpdateService;

// How the outcome of a check reaches the user; see UpdateAlerts.h for the
// message boxes the viewer uses.
struct UpdateCheckPresenters {
    // An informational alert with a title, a message and one "OK" button.
    std::function<void(const QString& title, const QString& message)> presentUpdateStatus;
    // The offer to open the download page of a newer release.
    std::function<void(const RureUpdateManifest& manifest)> presentAvailableUpdate;
};

// When the viewer checks for updates and what the user sees afterwards.
//
// At launch a check runs when the last completed check is at least 24 hours
// old (or there is none); the user can check at any time. One check runs at a
// time: a new one cancels the one before. A completed check stores the time
// under "lastAutomaticUpdateCheck"; a failed or cancelled one stores nothing.
// A newer release is always offered; "up to date" and failures are shown only
// for checks the user asked for. Lives on the GUI thread.
class UpdateCheckScheduler {
public:
    static const QString lastCheckKey; // "lastAutomaticUpdateCheck"

    using StartCheck = std::function<RureUpdateCheck(RureUpdateCheckCompletion)>;
    using Clock = std::function<QDateTime()>;

    // `settings` and the service behind `startCheck` must outlive the scheduler.
    // The clock gives the wall-clock time (the current time by default).
    UpdateCheckScheduler(StartCheck startCheck, QSettings& settings,
                         UpdateCheckPresenters presenters, Clock clock = {});
    // Checks with `service`, which must outlive the scheduler.
    UpdateCheckScheduler(const RureUpdateService& service, QSettings& settings,
                         UpdateCheckPresenters presenters, Clock clock = {});
    // Cancels the running check.
    ~UpdateCheckScheduler();

    UpdateCheckScheduler(const UpdateCheckScheduler&) = delete;
    UpdateCheckScheduler& operator=(const UpdateCheckScheduler&) = delete;

    // The last step of the launch: checks unless the last completed check is
    // less than 86,400 seconds old. A stored time in the future also counts as
    // recent, until 24 hours after it.
    void checkForUpdatesIfNeeded();
    // The "Check for Updates…" menu item.
    void checkForUpdates() { performUpdateCheck(true); }
    // Starts a check, cancelling the one before.
    void performUpdateCheck(bool manual);
    // Stops the running check, if any (at termination); it shows and stores nothing.
    void cancel();

    bool isChecking() const { return check_.isRunning(); }

private:
    void checkFinished(bool manual, Result<RureUpdateCheckResult> result);

    StartCheck startCheck_;
    QSettings& settings_;
    UpdateCheckPresenters presenters_;
    Clock clock_;
    RureUpdateCheck check_;
};

} // namespace rure
