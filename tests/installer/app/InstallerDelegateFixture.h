#pragma once

#include "InstallerLogCapture.h"
#include "ScriptedInstallerActions.h"
#include "installer/app/InstallerDelegate.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace rure::test {

// The window's texts, as the user reads them.
namespace texts {
inline const QString ready =
    QStringLiteral("Installs Rure in /opt. Existing camera settings will be preserved.");
inline const QString installing = QStringLiteral("Installing\u2026");
inline const QString installed = QStringLiteral("Rure is installed and ready.");
inline const QString movingToTrash = QStringLiteral("Moving the installer to Trash\u2026");
inline const QString trashFailed = QStringLiteral(
    "Rure is installed, but the system could not move the original installer to Trash. "
    "You can move it manually.");
inline const QString openFailed =
    QStringLiteral("Rure is installed, but the system could not open it.");
} // namespace texts

// One row of the window's state table; unset fields are not looked at.
struct WindowState {
    const char* name;
    QString status;
    std::optional<QString> button;
    bool buttonEnabled;
    bool boxVisible;
    std::optional<bool> boxEnabled;
    std::optional<bool> boxChecked;
};

namespace states {
inline const WindowState ready{"Ready",      texts::ready, QStringLiteral("Install"), true, false,
                               std::nullopt, true};
inline const WindowState installing{"Installing", texts::installing, std::nullopt, false,
                                    false,        std::nullopt,      std::nullopt};
inline WindowState failed(const QString& description) {
    return {"Failed",     description, QStringLiteral("Try Again"), true, false,
            std::nullopt, std::nullopt};
}
inline const WindowState installed{
    "Installed", texts::installed, QStringLiteral("Done"), true, true, true, std::nullopt};
inline const WindowState movingToTrash{
    "Moving to Trash", texts::movingToTrash, QStringLiteral("Done"), false, true, false,
    std::nullopt};
inline const WindowState trashFailed{
    "Trash failed", texts::trashFailed, QStringLiteral("Done"), true, true, true, false};
inline const WindowState openFailed{
    "Open failed", texts::openFailed, QStringLiteral("Done"), true, true, true, false};
} // namespace states

// A launched installer driven by scripted operations, with its log captured.
class InstallerDelegateTest : public ::testing::Test {
protected:
    InstallerDelegateTest();
    ~InstallerDelegateTest() override;

    // Launches with the scripted operations and waits for the window to be active.
    void launch();
    void launch(InstallerActions actions);

    void clickButton();
    void pressReturn();
    // Waits until the install has started `count` times in all.
    void waitForInstallStart(int count);
    // Waits until the button reads `title` and is enabled again.
    void waitForButton(const QString& title);
    // Ready to Installed through a successful install.
    void installSuccessfully();

    void expectState(const WindowState& expected) const;

    static Error installerError(const QString& message);

    QTemporaryDir directory;
    QString installerBundlePath;
    ScriptedInstallerActions scripted;
    InstallerLogCapture log;
    std::unique_ptr<InstallerDelegate> delegate;
};

} // namespace rure::test
