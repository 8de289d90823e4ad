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
#include "window/ViewerMainMenu.h"
#include "window/ViewerOverlay.h"
#include "window/ViewerWindow.h"
#include "window/WindowFrameController.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace rure {

namespace {

const QString selectedCameraIndexKey = QStringLiteral("selectedCameraIndex");

void presentPlaybackErrorAlert(QWidget* parent, const QString& message) {
    QMessageBox alert(parent);
    alert.setIcon(QMessageBox::Warning);
    alert.setWindowTitle(QStringLiteral("Rure"));
    alert.setText(QStringLiteral("Rure"));
    alert.setInformativeText(message);
    QPushButton* ok = alert.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; "
                                     "border-radius: 5px; padding: 4px 18px; }")
                          .arg(RurePalette::cabin().name()));
    alert.setDefaultButton(ok);
    alert.exec();
}

} // namespace

AppDelegate::AppDelegate(AppDelegateServices services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    Q_ASSERT(services_.store && services_.settings && services_.scheduler &&
             services_.engineFactory);
    if (!services_.presentPlaybackError) {
        services_.presentPlaybackError = presentPlaybackErrorAlert;
    }
    if (services_.updateService) {
        UpdateCheckPresenters presenters = services_.updatePresenters;
        if (!presenters.presentUpdateStatus || !presenters.presentAvailableUpdate) {
            QPointer<AppDelegate> weakSelf(this);
            presenters = updateAlertPresenters(
                [weakSelf]() -> QWidget* { return weakSelf ? weakSelf->window.data() : nullptr; });
        }
        updateChecks_ = std::make_unique<UpdateCheckScheduler>(*services_.updateService,
                                                               *services_.settings, presenters);
    }
}

AppDelegate::~AppDelegate() {
    // Whatever happens to the process, the engine goes down in its fixed order.
    applicationWillTerminate();
    delete window;
}

void AppDelegate::applicationDidFinishLaunching() {
    RureLog::lifecycle().notice(QStringLiteral("Rure is launching."));
    startSystemRecoveryMonitoring();

    auto loaded = services_.store->load();
    if (loaded.ok()) {
        cameras = std::move(loaded).value();
    } else {
        RureLog::configuration().error(
            QStringLiteral("No usable camera configuration could be loaded."));
        cameras.clear();
    }

    createWindow();

    if (!cameras.isEmpty()) {
        // After the window has appeared, so that the video view has its GL context.
        services_.scheduler->post(this, [this] {
            if (isClosingViewer) {
                return;
            }
            if (window) {
                window->ensureShown();
            }
            requestLocalNetworkAccessAndStart();
        });
    }

    if (updateChecks_) {
        updateChecks_->checkForUpdatesIfNeeded();
    }
}

void AppDelegate::checkForUpdates() {
    if (updateChecks_) {
        updateChecks_->checkForUpdates();
    }
}

void AppDelegate::applicationWillTerminate() {
    if (hasTerminated_) {
        return;
    }
    hasTerminated_ = true;
    RureLog::lifecycle().notice(QStringLiteral("Rure is terminating."));
    sleepWakeMonitor.reset();
    if (networkPathMonitor) {
        networkPathMonitor->cancel();
    }
    playbackWatchdog.reset();
    cancelPlaybackRetry();
    cancelLocalNetworkProbe();
    if (updateChecks_) {
        updateChecks_->cancel();
    }
    stopPlayerEngine();
}

void AppDelegate::startPlayer() {
    if (mpv || cameras.isEmpty()) {
        return;
    }
    Q_ASSERT(videoHost);
    if (!videoHost) {
        return;
    }
    const qsizetype index = selectedCameraIndex();
    playbackState = PlaybackSupervisorState::starting;
    ++playerGeneration;
    const int64_t generation = playerGeneration;
    RureLog::playback().notice(
        QStringLiteral("Starting video engine generation %1.").arg(generation));

    auto created = services_.engineFactory->createEngine(*videoView);
    if (auto* failure = std::get_if<EngineStartError>(&created)) {
        playbackState = PlaybackSupervisorState::stopped;
        // No engine will draw again until the viewer is told to retry; the
        // previous engine's picture would read as live behind the message.
        videoView->clearPicture();
        showPlaybackError(describe(*failure));
        return;
    }
    mpv = std::move(std::get<std::unique_ptr<PlaybackEngine>>(created));

    QPointer<AppDelegate> weakSelf(this);
    mpvEventLoop = mpv->makeEventLoop(
        generation, [weakSelf](PlaybackEngineEvent event, int64_t eventGeneration) {
            if (weakSelf) {
                weakSelf->handlePlaybackEngineEvent(event, eventGeneration);
            }
        });
    mpvEventLoop->start();

    videoView->setFrameRenderedHandler([weakSelf, generation] {
        if (weakSelf) {
            weakSelf->recordRenderedFrame(generation);
        }
    });

    loadCamera(index);
    startPlaybackWatchdog();
}

