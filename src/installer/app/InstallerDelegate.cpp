#include "InstallerDelegate.h"

#include "InstallerWindow.h"
#include "installer/transaction/InstallerLog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace rure {

InstallerDelegate::InstallerDelegate(InstallerActions actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions)) {}

InstallerDelegate::~InstallerDelegate() = default;

void InstallerDelegate::applicationDidFinishLaunching() {
    InstallerLog::notice(QStringLiteral("Rizezad Aduz launched."));
    QApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());

    detachedMenuBar_ = std::make_unique<QMenuBar>();
    menuBar_ = detachedMenuBar_.get();
    QMenu* menu = menuBar_->addMenu(QStringLiteral("Rizezad Aduz"));
    quitAction_ = menu->addAction(QStringLiteral("Quit Rizezad Aduz"));
    quitAction_->setMenuRole(QAction::QuitRole);
    quitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Ctrl+Q works while the window is active even where the bar is not on screen.
    quitAction_->setShortcutContext(Qt::ApplicationShortcut);
    connect(quitAction_, &QAction::triggered, this, [this] { actions_.terminate(); });
    attachMenuBar();

    createWindow();
}

void InstallerDelegate::createWindow() {
    if (window_) {
        return;
    }
    const QString resources = actions_.installerBundlePath + QStringLiteral("/Contents/Resources");
    window_ = std::make_unique<InstallerWindow>(resources + QStringLiteral("/AppIcon.svg"));
    statusLabel_ = window_->statusLabel();
    installButton_ = window_->installButton();
    trashCheckbox_ = window_->trashCheckbox();
    setButtonAction(&InstallerDelegate::install);
    attachMenuBar();

    window_->centreOnScreen();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

QMenuBar* InstallerDelegate::menuBar() const {
    return menuBar_;
}

void InstallerDelegate::attachMenuBar() {
    if (!window_ || !detachedMenuBar_) {
        return;
    }
    QMenuBar* bar = detachedMenuBar_.release();
    bar->setParent(window_.get());
    // The desktop's global menu shows it where there is one; otherwise it stays
    // hidden so the content keeps its size, and the window carries the shortcut.
    bar->setNativeMenuBar(true);
    if (!bar->isNativeMenuBar()) {
        bar->hide();
    }
    window_->addAction(quitAction_);
}

void InstallerDelegate::setButtonAction(void (InstallerDelegate::*action)()) {
    disconnect(installButton_, &QPushButton::clicked, this, nullptr);
    connect(installButton_, &QPushButton::clicked, this, action);
}

void InstallerDelegate::install() {
    if (!window_ || installing_) {
        return;
    }
    InstallerLog::notice(QStringLiteral("Installation requested."));
    installing_ = true;
    installButton_->setEnabled(false);
    trashCheckbox_->hide();
    statusLabel_->setText(QStringLiteral("Installing\u2026"));

    worker_.start([this] {
        Result<void> result = actions_.performInstall();
        if (result) {
            InstallerLog::notice(
                QStringLiteral("Rure installation completed and passed verification."));
        } else {
            InstallerLog::error(QStringLiteral("Rure installation failed before completion."));
        }
        // The delegate is the context: a result that arrives after it is gone
        // is dropped with it (its destructor waits for this job first).
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { installFinished(result); },
            Qt::QueuedConnection);
    });
}

void InstallerDelegate::installFinished(const Result<void>& result) {
    installing_ = false;
    if (result) {
        statusLabel_->setText(QStringLiteral("Rure is installed and ready."));
        installButton_->setText(QStringLiteral("Done"));
        setButtonAction(&InstallerDelegate::finish);
        installButton_->setEnabled(true);
        trashCheckbox_->setEnabled(true);
        trashCheckbox_->show();
        return;
    }
    statusLabel_->setText(result.error().description);
    installButton_->setText(QStringLiteral("Try Again"));
    trashCheckbox_->hide();
    installButton_->setEnabled(true);
}

void InstallerDelegate::finish() {
    if (!window_) {
        return;
    }
    if (!trashCheckbox_->isChecked()) {
        openRureAndQuit(this);
        return;
    }
    const std::optional<QString> original =
        actions_.originalInstallerURL(actions_.installerBundlePath);
    if (!original) {
        showTrashFailure();
        return;
    }
    statusLabel_->setText(QStringLiteral("Moving the installer to Trash\u2026"));
    trashCheckbox_->setEnabled(false);
    installButton_->setEnabled(false);

    // The completion may come after the window is gone: it keeps what it needs.
    actions_.moveToTrash(*original, [delegate = QPointer<InstallerDelegate>(this),
                                     moveToTrashAfterExit = actions_.moveToTrashAfterExit,
                                     path = *original](bool moved) {
        if (moved) {
            InstallerLog::notice(QStringLiteral("The original installer moved to Trash."));
            openRureAndQuit(delegate);
            return;
        }
        if (moveToTrashAfterExit(path)) {
            InstallerLog::notice(
                QStringLiteral("A delayed Trash helper was started for the original installer."));
            openRureAndQuit(delegate);
            return;
        }
        InstallerLog::error(QStringLiteral("The original installer could not be moved to Trash."));
        if (delegate) {
            delegate->showTrashFailure();
        }
    });
}

void InstallerDelegate::openRureAndQuit(const QPointer<InstallerDelegate>& delegate) {
    if (!delegate) {
        return;
    }
    InstallerActions& actions = delegate->actions_;
    if (actions.openRureAfterInstallerExits(actions.installedApplicationPath)) {
        InstallerLog::notice(QStringLiteral("Rure launch helper started successfully."));
        actions.terminate();
        return;
    }
    delegate->showOpenFailure();
}

void InstallerDelegate::showOpenFailure() {
    statusLabel_->setText(QStringLiteral("Rure is installed, but the system could not open it."));
    trashCheckbox_->setChecked(false);
    trashCheckbox_->setEnabled(true);
    installButton_->setEnabled(true);
}

void InstallerDelegate::showTrashFailure() {
    if (!window_) {
        return;
    }
    statusLabel_->setText(
        QStringLiteral("Rure is installed, but the system could not move the original "
                       "installer to Trash. You can move it manually."));
    trashCheckbox_->setChecked(false);
    trashCheckbox_->setEnabled(true);
    installButton_->setEnabled(true);
}

} // namespace rure
