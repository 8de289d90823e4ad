#pragma once

#include "installer/app/InstallerActions.h"

#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace rure::test {

// An install that blocks on the worker thread until the test hands it an outcome.
class InstallLatch {
public:
    // On the worker: counts the start, then waits for release().
    Result<void> run();
    void release(Result<void> outcome);

    int started() const;
    int returned() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::optional<Result<void>> outcome_;
    int started_ = 0;
    int returned_ = 0;
};

// Scripted outcomes for every installer operation, and a record of the calls.
// The Trash move completes only when the test says so, so the window can be
// looked at while it is under way.
class ScriptedInstallerActions {
public:
    explicit ScriptedInstallerActions(QString installerBundlePath);

    // Bound to this object, which must outlive every delegate using them.
    InstallerActions actions();
    // Like actions(), with the application's own quit.
    InstallerActions actionsQuittingTheApplication();

    InstallLatch install;
    std::optional<QString> original;
    bool delayedTrashStarts = true;
    bool openStarts = true;

    // "originalInstallerURL <path>", "moveToTrash <path>", "moveToTrashAfterExit <path>",
    // "open <path>", "terminate", in call order.
    QStringList calls;
    int count(const QString& call) const { return static_cast<int>(calls.count(call)); }
    QStringList callsStartingWith(const QString& prefix) const;

    bool trashPending() const { return static_cast<bool>(trashCompletion_); }
    // Completes the pending Trash move (as the real one does, on the GUI thread).
    void completeTrash(bool moved);

private:
    QString installerBundlePath_;
    std::function<void(bool)> trashCompletion_;
};

} // namespace rure::test
