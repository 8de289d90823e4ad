#include "AppDelegate.h"

#include "common/RureLog.h"
#include "common/RurePalette.h"
#include "config/CameraConfigurationStore.h"
#include "engine/VideoView.h"
#include "platform/NetworkPathMonitor.h"
#include "platform/SleepWakeMonitor.h"
#include "settings/CameraSettingsController.h"
#include "updates/RureUpdateService.h"
#include "updates/UpdateAlerts.h"
#include "viewer/CameraSelection.h"
#include "viewer/FocusAreaController.h"
#include "viewer/SnapshotFileName.h"
#include "viewer/ViewerWindowSide.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <utility>

namespace rure {

namespace {

void presentPlaybackErrorAlert(QWidget* parent, const QString& message) {
    QMessageBox alert(parent);
    alert.setIcon(QMessageBox::Warning);
    alert.setWindowTitle(QStringLiteral("Rure"));
    alert.setText(QStringLiteral("Rure"));
    alert.setInformativeText(message);
    QPushButton* ok = alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setStyleSheet(RurePalette::accentButtonStyle());
    alert.setDefaultButton(ok);
    alert.exec();
}

} // namespace

AppDelegate::AppDelegate(AppDelegateServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)), viewerSettings_(*services_.settings),
      selection_(viewerSettings_),
      autostart_(services_.autostartEntryPath.isEmpty() ? AutostartEntry::defaultPath()
                                                        : services_.autostartEntryPath,
                 QCoreApplication::applicationFilePath()) {
    Q_ASSERT(services_.store && services_.settings && services_.scheduler &&
             services_.engineFactory);
    if (!services_.presentPlaybackError) {
        services_.presentPlaybackError = presentPlaybackErrorAlert;
    }
    supervisor_ = std::make_unique<PlaybackSupervisor>(
        *services_.scheduler, *services_.engineFactory, selection_,
        PlaybackSupervisor::Client{
            .willLoadCamera =
                [this](CameraLoad load) {
                    if (!windowSide_) {
                        return;
                    }
                    if (load == CameraLoad::sameCamera) {
                        // A recovery keeps the focused area and the frame.
                        side().focusArea().cameraWillReload();
                    } else {
                        // The original view comes back before the load, and
                        // the picture's shape is learnt anew.
                        side().focusArea().cameraWillLoad();
                    }
                },
            .frameRendered =
                [this](PlaybackEngine& engine) {
                    updateWindowAspectRatio(engine);
                    snapshots_->pictureDrawn(engine, supervisor_->selectionGeneration());
                    if (windowSide_) {
                        side().overlay().setStreamNote(
                            supervisor_->shownStream() == CameraStream::small
                                ? QStringLiteral("Small stream for the small window")
                                : QString());
                    }
                },
            .showError = [this](const QString& message) { showPlaybackError(message); },
            .showStatus = [this](const QString& text) { showPlaybackStatus(text); },
            .wallClock = services_.wallClock,
            .stateChanged = [this] { refreshMenu(); },
            .routeReaches = services_.routeReaches,
            .streamNeeds = [this] { return streamNeeds(); },
            .pictureSizes = {.recall =
                                 [this](const QString& address) {
                                     return viewerSettings_.mainPictureSize(address);
                                 },
                             .remember =
                                 [this](const QString& address, QSize size) {
                                     viewerSettings_.setMainPictureSize(address, size);
                                 }}},
        this);
    snapshots_ = std::make_unique<SnapshotController>(
        *services_.scheduler,
        services_.snapshotFolder.isEmpty() ? defaultSnapshotFolder() : services_.snapshotFolder,
        SnapshotController::Hooks{
            // Either way the snapshot no longer needs the main stream.
            .saved =
                [this](const QString& path) {
                    snapshotSaved(path);
                    supervisor_->reconsiderStream();
                },
            .failed =
                [this](const QString& message) {
                    supervisor_->reconsiderStream();
                    showPlaybackError(
                        QStringLiteral("The snapshot could not be saved. %1").arg(message));
                }});
    if (services_.updateService) {
        UpdateCheckPresenters presenters = services_.updatePresenters;
        if (!presenters.presentUpdateStatus || !presenters.presentAvailableUpdate) {
            // The checks belong to this controller: their alerts never outlive it.
            presenters = updateAlertPresenters([this]() -> QWidget* { return viewerWindow(); });
        }
        updateChecks_ = std::make_unique<UpdateCheckScheduler>(*services_.updateService,
                                                               *services_.settings, presenters);
    }
}

