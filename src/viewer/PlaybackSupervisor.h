#pragma once

#include "common/Scheduler.h"
#include "engine/EngineSession.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackEngineEvent.h"
#include "engine/VideoViewChoice.h"
#include "platform/NetworkPathSignature.h"
#include "viewer/CameraReturnWatch.h"
#include "viewer/CameraStreams.h"
#include "viewer/CatchUpMonitor.h"
#include "viewer/FrameCadence.h"
#include "viewer/LocalNetworkPreflight.h"
#include "viewer/PlaybackStatusReporter.h"
#include "viewer/PlaybackSupervisorParts.h"
#include "viewer/PlaybackSupervisorState.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace rure {

class CameraSelection;

// Whose picture a load brings.
enum class CameraLoad {
    newSelection, // a camera chosen, or a list applied
    sameCamera,   // the selected camera again, to recover its picture
};

// Keeps the selected camera playing: starts and rebuilds the engine, loads the
// camera, watches the frames the view shows, and recovers with a jittered
// back-off when they stop. Recovery pauses while the machine sleeps or the
// network path is down, and starts afresh on wake or a path change. GUI thread
// only.
class PlaybackSupervisor final : public QObject {
public:
    // What the supervisor needs from the rest of the viewer.
    struct Client {
        // A camera is about to be loaded. A new selection: the picture's shape
        // and any focused area belong to the camera shown before. The same
        // camera again (a recovery): they stay, and the engine, which may be
        // a new one, is to be given them again.
        std::function<void(CameraLoad load)> willLoadCamera;
        // A new frame was shown by `engine`.
        std::function<void(PlaybackEngine& engine)> frameRendered;
        // Shows a playback error to the user (posted, never re-entrant).
        std::function<void(const QString& message)> showError;
        // Shows the status line over the picture; empty hides it.
        std::function<void(const QString& text)> showStatus;
        // The wall clock for the status line (the system's when not set).
        std::function<QDateTime()> wallClock;
        // state() changed.
        std::function<void()> stateChanged{};
        // Whether the machine has a route to a camera's host (hasRouteTo when
        // not set): a camera on a local subnet plays without a default route.
        std::function<bool(const QString& host)> routeReaches{};
        // How the picture is shown now, for the choice between a camera's
        // main and small streams (the main stream always when not set).
        std::function<StreamNeeds()> streamNeeds{};
        // Where the main streams' picture sizes are kept from one run to the next.
        CameraStreams::Memory pictureSizes{};
    };

    PlaybackSupervisor(Scheduler& scheduler, PlaybackEngineFactory& engines,
                       const CameraSelection& selection, Client client, QObject* parent = nullptr);
    ~PlaybackSupervisor() override;

    // The view engines draw into; without one no engine starts.
    void attachView(CreatedVideoView view);

    // Engine and cameras.
    void startPlayer();
    void stopPlayerEngine();
    // A new selection (a camera chosen, the list edited): what was pending for
    // the previous one is dropped and the selected camera is played.
    void playNewSelection();
    // The list became empty: no engine, and no picture of a camera that is gone.
    void stopForEmptyList();
    // Sets an engine property when an engine runs.
    void setEngineProperty(const QString& name, const QString& value);
    PlaybackEngine* engine() { return engine_.session ? &engine_.session->engine() : nullptr; }

    // Supervision.
    void handlePlaybackEngineEvent(PlaybackEngineEvent event, int64_t generation);
    void recordRenderedFrame(int64_t generation);
    // Loads the selected camera again because its picture fell behind; `why`
    // starts the log line.
    void catchUpWithLiveStream(const QString& why);
    // The way the picture is shown may have changed: the camera's other
    // stream is loaded when the rule now prefers it. The picture on screen
    // stays until the other stream's first one is drawn.
    void reconsiderStream();
    // Which of the selected camera's streams plays (or is loaded next).
    CameraStream playingStream() const { return streams_.playing(); }
    // Which of them shows its pictures now.
    CameraStream shownStream() const { return streams_.shown(); }
    // While the small stream's pictures are on screen: the main stream's size.
    std::optional<QSize> mainPictureWhileSmallPlays() const;
    void startPlaybackWatchdog();
    void evaluatePlaybackHealth();
    void schedulePlaybackRecovery(const QString& reason, bool immediate,
                                  bool forcePlayerRecreation);

