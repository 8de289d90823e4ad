#pragma once

// The values the playback supervisor keeps, each about one thing.
#include "common/Scheduler.h"
#include "engine/CameraProblem.h"
#include "engine/EngineSession.h"
#include "engine/PlaybackEngine.h"
#include "platform/NetworkPathSignature.h"
#include "viewer/CameraReturnWatch.h"
#include "viewer/LocalNetworkPreflight.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

namespace rure {

class VideoView;

// Why playback may not run now, and the questions every part of the
// supervisor asks of it.
struct PlaybackHold {
    bool closing = false;    // the viewer window is closing
    bool sleeping = false;   // the machine is asleep
    bool pathIsDown = false; // the network path is not usable
    // The desktop's last word on the network path, once it has spoken.
    std::optional<NetworkPathSignature> networkPath;

    bool any() const { return closing || sleeping || pathIsDown; }
    // Whether the engine's events still matter: until the window closes.
    bool hearsTheEngine() const { return !closing; }
    // Whether pictures and answers from the camera still count: not while
    // the window closes or the machine sleeps.
    bool hearsTheCamera() const { return !closing && !sleeping; }
    // Whether the camera can be reached over the network path.
    bool reachesTheCamera() const { return !pathIsDown; }
};

// The view the engines draw into, while it exists.
struct SupervisedView {
    QPointer<QWidget> widget;
    VideoView* view = nullptr;
    // From choosing a camera until its first picture: the view stays black.
    bool awaitingNewCamerasPicture = false;
};

// The running engine, its generation and the watch over its pictures.
struct EngineSlot {
    PlaybackEngineFactory& factory;
    std::unique_ptr<EngineSession> session;
    int64_t generation = 0;
    TaskHandle watchdog;
};

// The load the engine plays or is opening.
struct CurrentLoad {
    SteadyTime startedAt = distantPast();
    std::optional<SteadyTime> lastFrameAt;
    // The selection the engine's current stream was loaded for.
    std::optional<int64_t> selection;
    // An engine that has told of a loaded stream tells of every later one; a
    // new stream's pictures count only after it is loaded.
    bool engineReportsLoadedStreams = false;
    bool awaitingLoadedStream = false;
};

// The planned recovery and the ways to the camera it uses: the attempt, how
// many came before, since when the camera has been without pictures, the
// knocks while the attempt waits and the preflight before each start.
struct RecoveryPlan {
    RecoveryPlan(Scheduler& scheduler, QObject* parent)
        : returnWatch(scheduler, parent), preflight(scheduler, parent) {}

    TaskHandle attempt;
    int64_t count = 0;
    std::optional<SteadyTime> nextAttemptAt;
    std::optional<SteadyTime> outageSince;
    // The last slot was cut short by the camera answering a knock, and the
    // attempt that followed did not bring a picture: the next slot runs whole.
    bool lastSlotWasCutShort = false;
    CameraReturnWatch returnWatch;
    LocalNetworkPreflight preflight;
};

// What is known of the selected camera for the status line: its last
// picture (it stays on screen through reloads and rebuilds) and why it is not
// playing, when known (the newest reason wins).
struct CameraReport {
    std::optional<SteadyTime> lastPictureAt;
    std::optional<CameraProblem> problem;
    bool unreachable = false;
    // Attempts in a row that the camera answered by refusing the user name or password.
    int64_t credentialRefusals = 0;
    // The engine could not be started; nothing runs until the user or the
    // system (a path change, a wake) starts playback again.
    std::optional<EngineStartError> engineFailure;
};

} // namespace rure