AppDelegate::~AppDelegate() {
    // Whatever happens to the process, the engine goes down in its fixed
    // order, before the window its picture is drawn in.
    applicationWillTerminate();
}

void AppDelegate::applicationDidFinishLaunching() {
    RureLog::lifecycle().notice(QStringLiteral("Rure is launching."));
    startSystemRecoveryMonitoring();

    auto loaded = services_.store->load();
    if (loaded.ok()) {
        selection_.adoptLaunchList(std::move(loaded).value());
    } else {
        RureLog::configuration().error(
            QStringLiteral("No usable camera configuration could be loaded."));
        selection_.adoptLaunchList({});
    }

    createWindow();

    if (!selection_.isEmpty()) {
        // After the window has appeared, so that the video view has its GL context.
        services_.scheduler->post(this, [this] {
            if (isClosingViewer()) {
                return;
            }
            side().window().ensureShown();
            supervisor_->requestLocalNetworkAccessAndStart();
        });
    }

    // The camera comes first: the check's set-up (TLS among it) held the
    // camera's PLAY request back by about 20 ms when it ran here, before the
    // preflight; a daily check loses nothing by waiting a moment.
    if (updateChecks_) {
        launchUpdateCheck_ = services_.scheduler->schedule(launchUpdateCheckDelay, this, [this] {
            if (updateChecks_ && !isClosingViewer()) {
                updateChecks_->checkForUpdatesIfNeeded();
            }
        });
    }
}

void AppDelegate::checkForUpdates() {
    if (updateChecks_) {
        updateChecks_->checkForUpdates();
    }
}

void AppDelegate::applicationWillTerminate() {
    if (lifecycle_ == Lifecycle::terminated) {
        return;
    }
    lifecycle_ = Lifecycle::terminated;
    RureLog::lifecycle().notice(QStringLiteral("Rure is terminating."));
    systemMonitors_.sleepWake.reset();
    if (systemMonitors_.networkPath) {
        systemMonitors_.networkPath->cancel();
    }
    launchUpdateCheck_.reset();
    if (updateChecks_) {
        updateChecks_->cancel();
    }
    supervisor_->shutDown();
}

void AppDelegate::selectCamera(qsizetype index) {
    if (!selection_.select(index)) {
        return;
    }
    supervisor_->playNewSelection();
}

void AppDelegate::showPlaybackStatus(const QString& text) {
    if (!windowSide_) {
        return;
    }
    // A line that names the camera editor opens it when clicked.
    std::function<void()> openEditor;
    if (supervisor_ && supervisor_->statusOffersCameraEditor()) {
        openEditor = [this] { showCameraSettings(); };
    }
    side().overlay().showStatus(text, std::move(openEditor));
}

Result<void> AppDelegate::applyEditedCameraList(const QList<Camera>& newCameras) {
    Result<void> saved = services_.store->save(newCameras);
    if (!saved.ok()) {
        return saved;
    }
    selection_.adoptEditedList(newCameras);
    // A camera added from a link is the one the user asked to see (the
    // latest such link whose camera was kept).
    const QStringList linked = std::exchange(linkedAddressesToShow_, {});
    for (auto address = linked.crbegin(); address != linked.crend(); ++address) {
        const auto kept =
            std::find_if(newCameras.cbegin(), newCameras.cend(),
                         [&](const Camera& camera) { return camera.url.trimmed() == *address; });
        if (kept != newCameras.cend()) {
            selection_.select(kept - newCameras.cbegin());
            break;
        }
    }
    if (windowSide_) {
        side().overlay().showCameras(selection_.names(), selection_.selectedIndex());
    }
    supervisor_->playNewSelection();
    return Result<void>::success();
}

void AppDelegate::showPlaybackError(const QString& message) {
    services_.scheduler->post(
        this, [this, message] { services_.presentPlaybackError(viewerWindow(), message); });
}

} // namespace rure