    // The local-network preflight before every engine start and recovery.
    void requestLocalNetworkAccessAndStart();
    void finishLocalNetworkProbe(bool reloadPlayer, int64_t generation);
    // Starts the planned recovery attempt now: when its slot is over, or when
    // the camera it waits for answers again.
    void startRecoveryAttempt(int64_t generation, bool recreate);
    // Drops the planned attempt, if any, and the watch for its camera.
    void cancelPendingRecovery();
    void cancelLocalNetworkProbe();

    // Network path, sleep and closing.
    void handleNetworkPath(NetworkPathSignature signature);
    void systemWillSleep();
    void systemDidWake();
    // The window is closing: everything stops for good.
    void viewerWillClose();
    // The application is ending: the watchdog, any pending recovery or
    // preflight and the engine stop.
    void shutDown();

    // What tests and the owner may observe.
    PlaybackSupervisorState state() const { return state_; }
    const PlaybackHold& hold() const { return hold_; }
    // The one rule: whether playback may run now.
    bool mayPlaybackRun() const { return !hold_.any(); }
    bool hasEngine() const { return engine_.session != nullptr; }
    int64_t playerGeneration() const { return engine_.generation; }
    int64_t selectionGeneration() const { return selectionGeneration_; }
    int64_t retryCount() const { return recovery_.count; }
    bool hasPendingRecovery() const { return recovery_.attempt != nullptr; }
    bool hasWatchdog() const { return engine_.watchdog != nullptr; }
    bool hasPreflight() const { return recovery_.preflight.isRunning(); }
    bool isWatchingForCameraReturn() const { return recovery_.returnWatch.isWatching(); }
    std::optional<SteadyTime> lastFrameRenderedAt() const { return load_.lastFrameAt; }
    // How long the playing camera may stay silent before it is reconnected.
    double silenceLimitSeconds() const { return cadence_.silenceLimitSeconds(); }
    // The selected camera's pace as learnt so far.
    const FrameCadence& cadence() const { return cadence_; }
    // What playback is doing, for the status line.
    PlaybackStatus status() const;
    const QString& statusText() const { return statusReporter_.text(); }
    // Whether the status line's text sends the user to the camera editor (an
    // address that is never played, a password refused again and again).
    bool statusOffersCameraEditor() const;

private:
    // Every change of state goes through here, so that the owner hears of it.
    void setState(PlaybackSupervisorState state);
    void startOrReloadPlayback();
    // Loads the selected camera's chosen stream into the running engine;
    // `why` is logged (by default, which camera and selection).
    void loadSelectedCamera(const QString& why = {});
    // A recovery for `reason` is due while the small stream has not shown a
    // picture since it was loaded: the main stream is loaded at once instead.
    bool fallBackFromSmallStream(const QString& reason);
    StreamNeeds streamNeeds() const;
    // The first picture of a load: the main stream's size is learnt.
    void notePictureSize();
    // Marks a new load of the selected camera as started now.
    void beginLoad();
    // Whether the selected camera has an address Rure plays (playableAddress).
    bool selectedCameraIsPlayable() const;
    // The selected camera has no RTSP address: no engine runs, nothing is
    // planned, and the status line says why.
    void refuseUnplayableCamera();
    // The newest reason why the camera is not playing.
    void noteCameraProblem(CameraProblem problem);
    void noteCameraReachable(bool reachable);
    // Knocks on the camera while the planned attempt waits, when that helps.
    void watchForCameraReturn(int64_t generation, bool recreate, int64_t count, double slot);
    void showError(const QString& message);
    // The view, while it exists.
    void awaitNewCamerasPicture(bool awaiting);
    // The camera refused the user name or password too often in a row:
    // attempts slow down to one every few minutes.
    bool credentialsAreRefused() const;
    // Whether the network path lets the selected camera be reached: the
    // desktop says the network is usable, or the camera's address has a route
    // through an interface that is up.
    bool pathReachesCamera() const;
    std::optional<CreatedVideoView> liveView() const;

    Scheduler& scheduler_;
    const CameraSelection& selection_;
    Client client_;
    SupervisedView view_;
    EngineSlot engine_;
    int64_t selectionGeneration_ = 0;
    PlaybackSupervisorState state_ = PlaybackSupervisorState::stopped;
    PlaybackHold hold_;
    CurrentLoad load_;
    RecoveryPlan recovery_;
    CameraReport report_;
    FrameCadence cadence_;
    CameraStreams streams_;
    CatchUpMonitor catchUp_;
    PlaybackStatusReporter statusReporter_;
};

} // namespace rure
