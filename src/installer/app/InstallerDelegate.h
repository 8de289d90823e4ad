#pragma once

#include "InstallerActions.h"
#include "InstallerWorker.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QMenuBar;
class QPushButton;

namespace rure {

class InstallerWindow;

// The installer's controller: builds the menu and the window at launch, runs
// the install on the worker thread, then offers to move the installer to the
// Trash before it opens the installed viewer and quits. Lives on the GUI thread;
// every window change happens there.
//
// The button reads "Install" (action install), then "Try Again" after a failed
// install (action install) or "Done" after a successful one (action finish).
class InstallerDelegate : public QObject {
    Q_OBJECT

public:
    explicit InstallerDelegate(InstallerActions actions, QObject* parent = nullptr);
    // Waits for a running install to end: its transaction is not interrupted.
    ~InstallerDelegate() override;

    // Logs the launch, installs the menu ("Quit Rizezad Aduz", Ctrl+Q) and
    // opens the window.
    void applicationDidFinishLaunching();
    // Closing the window quits the installer, in every state.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }

    void createWindow();
    void install();
    void finish();
    void showTrashFailure();

    // Null until createWindow.
    InstallerWindow* window() const { return window_.get(); }
    QLabel* statusLabel() const { return statusLabel_; }
    QPushButton* installButton() const { return installButton_; }
    QCheckBox* trashCheckbox() const { return trashCheckbox_; }
    // Null until applicationDidFinishLaunching.
    QMenuBar* menuBar() const;
    QAction* quitAction() const { return quitAction_; }

private:
    void installFinished(const Result<void>& result);
    // Does nothing once `delegate` is gone.
    static void openRureAndQuit(const QPointer<InstallerDelegate>& delegate);
    void showOpenFailure();
    void setButtonAction(void (InstallerDelegate::*action)());
    // Hands the menu bar to the window once both exist.
    void attachMenuBar();

    InstallerActions actions_;
    std::unique_ptr<InstallerWindow> window_;
    QLabel* statusLabel_ = nullptr;
    QPushButton* installButton_ = nullptr;
    QCheckBox* trashCheckbox_ = nullptr;
    // Held here from launch until the window takes it over.
    std::unique_ptr<QMenuBar> detachedMenuBar_;
    QPointer<QMenuBar> menuBar_;
    QAction* quitAction_ = nullptr;
    bool installing_ = false;
    // Declared last: destroyed first, so a running job never outlives the members it reads.
    InstallerWorker worker_;
};

} // namespace rure
