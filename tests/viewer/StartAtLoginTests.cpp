// Start at Login: the entry in the test's own autostart folder, the desktop's
// validator, and the check mark that follows the file.
#include "ControllerTestFixture.h"

#include "support/DesktopFileValidation.h"
#include "window/ViewerMainMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace rure::test {
namespace {

class StartAtLogin : public ControllerTest {
protected:
    QAction* item() const {
        for (QAction* action : delegate->viewerWindow()->actions()) {
            if (withoutMnemonic(action->text()) == QStringLiteral("Start at Login")) {
                return action;
            }
        }
        return nullptr;
    }

    // Opens the Rure menu as the user would, and closes it again.
    void openRureMenu() {
        QMenuBar* bar = delegate->viewerWindow()->findChild<QMenuBar*>();
        ASSERT_NE(bar, nullptr);
        QMenu* rure = bar->actions().value(0)->menu();
        ASSERT_NE(rure, nullptr);
        rure->popup(delegate->viewerWindow()->geometry().center());
        pumpUntil([rure] { return rure->isVisible(); });
        rure->close();
    }

    const QString entry = autostartEntryIn(directory.path());
};

TEST_F(StartAtLogin, writesAnEntryTheDesktopTakesAndTheCheckMarkFollowsTheFile) {
    saveCameras(threeCameras());
    launch();
    ASSERT_NE(item(), nullptr);
    EXPECT_TRUE(item()->isCheckable());
    EXPECT_FALSE(item()->isChecked());

    item()->trigger();
    EXPECT_TRUE(item()->isChecked());
    ASSERT_TRUE(QFile::exists(entry));
    const DesktopFileValidation validation = validateDesktopFile(entry);
    EXPECT_TRUE(validation.accepted()) << validation.status << "\n"
                                       << validation.complaints.join(u'\n').toStdString();
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains(
        "\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + '\n'));

    item()->trigger();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_FALSE(QFile::exists(entry));

    // Removed by hand while on: the menu shows it off the next time it opens.
    item()->trigger();
    ASSERT_TRUE(QFile::exists(entry));
    ASSERT_TRUE(QFile::remove(entry));
    openRureMenu();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join(u'\n').toStdString();
}

TEST_F(StartAtLogin, theNextLaunchShowsTheEntryAsItFindsItAndAFailureIsReported) {
    saveCameras(threeCameras());
    launch();
    item()->trigger();
    ASSERT_TRUE(QFile::exists(entry));

    delegate.reset();
    launch();
    EXPECT_TRUE(item()->isChecked()) << "the entry is there at launch";

    // Something else where the entry belongs: turning it off fails, and says so.
    ASSERT_TRUE(QFile::remove(entry));
    ASSERT_TRUE(QDir().mkpath(entry + QStringLiteral("/inside")));
    delegate.reset();
    launch();
    EXPECT_FALSE(item()->isChecked());
    item()->trigger();
    ASSERT_TRUE(pumpUntil([this] { return !alerts.isEmpty(); }));
    EXPECT_TRUE(alerts[0].startsWith(QStringLiteral("Could not write ") + entry))
        << alerts[0].toStdString();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_TRUE(QFileInfo(entry + QStringLiteral("/inside")).isDir());
}

} // namespace
} // namespace rure::test
