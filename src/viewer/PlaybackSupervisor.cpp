// The engine and the selected camera: starting and stopping the engine,
// loading the camera, the engine's events and the frame heartbeat.
#include "PlaybackSupervisor.h"

#include "common/RtspAddress.h"
#include "common/RureLog.h"
#include "common/VisibleName.h"
#include "engine/VideoView.h"
#include "viewer/CameraSelection.h"

namespace rure {

PlaybackSupervisor::PlaybackSupervisor(Scheduler& scheduler, PlaybackEngineFactory& engines,
                                       const CameraSelection& selection, Client client,
                                       QObject* parent)
    : QObject(parent), scheduler_(scheduler), engines_(engines), selection_(selection),
      client_(std::move(client)),
      catchUp_(
          scheduler, this, cadence_,
          {.streamPosition =
               [this] { return session_ ? session_->engine().streamPosition() : std::nullopt; },
           .isPlaying =
               [this] {
                   return session_ && state_ == PlaybackSupervisorState::playing && !hold_.closing;
               },
           .catchUp = [this](const QString& why) { catchUpWithLiveStream(why); }}),
      preflight_(scheduler, this), returnWatch_(scheduler, this),
      statusReporter_(scheduler, this,
                      {.status = [this] { return status(); },
                       .show =
                           [this](const QString& text) {
                               if (client_.showStatus) {
                                   client_.showStatus(text);
                               }
                           },
                       .wallClock = client_.wallClock}) {}

PlaybackSupervisor::~PlaybackSupervisor() {
    shutDown();
}

void PlaybackSupervisor::attachView(CreatedVideoView view) {
    viewWidget_ = view.widget;
    videoView_ = view.view;
    if (videoView_) {
        videoView_->setPictureHidden(awaitingNewCamerasPicture_);
    }
}

void PlaybackSupervisor::awaitNewCamerasPicture(bool awaiting) {
    awaitingNewCamerasPicture_ = awaiting;
    if (const std::optional<CreatedVideoView> view = liveView()) {
        view->view->setPictureHidden(awaiting);
    }
}

std::optional<CreatedVideoView> PlaybackSupervisor::liveView() const {
    if (!viewWidget_) {
        return std::nullopt;
    }
    return CreatedVideoView{viewWidget_.data(), videoView_};
}

void PlaybackSupervisor::startPlayer() {
    if (session_ || selection_.isEmpty()) {
        return;
    }
    if (!selectedCameraIsPlayable()) {
        refuseUnplayableCamera();
        return;
    }
    const std::optional<CreatedVideoView> view = liveView();
    Q_ASSERT(view);
    if (!view) {
        return;
    }
    const qsizetype index = selection_.selectedIndex();
    setState(PlaybackSupervisorState::starting);
    ++playerGeneration_;
    engineReportsLoadedStreams_ = false;
    const int64_t generation = playerGeneration_;
    RureLog::playback().notice(
        QStringLiteral("Starting video engine generation %1.").arg(generation));

    // Engine events are queued from the engine's thread and may arrive after
    // this supervisor is gone.
    const QPointer<PlaybackSupervisor> weakSelf(this);
    auto started = EngineSession::start(
        engines_, *view, generation,
        [weakSelf](PlaybackEngineEvent event, int64_t eventGeneration) {
            if (weakSelf) {
                weakSelf->handlePlaybackEngineEvent(event, eventGeneration);
            }
        },
        [weakSelf](int64_t frameGeneration) {
            if (weakSelf) {
                weakSelf->recordRenderedFrame(frameGeneration);
            }
        });
    if (auto* failure = std::get_if<EngineStartError>(&started)) {
        engineFailure_ = *failure;
        setState(PlaybackSupervisorState::stopped);
        statusReporter_.refresh();
        // No engine will draw again until the viewer is told to retry; the
        // previous engine's picture would read as live behind the message.
        view->view->clearPicture();
        showError(describe(*failure));
        return;
    }
    session_ = std::move(std::get<std::unique_ptr<EngineSession>>(started));
    engineFailure_.reset();
    loadCamera(index);
    startPlaybackWatchdog();
}

void PlaybackSupervisor::loadCamera(qsizetype index) {
    const QList<Camera>& cameras = selection_.cameras();
    if (index < 0 || index >= cameras.size() || !session_) {
        return;
    }
    if (!playableAddress(cameras[index].url)) {
        refuseUnplayableCamera();
        return;
    }
    const std::optional<QString> address = playableAddress(streams_.address(cameras[index]));
    // A recovery loads the camera of the current selection again; its picture
    // and any focused area stay. Only a new selection starts afresh.
    const CameraLoad load = loadedSelection_ == selectionGeneration_ ? CameraLoad::sameCamera
                                                                     : CameraLoad::newSelection;
    loadedSelection_ = selectionGeneration_;
    awaitingLoadedStream_ = load == CameraLoad::newSelection;
    if (client_.willLoadCamera) {
        client_.willLoadCamera(load);
    }
    cadence_.followCamera(cameras[index].url);
    catchUp_.loaded(scheduler_.now());
    beginLoad();
    RureLog::playback().notice(
        QStringLiteral("Loading camera index %1 for selection generation %2%3.")
            .arg(index)
            .arg(selectionGeneration_)
            .arg(streams_.playing() == CameraStream::small ? QStringLiteral(", its small stream")
                                                           : QString()));

    streams_.loading();
    const int status = session_->engine().loadFile(address.value_or(cameras[index].url));
    if (status < 0) {
        RureLog::playback().error(
            QStringLiteral("mpv rejected the load command with error %1.").arg(status));
        schedulePlaybackRecovery(QStringLiteral("mpv rejected the load command"), false, false);
        showError(QStringLiteral("Could not open ") + visibleName(cameras[index].name) +
                  QStringLiteral("."));
    }
}

bool PlaybackSupervisor::selectedCameraIsPlayable() const {
    const Camera* camera = selection_.selectedCamera();
    return camera && playableAddress(camera->url);
}

void PlaybackSupervisor::refuseUnplayableCamera() {
    RureLog::playback().error(
        QStringLiteral("Camera index %1 has no RTSP address; it is not played.")
            .arg(selection_.selectedIndex()));
    cancelPendingRecovery();
    cancelLocalNetworkProbe();
    // Whatever the engine played before must not go on under this camera.
    stopForEmptyList();
    statusReporter_.refresh();
}

void PlaybackSupervisor::beginLoad() {
    lastCameraLoad_ = scheduler_.now();
    lastFrameRenderedAt_.reset();
    setState(PlaybackSupervisorState::starting);
    statusReporter_.refresh();
}

void PlaybackSupervisor::playNewSelection() {
    ++selectionGeneration_;
    // Another camera may be reachable where the last was not, or the reverse.
    if (networkPath_ && !hold_.closing) {
        hold_.pathIsDown = !pathReachesCamera();
    }
    retryCount_ = 0;
    outageSince_.reset();
    lastSlotWasCutShort_ = false;
    lastPictureAt_.reset();
    cameraProblem_.reset();
    // A changed address, or another camera, starts afresh.
    credentialRefusals_ = 0;
    cameraUnreachable_ = false;
    engineFailure_.reset();
    cancelPendingRecovery();
    cancelLocalNetworkProbe();
    streams_.cameraChosen();
    if (const Camera* camera = selection_.selectedCamera()) {
        // A camera seen before in this run may start on its small stream.
        streams_.choose(*camera, streamNeeds());
    }
    // The last camera's picture goes at once: under the new camera's name it
    // would pass for that camera's, for as long as it takes to connect.
    awaitNewCamerasPicture(!selection_.isEmpty());
    if (selection_.isEmpty()) {
        stopForEmptyList();
    } else if (!session_) {
        requestLocalNetworkAccessAndStart();
    } else {
        loadCamera(selection_.selectedIndex());
    }
}

void PlaybackSupervisor::stopForEmptyList() {
    stopPlayerEngine();
    lastPictureAt_.reset();
    if (const std::optional<CreatedVideoView> view = liveView()) {
        view->view->clearPicture();
    }
}

void PlaybackSupervisor::stopPlayerEngine() {
    catchUp_.cancel();
    // The session takes the engine down in its one safe order.
    session_.reset();
    setState(PlaybackSupervisorState::stopped);
}

void PlaybackSupervisor::setState(PlaybackSupervisorState state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    if (client_.stateChanged) {
        client_.stateChanged();
    }
}

void PlaybackSupervisor::startOrReloadPlayback() {
    if (!session_) {
        startPlayer();
    } else {
        loadCamera(selection_.selectedIndex());
    }
}

void PlaybackSupervisor::setEngineProperty(const QString& name, const QString& value) {
    if (session_) {
        session_->engine().setProperty(name, value);
    }
}

void PlaybackSupervisor::showError(const QString& message) {
    if (client_.showError) {
        client_.showError(message);
    }
}

void PlaybackSupervisor::handlePlaybackEngineEvent(PlaybackEngineEvent event, int64_t generation) {
    if (generation != playerGeneration_ || hold_.closing) {
        return;
    }
    const RureLog log = RureLog::playback();
    using Kind = PlaybackEngineEvent::Kind;
    switch (event.kind) {
    case Kind::startFile:
        log.debug(QStringLiteral("mpv began opening the selected stream."));
        setState(PlaybackSupervisorState::starting);
        break;
    case Kind::fileLoaded:
        log.debug(QStringLiteral("mpv loaded stream headers and began decoding."));
        engineReportsLoadedStreams_ = true;
        awaitingLoadedStream_ = false;
        break;
    case Kind::playbackRestart:
        log.debug(QStringLiteral("mpv restarted playback; waiting for a rendered frame."));
        break;
    case Kind::endFile:
        // Stop, quit and redirect: caused by a new load, a stop command or a redirect.
        if (endedByRequest(event.reason)) {
            break;
        }
        log.error(QStringLiteral("mpv ended the stream: reason=%1, error=%2.")
                      .arg(static_cast<int>(event.reason))
                      .arg(event.error));
        schedulePlaybackRecovery(QStringLiteral("mpv ended the stream"), false, false);
        break;
    case Kind::shutdown:
        log.error(QStringLiteral("mpv shut down unexpectedly."));
        schedulePlaybackRecovery(QStringLiteral("mpv shutdown"), false, true);
        break;
    case Kind::queueOverflow:
        log.error(QStringLiteral("The mpv event queue overflowed."));
        schedulePlaybackRecovery(QStringLiteral("mpv event queue overflow"), false, true);
        break;
    case Kind::streamEnded:
        // The camera closed the stream (it lost power, restarted, or dropped
        // the session): the engine holds its last picture, and nothing more
        // will come of this session.
        log.error(QStringLiteral("mpv reached the end of the stream."));
        schedulePlaybackRecovery(QStringLiteral("mpv ended the stream"), false, false);
        break;
    case Kind::cameraProblem:
        // The end of the stream follows and recovers; this only says why.
        noteCameraProblem(event.problem);
        break;
    }
}

void PlaybackSupervisor::recordRenderedFrame(int64_t generation) {
    if (generation != playerGeneration_ || hold_.closing || hold_.sleeping) {
        return;
    }
    // Another camera chosen in the same engine: a picture drawn before its
    // stream is loaded is the last camera's, never this one's first.
    if (awaitingLoadedStream_ && engineReportsLoadedStreams_) {
        return;
    }
    const PlaybackSupervisorState previous = state_;
    const std::optional<SteadyTime> previousFrame = lastFrameRenderedAt_;
    const SteadyTime now = scheduler_.now();
    if (!previousFrame) {
        // The load's first picture: how long this camera takes to show one.
        cadence_.recordFirstPicture(secondsBetween(lastCameraLoad_, now));
        streams_.pictureShown();
        notePictureSize();
    }
    lastFrameRenderedAt_ = now;
    lastPictureAt_ = now;
    if (awaitingNewCamerasPicture_) {
        awaitNewCamerasPicture(false);
    }
    cameraProblem_.reset();
    credentialRefusals_ = 0;
    cameraUnreachable_ = false;
    outageSince_.reset();
    lastSlotWasCutShort_ = false;
    setState(PlaybackSupervisorState::playing);
    retryCount_ = 0;
    cancelPendingRecovery();
    if (previous != PlaybackSupervisorState::playing) {
        RureLog::playback().notice(
            QStringLiteral("Live video frames resumed for player generation %1.").arg(generation));
    }
    if (session_ && client_.frameRendered) {
        client_.frameRendered(session_->engine());
    }
    catchUp_.frameRendered(previousFrame, now);
    statusReporter_.pictureShown();
}

void PlaybackSupervisor::catchUpWithLiveStream(const QString& why) {
    // A path that is down or changing reconnects by itself once it is usable.
    if (!session_ || hold_.pathIsDown || !selectedCameraIsPlayable()) {
        return;
    }
    const SteadyTime now = scheduler_.now();
    if (!catchUp_.mayCatchUp(now)) {
        RureLog::playback().debug(
            QStringLiteral("%1; the next catch-up may run %2 seconds after the last one.")
                .arg(why)
                .arg(catchUp_.spacingSeconds(), 0, 'f', 0));
        return;
    }
    reloadSelectedCamera(
        QStringLiteral("%1; loading the camera again to return to the live picture.").arg(why));
}

void PlaybackSupervisor::reloadSelectedCamera(const QString& why) {
    const Camera* camera = selection_.selectedCamera();
    const std::optional<QString> address =
        camera ? playableAddress(streams_.address(*camera)) : std::nullopt;
    if (!session_ || !address) {
        return;
    }
    RureLog::playback().notice(why);
    // Not loadCamera: the camera, its picture geometry and any focused area
    // stay, and are given to the engine again for the stream it loads.
    if (client_.willLoadCamera) {
        client_.willLoadCamera(CameraLoad::sameCamera);
    }
    catchUp_.loaded(scheduler_.now());
    beginLoad();
    // Pictures drawn before the stream is loaded are still the last stream's.
    awaitingLoadedStream_ = true;
    if (videoView_ && viewWidget_) {
        videoView_->holdPictureUntilNextFrame();
    }
    streams_.loading();
    const int status = session_->engine().loadFile(*address);
    if (status < 0) {
        RureLog::playback().error(
            QStringLiteral("mpv rejected the load command with error %1.").arg(status));
        schedulePlaybackRecovery(QStringLiteral("mpv rejected the load command"), false, false);
    }
}

} // namespace rure
