#pragma once

#include "common/Result.h"
#include "common/Scheduler.h"
#include "config/Camera.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackEngineEvent.h"
#include "platform/AutostartEntry.h"
#include "platform/LaunchRequest.h"
#include "platform/NetworkPathSignature.h"
#include "updates/UpdateCheckScheduler.h"
#include "viewer/CameraSelection.h"
#include "viewer/PlaybackSupervisor.h"
#include "viewer/PlaybackSupervisorState.h"
#include "viewer/SnapshotController.h"
#include "viewer/VideoFocusCrop.h"
#include "viewer/ViewerSettings.h"

#include <QDBusConnection>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QSettings;
class QWidget;

namespace rure {

class CameraConfigurationStore;
class CameraSettingsController;
class CamerasMenu;
class DraggableContentView;
class FocusAreaController;
class VideoView;
class NetworkPathMonitor;
class SleepWakeMonitor;

class ViewerOverlay;
class ViewerWindow;
class ViewerWindowSide;
class WindowFrameController;

// Shows a modal alert. The application uses a warning QMessageBox titled
// "Rure" with one "OK" button in the accent colour; tests record the calls.
using AlertPresenter = std::function<void(QWidget* parent, const QString& message)>;

// What the controller needs from outside. Nothing here is owned by the
// controller; every pointer must outlive it.
struct AppDelegateServices {
    CameraConfigurationStore* store = nullptr;
    QSettings* settings = nullptr;
    Scheduler* scheduler = nullptr;
    PlaybackEngineFactory* engineFactory = nullptr;
    AlertPresenter presentPlaybackError{}; // empty: the message box
    // Where sleep and wake are announced (the system bus); none: not observed.
    std::optional<QDBusConnection> sleepWakeBus;
    // Whether to follow the network path; when not, it always counts as usable.
    bool observeNetworkPath = false;
    // Where updates are looked for; none: the viewer never checks.
    const RureUpdateService* updateService = nullptr;
    // How update results are shown; empty: the viewer's message boxes.
    UpdateCheckPresenters updatePresenters{};
    // Where snapshots are saved; empty: "Rure" in the user's pictures folder.
    QString snapshotFolder{};
    // The autostart entry that Start at Login writes; empty: the user's own.
    QString autostartEntryPath{};
    // The local time that names snapshots; empty: the system's clock.
    std::function<QDateTime()> wallClock{};
    // Whether a camera's host has a route while the network path is down;
    // empty: the machine's routes (hasRouteTo).
    std::function<bool(const QString& host)> routeReaches{};
    // Opens an address in the desktop's browser; false when nothing could.
    // Empty: QDesktopServices.
    std::function<bool(const QUrl& url)> openUrl{};
};

// The viewer's single controller and the owner of its parts: the camera
// selection, the playback supervisor (engine, watchdog, back-off, preflight,
// sleep and network path), the window with its overlay, focus area and frame,
// the camera list editor, the menus and the update checks. Its named entry
// points hand each event to the part that owns it. Lives on the GUI thread;
// every member runs there, and work from other threads is posted here first.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    explicit AppDelegate(AppDelegateServices services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Launch and termination.
    void applicationDidFinishLaunching();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    void applicationWillTerminate();

    // Cameras.
    void selectCamera(qsizetype index);
    // The editor's save handler: saves `cameras`, adopts them and re-selects a camera.
    Result<void> applyEditedCameraList(const QList<Camera>& cameras);

    // An alert about playback, over the window.
    void showPlaybackError(const QString& message);

    // Updates: the "Check for Updates…" command.
    void checkForUpdates();

    // Snapshots: Save Snapshot (Ctrl+S) saves the engine's picture of the
    // selected camera as a PNG file, and a notice over the picture confirms it.
    void saveSnapshot();
    // Whether a live picture is there to be saved.
    bool canSaveSnapshot() const;
    const SnapshotSaver& snapshots() const { return snapshots_->saver(); }

    // Start at Login: the check mark shows whether the autostart entry is
    // there, read again at launch and whenever a menu opens; the command
    // writes or removes it.
    void toggleStartAtLogin();
    bool startsAtLogin() const { return autostart_.isEnabled(); }

    // A later launch's request (and the first launch's own address): bring
    // the window to the front, or open a camera address.
    void handleLaunchRequest(const LaunchRequest& request);
    // An rtsp:// link: the camera of the list with exactly this address is
    // selected; otherwise the camera editor opens with the address in a new,
    // selected row, ready to be named, and nothing is saved until Save. An
    // address the editor would refuse brings its own alert.
    void openCameraAddress(const QString& address);

