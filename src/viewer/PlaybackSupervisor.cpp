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
    : QObject(parent), scheduler_(scheduler), selection_(selection),
      client_(std::move(client)), engine_{.factory = engines,
                                          .session = nullptr,
                                          .generation = 0,
                                          .watchdog = nullptr},
      recovery_(scheduler, this),
      catchUp_(scheduler, this, cadence_,
               {.streamPosition =
                    [this] {
                        return engine_.session ? engine_.session->engine().streamPosition()
                                               : std::nullopt;
                    },
                .isPlaying =
                    [this] {
                        return engine_.session && state_ == PlaybackSupervisorState::playing &&
                               hold_.hearsTheEngine();
                    },
                .catchUp = [this](const QString& why) { catchUpWithLiveStream(why); }}),
      statusReporter_(scheduler, this,
                      {.status = [this] { return status(); },
                       .show =
                           [this](const QString& text) {
                               if (client_.showStatus) {
                                   client_.showStatus(text);
                               }
                           },
                       .wallClock = client_.wallClock}) {
    streams_.setMemory(client_.pictureSizes);
}

PlaybackSupervisor::~PlaybackSupervisor() {
    shutDown();
}

void PlaybackSupervisor::attachView(CreatedVideoView view) {
    view_.widget = view.widget;
    view_.view = view.view;
    if (view_.view) {
        view_.view->setPictureHidden(view_.awaitingNewCamerasPicture);
    }
}

void PlaybackSupervisor::awaitNewCamerasPicture(bool awaiting) {
    view_.awaitingNewCamerasPicture = awaiting;
    if (const std::optional<CreatedVideoView> view = liveView()) {
        view->view->setPictureHidden(awaiting);
    }
}

std::optional<CreatedVideoView> PlaybackSupervisor::liveView() const {
    if (!view_.widget) {
        return std::nullopt;
    }
    return CreatedVideoView{view_.widget.data(), view_.view};
}