void AppDelegate::loadCamera(qsizetype index) {
    if (index < 0 || index >= cameras.size() || !mpv) {
        return;
    }
    if (focusArea_) {
        // The original view comes back before the load, and the picture's shape is learnt anew.
        focusArea_->cameraWillLoad();
    }
    frameCadence.followCamera(cameras[index].url);
    lastCameraLoad = services_.scheduler->now();
    restartPictureLag();
    lastFrameRenderedAt.reset();
    playbackState = PlaybackSupervisorState::starting;
    RureLog::playback().notice(
        QStringLiteral("Loading camera index %1 for selection generation %2.")
            .arg(index)
            .arg(playbackSelectionGeneration));

    const int status = mpv->loadFile(cameras[index].url);
    if (status < 0) {
        RureLog::playback().error(
            QStringLiteral("mpv rejected the load command with error %1.").arg(status));
        schedulePlaybackRecovery(QStringLiteral("mpv rejected the load command"), false, false);
        showPlaybackError(QStringLiteral("Could not open ") + cameras[index].name +
                          QStringLiteral("."));
    }
}

void AppDelegate::selectCamera(qsizetype index) {
    if (index < 0 || index >= cameras.size()) {
        return;
    }
    ++playbackSelectionGeneration;
    playbackRetryCount = 0;
    cancelPlaybackRetry();
    cancelLocalNetworkProbe();

    if (overlay_) {
        overlay_->showSelectedCamera(index);
    }
    storeSelectedCameraIndex(index);

    if (!mpv) {
        requestLocalNetworkAccessAndStart();
    } else {
        loadCamera(index);
    }
}

void AppDelegate::stopPlayerEngine() {
    if (videoHost) {
        videoView->setFrameRenderedHandler({});
    }
    if (mpvEventLoop) {
        mpvEventLoop->stop();
        mpvEventLoop.reset();
    }
    std::unique_ptr<PlaybackEngine> engine = std::move(mpv);
    if (videoHost) {
        videoView->shutdownRenderContext();
    }
    engine.reset();
    playbackState = PlaybackSupervisorState::stopped;
}

void AppDelegate::setMPVProperty(const QString& name, const QString& value) {
    if (mpv) {
        mpv->setProperty(name, value);
    }
}

Result<void> AppDelegate::applyEditedCameraList(const QList<Camera>& newCameras) {
    const qsizetype previousIndex = selectedCameraIndex();
    std::optional<Camera> previousCamera;
    if (previousIndex >= 0 && previousIndex < cameras.size()) {
        previousCamera = cameras[previousIndex];
    }

    Result<void> saved = services_.store->save(newCameras);
    if (!saved.ok()) {
        return saved;
    }
    cameras = newCameras;

    const qsizetype chosen = chooseSelectionAfterEdit(cameras, previousCamera, previousIndex);

    if (overlay_) {
        overlay_->showCameras(cameraNames(cameras), chosen);
    }
    storeSelectedCameraIndex(chosen);

    ++playbackSelectionGeneration;
    playbackRetryCount = 0;
    cancelPlaybackRetry();
    cancelLocalNetworkProbe();

    if (cameras.isEmpty()) {
        // Nothing left to show; keep no engine running for a camera that is gone,
        // and no picture of it behind the empty-state text.
        stopPlayerEngine();
        if (videoHost) {
            videoView->clearPicture();
        }
    } else if (mpv) {
        loadCamera(chosen);
    } else {
        requestLocalNetworkAccessAndStart();
    }
    return Result<void>::success();
}

void AppDelegate::cameraChanged() {
    if (overlay_) {
        selectCamera(overlay_->selectedCameraIndex());
    }
}

void AppDelegate::cameraMenuItemSelected(qsizetype tag) {
    selectCamera(tag);
}

void AppDelegate::startOrReloadPlayback() {
    if (!mpv) {
        startPlayer();
    } else {
        loadCamera(selectedCameraIndex());
    }
}

qsizetype AppDelegate::selectedCameraIndex() const {
    return overlay_ ? overlay_->selectedCameraIndex() : -1;
}

void AppDelegate::storeSelectedCameraIndex(qsizetype index) {
    services_.settings->setValue(selectedCameraIndexKey, static_cast<qlonglong>(index));
}

void AppDelegate::cancelPlaybackRetry() {
    playbackRetry.reset();
}

void AppDelegate::showPlaybackError(const QString& message) {
    QPointer<AppDelegate> weakSelf(this);
    services_.scheduler->post(this, [weakSelf, message] {
        if (weakSelf) {
            weakSelf->services_.presentPlaybackError(weakSelf->window, message);
        }
    });
}

} // namespace rure