    // Main menu.
    void showCameraSettings();
    void openRureHelp();
    void showQuickHelp();
    void sendFeedback();
    void showAbout();

    // Window.
    // The Window menu's full-screen command, F11 and a double-click on the picture.
    void toggleFullScreen();
    // Another launch of the viewer asked for it: the window comes to the front,
    // un-minimised, with the keyboard.
    void bringViewerToFront();

    // The window, once it exists.
    ViewerWindow* viewerWindow() const;
    // The camera list editor while it is open.
    CameraSettingsController* cameraSettings() const { return settingsController.get(); }
    // Whether the window has started closing (or the application has ended).
    bool isClosingViewer() const { return lifecycle_ != Lifecycle::running; }
    // The collaborators of the window side; they exist once the window does.
    const ViewerOverlay& overlay() const;
    const FocusAreaController& focusArea() const;
    const WindowFrameController& windowFrame() const;
    // The window and its parts, for observers that act as the user would.
    ViewerWindowSide& windowSide() { return side(); }

    // The collaborators, for observers (tests among them).
    const CameraSelection& cameraSelection() const { return selection_; }
    const PlaybackSupervisor& playbackSupervisor() const { return *supervisor_; }
    // Engine events, rendered pictures, recoveries, the network path and
    // sleep and wake go to the supervisor itself.
    PlaybackSupervisor& playback() { return *supervisor_; }

    // Controls over the picture.
    void applicationDidResignActive();
    void toggleStayOnTop();
    void secondaryClick();
    void toggleTemporaryMaximum();
    // The menu button over the picture: the main menu as a pop-up under it.
    void showMainMenuFromButton();

    // Focus on an area of the picture.
    void toggleFocusArea();
    void focusSelectionCompleted(const QRectF& selection);

private:
    // The window and its parts, and what the window tells its controller.
    void createWindow();
    void installMainMenu();
    void windowDidResize();
    void windowWillClose();
    void updateWindowAspectRatio(PlaybackEngine& engine);
    // Where the network path and sleep and wake are heard.
    void startSystemRecoveryMonitoring();
    // The window's parts; only once createWindow has run.
    ViewerWindowSide& side() const;
    // The main menu's items show the state of things now (titles, check
    // marks, and whether Save Snapshot and its shortcut work).
    void refreshMenu();
    // The playback status in the overlay's status line.
    void showPlaybackStatus(const QString& text);
    // The keys that choose a camera in the viewer window.
    void installCameraKeys();
    void snapshotSaved(const QString& path);
    // How the picture is shown, for the choice of the camera's stream.
    StreamNeeds streamNeeds() const;
    // Lets go of the editor whose window just closed.
    void releaseClosedEditor();

    AppDelegateServices services_;
    ViewerSettings viewerSettings_;
    CameraSelection selection_;
    std::unique_ptr<PlaybackSupervisor> supervisor_;

    // The window and its parts, once createWindow has built them; after the
    // supervisor, whose engine draws into the window's picture, so that the
    // window goes first.
    std::unique_ptr<ViewerWindowSide> windowSide_;
    // The addresses of links that went to the open camera editor: once the
    // list is saved with one of them, its camera is shown.
    QStringList linkedAddressesToShow_;

    // Where the network path and sleep and wake are heard.
    struct SystemMonitors {
        std::unique_ptr<NetworkPathMonitor> networkPath;
        std::unique_ptr<SleepWakeMonitor> sleepWake;
    } systemMonitors_;

    // The camera list editor while it is open.
    std::unique_ptr<CameraSettingsController> settingsController;

    // Closing starts when the window closes; from then on nothing restarts.
    // Termination, once, when the application ends.
    enum class Lifecycle { running, closing, terminated };
    Lifecycle lifecycle_ = Lifecycle::running;
    std::unique_ptr<UpdateCheckScheduler> updateChecks_;
    // The launch's update check, started once the camera is on its way.
    static constexpr Seconds launchUpdateCheckDelay{2};
    TaskHandle launchUpdateCheck_;
    // Save Snapshot, after the focus area (whose crop it may lift for a moment).
    std::unique_ptr<SnapshotController> snapshots_;
    AutostartEntry autostart_;
};

} // namespace rure
