// The main menu and its small informational commands: help, Quick Help,
// feedback and the About panel.
#include "AppDelegate.h"

#include "common/RureLog.h"
#include "common/RurePalette.h"
#include "settings/CameraSettingsController.h"
#include "updates/InstalledIdentity.h"
#include "viewer/FocusAreaController.h"
#include "viewer/ViewerWindowSide.h"
#include "window/CamerasMenu.h"
#include "window/ManualPage.h"
#include "window/ViewerHelp.h"
#include "window/ViewerMainMenu.h"
#include "window/ViewerOverlay.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>

namespace rure {

namespace {

QString ellipsis(const char* text) {
    return QString::fromUtf8(text) + QChar(0x2026);
}

const QString enterFullScreenTitle = QStringLiteral("Enter &Full Screen");
const QString exitFullScreenTitle = QStringLiteral("Exit &Full Screen");
const QString saveSnapshotTitle = QStringLiteral("&Save Snapshot");
const QString manualWindowName = QStringLiteral("manual");
const QString startAtLoginTitle = QStringLiteral("Start at &Login");
const QString camerasTitle = QStringLiteral("C&ameras");
const QString stayOnTopTitle = QStringLiteral("Stay on &Top");
const QString focusOnAreaTitle = QStringLiteral("Focus on an &Area");
const QString cancelAreaSelectionTitle = QStringLiteral("Cancel &Area Selection");
const QString showOriginalTitle = QStringLiteral("Show Original &View");

// The narrowest informational alert, and the room its title bar's buttons
// and icon take beside the title.
constexpr int minimumAlertWidth = 320;
constexpr int titleBarAllowance = 160;

// Where an informational alert goes: a sheet on the active window, or on the
// viewer window, or an application-modal alert when neither exists.
void presentInformation(QWidget* fallbackWindow, const QString& title, const QString& text) {
    QWidget* parent = QApplication::activeWindow() ? QApplication::activeWindow() : fallbackWindow;
    auto* alert = new QMessageBox(parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Information);
    alert->setWindowTitle(title);
    alert->setText(title);
    alert->setInformativeText(text);
    QPushButton* ok = alert->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setStyleSheet(RurePalette::accentButtonStyle());
    alert->setDefaultButton(ok);
    // Wide enough for its title beside the title bar's buttons: a short text
    // alone made a window that cut "About Rure". A message box sizes itself to
    // its texts and ignores a minimum width; a spacer across its grid holds.
    if (auto* grid = qobject_cast<QGridLayout*>(alert->layout())) {
        const int titleWidth = alert->fontMetrics().horizontalAdvance(title);
        grid->addItem(new QSpacerItem(std::max(minimumAlertWidth, titleWidth + titleBarAllowance),
                                      0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    alert->setWindowModality(parent && parent->isVisible() ? Qt::WindowModal
                                                           : Qt::ApplicationModal);
    alert->show();
}

} // namespace

void AppDelegate::installMainMenu() {
    if (side().menu()) {
        return;
    }
    // The menus belong to the window side, which this controller owns: their
    // commands never outlive it.
    auto command = [this](void (AppDelegate::*member)()) {
        return [this, member] { (this->*member)(); };
    };
    const QString rure = QStringLiteral("&Rure");
    const QString windowMenu = QStringLiteral("&Window");
    const QString help = QStringLiteral("&Help");
    std::vector<MainMenuCommand> commands{
        {rure, ellipsis("&Camera Addresses"), QKeySequence(Qt::CTRL | Qt::Key_Comma),
         command(&AppDelegate::showCameraSettings)},
        {rure, camerasTitle, {}, {}, {}, false, false, true},
        // Also first in the menu button's pop-up, right under the pointer.
        {.menu = rure,
         .title = saveSnapshotTitle,
         .shortcut = QKeySequence(Qt::CTRL | Qt::Key_S),
         .action = command(&AppDelegate::saveSnapshot),
         .headsPopup = true,
         .enabled = [this] { return canSaveSnapshot(); }},
        {rure, {}, {}, {}},
        // The entry may have been written or removed by hand since.
        {.menu = rure,
         .title = startAtLoginTitle,
         .action = command(&AppDelegate::toggleStartAtLogin),
         .checkable = true,
         .checked = [this] { return startsAtLogin(); }},
        {rure, ellipsis("Check for &Updates"), {}, command(&AppDelegate::checkForUpdates)},
        {rure, {}, {}, {}},
        {rure, QStringLiteral("&Quit Rure"), QKeySequence(Qt::CTRL | Qt::Key_Q),
         [] { QCoreApplication::quit(); }},
        {windowMenu, QStringLiteral("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W),
         [this] {
             QWidget* target = QApplication::activeWindow();
             (target ? target : &side().window())->close();
         }},
        // Full screen belongs to the viewer window, whichever window is active;
        // the desktop's own full-screen and help keys work as well.
        {.menu = windowMenu,
         .title = enterFullScreenTitle,
         .shortcut = QKeySequence(Qt::Key_F11),
         .action = command(&AppDelegate::toggleFullScreen),
         .moreShortcuts = QList{QKeySequence(Qt::CTRL | Qt::META | Qt::Key_F)} +
                          QKeySequence::keyBindings(QKeySequence::FullScreen),
         .currentTitle =
             [this] {
                 return side().window().isFullScreen() ? exitFullScreenTitle : enterFullScreenTitle;
             }},
        {windowMenu, {}, {}, {}},
        {.menu = windowMenu,
         .title = stayOnTopTitle,
         .shortcut = QKeySequence(Qt::CTRL | Qt::Key_T),
         .action =
             [this] {
                 side().overlay().setStaysOnTop(!side().overlay().staysOnTop());
                 toggleStayOnTop();
             },
         .checkable = true,
         .checked = [this] { return side().overlay().staysOnTop(); }},
        // Reads as the area button's tooltip does.
        {.menu = windowMenu,
         .title = focusOnAreaTitle,
         .shortcut = QKeySequence(Qt::CTRL | Qt::Key_F),
         .action = command(&AppDelegate::toggleFocusArea),
         .currentTitle =
             [this] {
                 switch (side().focusArea().focusButtonState()) {
                 case FocusButtonState::showOriginal:
                     return showOriginalTitle;
                 case FocusButtonState::cancelSelection:
                     return cancelAreaSelectionTitle;
                 case FocusButtonState::focusOnArea:
                     break;
                 }
                 return focusOnAreaTitle;
             },
         .enabled = [this] { return selection_.selectedCamera() != nullptr; }},
        {help, QStringLiteral("Rure &Help"), QKeySequence(Qt::Key_F1),
         command(&AppDelegate::openRureHelp),
         QList{QKeySequence(Qt::CTRL | Qt::Key_Question)} +
             QKeySequence::keyBindings(QKeySequence::HelpContents)},
        {help, QStringLiteral("&Quick Help in Rure"), {}, command(&AppDelegate::showQuickHelp)},
        {help, {}, {}, {}},
        {help, ellipsis("Send &Feedback"), {}, command(&AppDelegate::sendFeedback)},
        {help, QStringLiteral("&About Rure"), {}, command(&AppDelegate::showAbout)},
    };
    // A build whose updates come from the package manager has nothing to check.
    if (!updateChecks_) {
        std::erase_if(commands, [](const MainMenuCommand& item) {
            return item.title == ellipsis("Check for &Updates");
        });
    }
    side().installMenu(commands, camerasTitle);
    ViewerMainMenu& menu = *side().menu();
    if (CamerasMenu* cameras = side().camerasMenu()) {
        connect(cameras, &CamerasMenu::cameraChosen, this, &AppDelegate::selectCamera);
    }
    // The controls move down while the in-window bar covers the top of the picture.
    connect(&menu, &ViewerMainMenu::inWindowBarChanged, &side().overlay(),
            &ViewerOverlay::setControlsTopInset);
    connect(&side().window(), &ViewerWindow::menuKeyPressed, &menu, [&menu](Qt::Key key) {
        if (key == Qt::Key_F10) {
            menu.openFirstMenu();
        } else {
            menu.toggleInWindowBar();
        }
    });
    side().window().menuMnemonicPressed = [&menu](QChar letter) {
        return menu.openMenuWithMnemonic(letter);
    };
}

void AppDelegate::refreshMenu() {
    if (ViewerMainMenu* menu = windowSide_ ? windowSide_->menu() : nullptr) {
        menu->refresh();
    }
}

void AppDelegate::showMainMenuFromButton() {
    if (ViewerMainMenu* menu = side().menu()) {
        side().overlay().popUpUnderMenuButton(*menu->popupMenu());
    }
}

void AppDelegate::openRureHelp() {
    const QUrl page = rureHelpPageUrl();
    const auto open = services_.openUrl ? services_.openUrl : [](const QUrl& url) {
        return QDesktopServices::openUrl(url);
    };
    if (page.isValid() && open(page)) {
        return;
    }
    // No browser: the manual that comes with the program, in a window of its own.
    RureLog::lifecycle().notice(
        QStringLiteral("No browser opened the help page; showing the manual."));
    const QString manual = bundledManualHtml();
    ViewerWindow* window = viewerWindow();
    if (manual.isEmpty() || !window) {
        presentInformation(window, QStringLiteral("Rure Help"),
                           QStringLiteral("No web browser could open the help page at %1, and "
                                          "this copy of Rure has no manual of its own.")
                               .arg(page.toString()));
        return;
    }
    auto* browser = window->findChild<QTextBrowser*>(manualWindowName);
    if (browser == nullptr) {
        browser = new QTextBrowser(window);
        browser->setObjectName(manualWindowName);
        browser->setWindowFlag(Qt::Window);
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->setWindowTitle(QStringLiteral("Rure Help"));
        browser->setOpenExternalLinks(true);
        browser->setHtml(manual);
        browser->resize(640, 720);
    }
    browser->show();
    browser->raise();
    browser->activateWindow();
}

void AppDelegate::showQuickHelp() {
    presentInformation(viewerWindow(), QStringLiteral("Quick Help in Rure"), quickHelpText());
}

void AppDelegate::sendFeedback() {
    const QUrl message = rureFeedbackUrl();
    if (message.isValid()) {
        QDesktopServices::openUrl(message);
    }
}

void AppDelegate::showAbout() {
    const InstalledIdentity identity = InstalledIdentity::compiledIn();
    const QString version = identity.version.value_or(QStringLiteral("Unknown"));
    const QString build = identity.build.value_or(QStringLiteral("Unknown"));
    presentInformation(viewerWindow(), QStringLiteral("About Rure"),
                       QStringLiteral("Rure\nVersion %1\nBuild %2").arg(version, build));
    if (ViewerWindow* window = viewerWindow()) {
        window->activateWindow();
    }
}

void AppDelegate::releaseClosedEditor() {
    // Called from the editor's own close: it goes once that has returned. A
    // new editor may open before then.
    std::shared_ptr<CameraSettingsController> closed(settingsController.release());
    services_.scheduler->post(this, [closed] {});
}

void AppDelegate::showCameraSettings() {
    if (settingsController) {
        settingsController->showAndActivate();
        return;
    }
    const qsizetype selected = selection_.selectedIndex();
    // The editor belongs to this controller, and calls back only while open.
    settingsController = std::make_unique<CameraSettingsController>(
        selection_.cameras(), windowSide_ && side().window().staysOnTop(),
        [this](const QList<Camera>& edited) { return applyEditedCameraList(edited); },
        [this] {
            linkedAddressesToShow_.clear();
            releaseClosedEditor();
        },
        *services_.store);
    if (selected >= 0) {
        settingsController->selectRow(selected);
    }
    settingsController->showAndActivate();
}

} // namespace rure