void PlaybackSupervisor::startPlayer() {
    if (engine_.session || selection_.isEmpty()) {
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
    setState(PlaybackSupervisorState::starting);
    ++engine_.generation;
    load_.engineReportsLoadedStreams = false;
    const int64_t generation = engine_.generation;
    RureLog::playback().notice(
        QStringLiteral("Starting video engine generation %1.").arg(generation));

    // Engine events are queued from the engine's thread and may arrive after
    // this supervisor is gone.
    const QPointer<PlaybackSupervisor> weakSelf(this);
    auto started = EngineSession::start(
        engine_.factory, *view, generation,
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
        report_.engineFailure = *failure;
        setState(PlaybackSupervisorState::stopped);
        statusReporter_.refresh();
        // No engine will draw again until the viewer is told to retry; the
        // previous engine's picture would read as live behind the message.
        view->view->clearPicture();
        showError(describe(*failure));
        return;
    }
    engine_.session = std::move(std::get<std::unique_ptr<EngineSession>>(started));
    report_.engineFailure.reset();
    loadSelectedCamera();
    startPlaybackWatchdog();
}

void PlaybackSupervisor::loadSelectedCamera(const QString& why) {
    const Camera* camera = selection_.selectedCamera();
    if (!camera || !engine_.session) {
        return;
    }
    if (!playableAddress(camera->url)) {
        refuseUnplayableCamera();
        return;
    }
    // The same camera again (a recovery, a catch-up, the other stream): its
    // picture stays on screen until the next one, and its focused area and
    // frame stay and are given to the engine again. Only a new selection
    // starts afresh.
    const CameraLoad load =
        load_.selection == selectionGeneration_ ? CameraLoad::sameCamera : CameraLoad::newSelection;
    load_.selection = selectionGeneration_;
    // Pictures drawn before the stream is loaded are still the last stream's.
    load_.awaitingLoadedStream = true;
    if (client_.willLoadCamera) {
        client_.willLoadCamera(load);
    }
    if (load == CameraLoad::sameCamera && view_.view && view_.widget) {
        view_.view->holdPictureUntilNextFrame();
    }
    cadence_.followCamera(camera->url);
    catchUp_.loaded(scheduler_.now());
    beginLoad();
    RureLog::playback().notice(
        !why.isEmpty() ? why
                       : QStringLiteral("Loading camera index %1 for selection generation %2%3.")
                             .arg(selection_.selectedIndex())
                             .arg(selectionGeneration_)
                             .arg(streams_.playing() == CameraStream::small
                                      ? QStringLiteral(", its small stream")
                                      : QString()));
    streams_.loading();
    const int status = engine_.session->engine().loadFile(
        playableAddress(streams_.address(*camera)).value_or(camera->url));
    if (status < 0) {
        RureLog::playback().error(
            QStringLiteral("mpv rejected the load command with error %1.").arg(status));
        schedulePlaybackRecovery(QStringLiteral("mpv rejected the load command"), false, false);
        showError(QStringLiteral("Could not open ") + visibleName(camera->name) +
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
    load_.startedAt = scheduler_.now();
    load_.lastFrameAt.reset();
    setState(PlaybackSupervisorState::starting);
    statusReporter_.refresh();
}

void PlaybackSupervisor::playNewSelection() {
    ++selectionGeneration_;
    // Another camera may be reachable where the last was not, or the reverse.
    if (hold_.networkPath && hold_.hearsTheEngine()) {
        hold_.pathIsDown = !pathReachesCamera();
    }
    recovery_.count = 0;
    recovery_.outageSince.reset();
    recovery_.lastSlotWasCutShort = false;
    report_.lastPictureAt.reset();
    report_.problem.reset();
    // A changed address, or another camera, starts afresh.
    report_.credentialRefusals = 0;
    report_.unreachable = false;
    report_.engineFailure.reset();
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
    } else if (!engine_.session) {
        requestLocalNetworkAccessAndStart();
    } else {
        loadSelectedCamera();
    }
}

void PlaybackSupervisor::stopForEmptyList() {
    stopPlayerEngine();
    report_.lastPictureAt.reset();
    if (const std::optional<CreatedVideoView> view = liveView()) {
        view->view->clearPicture();
    }
}

void PlaybackSupervisor::stopPlayerEngine() {
    catchUp_.cancel();
    // The session takes the engine down in its one safe order.
    engine_.session.reset();
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
    if (!engine_.session) {
        startPlayer();
    } else {
        loadSelectedCamera();
    }
}

void PlaybackSupervisor::setEngineProperty(const QString& name, const QString& value) {
    if (engine_.session) {
        engine_.session->engine().setProperty(name, value);
    }
}

void PlaybackSupervisor::showError(const QString& message) {
    if (client_.showError) {
        client_.showError(message);
    }
}

void PlaybackSupervisor::handlePlaybackEngineEvent(PlaybackEngineEvent event, int64_t generation) {
    if (generation != engine_.generation || !hold_.hearsTheEngine()) {
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
        load_.engineReportsLoadedStreams = true;
        load_.awaitingLoadedStream = false;
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
    if (generation != engine_.generation || !hold_.hearsTheCamera()) {
        return;
    }
    // Another camera chosen in the same engine: a picture drawn before its
    // stream is loaded is the last camera's, never this one's first.
    if (load_.awaitingLoadedStream && load_.engineReportsLoadedStreams) {
        return;
    }
    const PlaybackSupervisorState previous = state_;
    const std::optional<SteadyTime> previousFrame = load_.lastFrameAt;
    const SteadyTime now = scheduler_.now();
    if (!previousFrame) {
        // The load's first picture: how long this camera takes to show one.
        cadence_.recordFirstPicture(secondsBetween(load_.startedAt, now));
        streams_.pictureShown();
        notePictureSize();
    }
    load_.lastFrameAt = now;
    report_.lastPictureAt = now;
    if (view_.awaitingNewCamerasPicture) {
        awaitNewCamerasPicture(false);
    }
    report_.problem.reset();
    report_.credentialRefusals = 0;
    report_.unreachable = false;
    recovery_.outageSince.reset();
    recovery_.lastSlotWasCutShort = false;
    setState(PlaybackSupervisorState::playing);
    recovery_.count = 0;
    cancelPendingRecovery();
    if (previous != PlaybackSupervisorState::playing) {
        RureLog::playback().notice(
            QStringLiteral("Live video frames resumed for player generation %1.").arg(generation));
    }
    if (engine_.session && client_.frameRendered) {
        client_.frameRendered(engine_.session->engine());
    }
    catchUp_.frameRendered(previousFrame, now);
    statusReporter_.pictureShown();
    if (!previousFrame) {
        // The main stream's size may be known now.
        reconsiderStream();
    }
}

void PlaybackSupervisor::catchUpWithLiveStream(const QString& why) {
    // A path that is down or changing reconnects by itself once it is usable.
    if (!engine_.session || !hold_.reachesTheCamera() || !selectedCameraIsPlayable()) {
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
    loadSelectedCamera(
        QStringLiteral("%1; loading the camera again to return to the live picture.").arg(why));
}

} // namespace rure
