#include "InstallerDelegateFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <thread>

namespace rure::test {
namespace {

TEST_F(InstallerDelegateTest, aFailedInstallShowsItsMessageAndTryAgainRunsTheWholeInstallAgain) {
    launch();
    expectState(states::ready);

    clickButton();
    waitForInstallStart(1);
    expectState(states::installing);
    EXPECT_EQ(log.count(RureLogLevel::standard, QStringLiteral("Installation requested.")), 1);

    // While the worker runs, neither the button nor Return starts a second install.
    clickButton();
    pressReturn();
    delegate->install();
    QTest::qWait(50);
    EXPECT_EQ(scripted.install.started(), 1);

    const QString message = QStringLiteral("Rure is still open. Close it, then choose Try Again.");
    scripted.install.release(installerError(message));
    waitForButton(QStringLiteral("Try Again"));
    expectState(states::failed(message));
    EXPECT_EQ(log.count(RureLogLevel::error,
                        QStringLiteral("Rure installation failed before completion.")),
              1);
    EXPECT_EQ(log.count(QStringLiteral("Rure installation completed and passed verification.")), 0);

    clickButton();
    waitForInstallStart(2);
    expectState(states::installing);
    EXPECT_EQ(log.count(RureLogLevel::standard, QStringLiteral("Installation requested.")), 2);

    scripted.install.release(Result<void>::success());
    waitForButton(QStringLiteral("Done"));
    expectState(states::installed);
    EXPECT_EQ(log.count(RureLogLevel::standard,
                        QStringLiteral("Rure installation completed and passed verification.")),
              1);
    // Nothing after the install was touched yet.
    EXPECT_TRUE(scripted.calls.isEmpty()) << scripted.calls.join(", ").toStdString();
}

TEST_F(InstallerDelegateTest, aFailureFromTheFileSystemIsShownInItsOwnWords) {
    launch();
    const QString message = QStringLiteral("Could not copy \u201cRure.app\u201d: No space left.");
    clickButton();
    waitForInstallStart(1);
    scripted.install.release(Error{ErrorDomain::file, 28, message});
    waitForButton(QStringLiteral("Try Again"));
    expectState(states::failed(message));
}

TEST_F(InstallerDelegateTest, aSuccessfulInstallShowsTheBoxInTheStateItWasLeftIn) {
    for (const bool checked : {true, false}) {
        SCOPED_TRACE(checked ? "box on" : "box off");
        launch();
        delegate->trashCheckbox()->setChecked(checked);
        installSuccessfully();
        expectState(states::installed);
        EXPECT_EQ(delegate->trashCheckbox()->isChecked(), checked);
        delegate.reset();
    }
}

TEST_F(InstallerDelegateTest, returnPressesInstallTryAgainAndDone) {
    launch();
    pressReturn();
    waitForInstallStart(1);
    scripted.install.release(installerError(QStringLiteral("The installer payload is missing.")));
    waitForButton(QStringLiteral("Try Again"));

    pressReturn();
    waitForInstallStart(2);
    scripted.install.release(Result<void>::success());
    waitForButton(QStringLiteral("Done"));

    // Return also reaches the button when the focus is on the check box.
    delegate->trashCheckbox()->setFocus();
    QTest::keyClick(delegate->trashCheckbox(), Qt::Key_Return);
    EXPECT_EQ(scripted.count(QStringLiteral("originalInstallerURL ") + installerBundlePath), 1);
    EXPECT_TRUE(scripted.trashPending());
    EXPECT_EQ(scripted.install.started(), 2);
}

TEST_F(InstallerDelegateTest, destroyingTheInstallerWaitsForTheRunningInstall) {
    launch();
    clickButton();
    waitForInstallStart(1);
    std::thread releaser([this] { scripted.install.release(Result<void>::success()); });
    delegate.reset();
    EXPECT_EQ(scripted.install.returned(), 1);
    releaser.join();
    // The outcome that was on its way to the gone window is dropped.
    QCoreApplication::processEvents();
    EXPECT_EQ(log.count(QStringLiteral("Rure installation completed and passed verification.")), 1);
}

} // namespace
} // namespace rure::test
