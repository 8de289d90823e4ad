#include "InstallerDelegateFixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

namespace rure::test {
namespace {

const QString viewerPath = QStringLiteral("/opt/Rure.app");
const QString openViewer = QStringLiteral("open ") + viewerPath;
const QString terminate = QStringLiteral("terminate");
const QString launchHelperStarted = QStringLiteral("Rure launch helper started successfully.");
const QString movedToTrash = QStringLiteral("The original installer moved to Trash.");
const QString delayedHelperStarted =
    QStringLiteral("A delayed Trash helper was started for the original installer.");
const QString couldNotMove = QStringLiteral("The original installer could not be moved to Trash.");

TEST_F(InstallerDelegateTest, doneWithTheBoxOffOpensRureAndQuitsWithoutTouchingTheInstaller) {
    launch();
    installSuccessfully();
    QTest::mouseClick(delegate->trashCheckbox(), Qt::LeftButton);
    ASSERT_FALSE(delegate->trashCheckbox()->isChecked());

    clickButton();
    EXPECT_EQ(scripted.calls, QStringList({openViewer, terminate}));
    EXPECT_EQ(log.count(RureLogLevel::standard, launchHelperStarted), 1);
}

TEST_F(InstallerDelegateTest, doneMovesTheOriginalInstallerToTrashThenOpensRure) {
    const QString original = directory.filePath(QStringLiteral("Downloads/Rizezad Aduz.app"));
    const struct {
        const char* name;
        bool moved;
        bool delayedHelperStarts;
        QStringList calls;
        QString logged;
        RureLogLevel level;
    } cases[] = {
        {"moved at once",
         true,
         true,
         {QStringLiteral("originalInstallerURL ") + installerBundlePath,
          QStringLiteral("moveToTrash ") + original, openViewer, terminate},
         movedToTrash,
         RureLogLevel::standard},
        {"moved after exit",
         false,
         true,
         {QStringLiteral("originalInstallerURL ") + installerBundlePath,
          QStringLiteral("moveToTrash ") + original,
          QStringLiteral("moveToTrashAfterExit ") + original, openViewer, terminate},
         delayedHelperStarted,
         RureLogLevel::standard},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        InstallerLogCapture rowLog;
        scripted.calls.clear();
        scripted.original = original;
        scripted.delayedTrashStarts = row.delayedHelperStarts;
        launch();
        installSuccessfully();

        clickButton();
        ASSERT_TRUE(scripted.trashPending());
        expectState(states::movingToTrash);
        EXPECT_TRUE(delegate->trashCheckbox()->isChecked());

        scripted.completeTrash(row.moved);
        EXPECT_EQ(scripted.calls, row.calls);
        EXPECT_EQ(rowLog.count(row.level, row.logged), 1);
        EXPECT_EQ(rowLog.count(RureLogLevel::standard, launchHelperStarted), 1);
        EXPECT_EQ(rowLog.count(couldNotMove), 0);
        delegate.reset();
    }
}

TEST_F(InstallerDelegateTest, whenTheInstallerCannotBeMovedTheWindowSaysSoAndDoneThenOpensRure) {
    launch();
    installSuccessfully();
    scripted.delayedTrashStarts = false;

    clickButton();
    scripted.completeTrash(false);
    expectState(states::trashFailed);
    EXPECT_EQ(log.count(RureLogLevel::error, couldNotMove), 1);
    EXPECT_EQ(scripted.count(openViewer), 0);
    EXPECT_EQ(scripted.count(terminate), 0);

    clickButton();
    EXPECT_EQ(scripted.calls,
              QStringList({QStringLiteral("originalInstallerURL ") + installerBundlePath,
                           QStringLiteral("moveToTrash ") + installerBundlePath,
                           QStringLiteral("moveToTrashAfterExit ") + installerBundlePath,
                           openViewer, terminate}));
}

TEST_F(InstallerDelegateTest, withoutTheOriginalInstallerDoneShowsTheTrashFailure) {
    launch();
    installSuccessfully();
    scripted.original.reset();

    clickButton();
    expectState(states::trashFailed);
    EXPECT_EQ(scripted.calls,
              QStringList({QStringLiteral("originalInstallerURL ") + installerBundlePath}));

    pressReturn();
    EXPECT_EQ(scripted.callsStartingWith(QStringLiteral("originalInstallerURL")).size(), 1);
    EXPECT_EQ(scripted.count(openViewer), 1);
    EXPECT_EQ(scripted.count(terminate), 1);
}

TEST_F(InstallerDelegateTest, whenRureCannotBeOpenedTheInstallerStaysAndSaysSo) {
    for (const bool boxOn : {false, true}) {
        SCOPED_TRACE(boxOn ? "after moving the installer" : "with the box off");
        InstallerLogCapture rowLog;
        scripted.calls.clear();
        scripted.openStarts = false;
        launch();
        installSuccessfully();
        delegate->trashCheckbox()->setChecked(boxOn);

        clickButton();
        if (boxOn) {
            scripted.completeTrash(true);
        }
        expectState(states::openFailed);
        EXPECT_EQ(scripted.count(openViewer), 1);
        EXPECT_EQ(scripted.count(terminate), 0);
        EXPECT_EQ(rowLog.count(launchHelperStarted), 0);

        // The box is off now, so Done only tries to open Rure again.
        scripted.openStarts = true;
        clickButton();
        EXPECT_EQ(scripted.callsStartingWith(QStringLiteral("moveToTrash")).size(), boxOn ? 1 : 0);
        EXPECT_EQ(scripted.count(openViewer), 2);
        EXPECT_EQ(scripted.count(terminate), 1);
        delegate.reset();
    }
}

TEST_F(InstallerDelegateTest, aTrashMoveEndingAfterTheWindowIsGoneStillHandsOverToTheHelper) {
    for (const bool helperStarts : {true, false}) {
        SCOPED_TRACE(helperStarts ? "helper started" : "helper failed");
        InstallerLogCapture rowLog;
        scripted.calls.clear();
        scripted.delayedTrashStarts = helperStarts;
        launch();
        installSuccessfully();
        clickButton();
        ASSERT_TRUE(scripted.trashPending());

        delegate.reset();
        scripted.completeTrash(false);
        EXPECT_EQ(scripted.count(QStringLiteral("moveToTrashAfterExit ") + installerBundlePath), 1);
        EXPECT_EQ(rowLog.count(RureLogLevel::standard, delayedHelperStarted), helperStarts ? 1 : 0);
        EXPECT_EQ(rowLog.count(RureLogLevel::error, couldNotMove), helperStarts ? 0 : 1);
        // With no installer left, nothing opens Rure or quits.
        EXPECT_EQ(scripted.count(openViewer), 0);
        EXPECT_EQ(scripted.count(terminate), 0);
    }
}

} // namespace
} // namespace rure::test
