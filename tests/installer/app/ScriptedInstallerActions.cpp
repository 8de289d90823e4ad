#include "ScriptedInstallerActions.h"

#include <gtest/gtest.h>

namespace rure::test {

Result<void> InstallLatch::run() {
    std::unique_lock lock(mutex_);
    ++started_;
    released_.wait(lock, [this] { return outcome_.has_value(); });
    Result<void> outcome = std::move(*outcome_);
    outcome_.reset();
    ++returned_;
    return outcome;
}

void InstallLatch::release(Result<void> outcome) {
    {
        std::lock_guard lock(mutex_);
        outcome_ = std::move(outcome);
    }
    released_.notify_all();
}

int InstallLatch::started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

int InstallLatch::returned() const {
    std::lock_guard lock(mutex_);
    return returned_;
}

ScriptedInstallerActions::ScriptedInstallerActions(QString installerBundlePath)
    : original(installerBundlePath), installerBundlePath_(std::move(installerBundlePath)) {}

InstallerActions ScriptedInstallerActions::actions() {
    InstallerActions actions = actionsQuittingTheApplication();
    actions.terminate = [this] { calls << QStringLiteral("terminate"); };
    return actions;
}

InstallerActions ScriptedInstallerActions::actionsQuittingTheApplication() {
    InstallerActions actions;
    actions.performInstall = [this] { return install.run(); };
    actions.originalInstallerURL = [this](const QString& bundlePath) {
        calls << QStringLiteral("originalInstallerURL ") + bundlePath;
        return original;
    };
    actions.moveToTrash = [this](const QString& path, std::function<void(bool)> completion) {
        calls << QStringLiteral("moveToTrash ") + path;
        EXPECT_FALSE(trashCompletion_) << "a second Trash move started before the first ended";
        trashCompletion_ = std::move(completion);
    };
    actions.moveToTrashAfterExit = [this](const QString& path) {
        calls << QStringLiteral("moveToTrashAfterExit ") + path;
        return delayedTrashStarts;
    };
    actions.openRureAfterInstallerExits = [this](const QString& path) {
        calls << QStringLiteral("open ") + path;
        return openStarts;
    };
    actions.installerBundlePath = installerBundlePath_;
    return actions;
}

QStringList ScriptedInstallerActions::callsStartingWith(const QString& prefix) const {
    QStringList matching;
    for (const QString& call : calls) {
        if (call.startsWith(prefix)) {
            matching << call;
        }
    }
    return matching;
}

void ScriptedInstallerActions::completeTrash(bool moved) {
    ASSERT_TRUE(trashCompletion_) << "no Trash move is under way";
    std::function<void(bool)> completion = std::move(trashCompletion_);
    trashCompletion_ = nullptr;
    completion(moved);
}

} // namespace rure::test
