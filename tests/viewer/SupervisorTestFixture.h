#pragma once

#include "VirtualTimeFixture.h"

#include "engine/VideoViewChoice.h"
#include "viewer/CameraSelection.h"
#include "viewer/PlaybackSupervisor.h"
#include "viewer/ViewerSettings.h"

#include <QWidget>

#include <memory>

namespace rure::test {

// The playback supervisor on its own, on virtual time, with scripted engines
// and a real (never shown) video view that they never draw into.
class SupervisorTest : public VirtualTimeTest {
protected:
    SupervisorTest()
        : viewerSettings(settings), selection(viewerSettings),
          video(createVideoView(VideoPresentation::software, nullptr)) {}

    ~SupervisorTest() override {
        supervisor.reset();
        delete video.widget;
    }

    bool preflightRunning() const override { return supervisor && supervisor->hasPreflight(); }

    // A new supervisor for `cameras`, started as the viewer starts it: the
    // preflight, then the engine and the first load.
    void start(const QList<Camera>& cameras) {
        supervisor.reset();
        startedAt = scheduler.now();
        statusTexts.clear();
        selection.adoptLaunchList(cameras);
        supervisor = std::make_unique<PlaybackSupervisor>(
            scheduler, engines, selection,
            PlaybackSupervisor::Client{
                .willLoadCamera = [this](CameraLoad load) { loadsAnnounced.push_back(load); },
                .frameRendered = [this](PlaybackEngine&) { ++framesShown; },
                .showError = [this](const QString& message) { alerts << message; },
                .showStatus = [this](const QString& text) { statusTexts << text; },
                .wallClock =
                    [this] {
                        return wallClockAtStart.addMSecs(
                            std::chrono::duration_cast<std::chrono::milliseconds>(scheduler.now() -
                                                                                  startedAt)
                                .count());
                    },
                .routeReaches = [this](const QString&) { return camerasHaveRoute; },
                .streamNeeds = [this] { return streamNeeds; }});
        supervisor->attachView(video);
        supervisor->requestLocalNetworkAccessAndStart();
        settle();
    }

    // How the picture is shown, for the choice of a camera's stream.
    StreamNeeds streamNeeds{.shownArea = {}, .mainRequired = true};
    // Whether the cameras' hosts have a route while the path is reported down.
    bool camerasHaveRoute = false;
    ViewerSettings viewerSettings;
    CameraSelection selection;
    CreatedVideoView video;
    std::unique_ptr<PlaybackSupervisor> supervisor;
    // The status line's texts in the order shown, and the wall clock they
    // read: 14:03:00 local time when the supervisor started.
    QStringList statusTexts;
    const QDateTime wallClockAtStart{QDate(2026, 12, 9), QTime(14, 3, 0)};
    SteadyTime startedAt{};
    std::vector<CameraLoad> loadsAnnounced;
    int framesShown = 0;
};

} // namespace rure::test
