// The engine plays cameras through its relay: every kind of camera plays, and
// a refused password or connection is reported in the engine's own words.
#include "EngineTestSupport.h"
#include "support/TestCamera.h"

#include "engine/CameraProblem.h"
#include "engine/MPVEngine.h"

#include <gtest/gtest.h>

namespace rure::test {
namespace {

struct LoadOutcome {
    bool plays = false;
    std::optional<CameraProblem> problem;
};

LoadOutcome waitForLoad(mpv_handle* handle, double seconds) {
    LoadOutcome outcome;
    bool ended = false;
    for (int wait = 0; wait < seconds * 10 && !outcome.plays; ++wait) {
        // The engine hands out its log messages after its events: the
        // messages of a failed load may come after its end.
        const mpv_event* event = mpv_wait_event(handle, 0.1);
        if (event->event_id == MPV_EVENT_NONE && ended) {
            break;
        }
        if (event->event_id == MPV_EVENT_LOG_MESSAGE && !outcome.problem) {
            outcome.problem = cameraProblemFromEngineMessage(
                static_cast<const mpv_event_log_message*>(event->data)->text);
        }
        outcome.plays = event->event_id == MPV_EVENT_PLAYBACK_RESTART;
        ended = ended || (event->event_id == MPV_EVENT_END_FILE &&
                          static_cast<const mpv_event_end_file*>(event->data)->reason ==
                              MPV_END_FILE_REASON_ERROR);
    }
    return outcome;
}

TEST(RtspRelay, CamerasPlayAndFailAsTheyWouldDirectly) {
    const struct {
        const char* name;
        TestCamera::Options options;
        QString password; // the one the address carries
        bool plays;
        std::optional<CameraProblem> problem;
        bool byName = false; // "localhost": ::1, which refuses, then 127.0.0.1
    } cases[] = {
        {"H.264", {}, {}, true, std::nullopt},
        {"by name", {}, {}, true, std::nullopt, true},
        {"H.265 with AAC sound",
         {.user = {}, .password = {}, .extraArguments = {"--codec", "h265", "--audio", "aac"}},
         {},
         true,
         std::nullopt},
        {"Digest, right password",
         {.user = "viewer", .password = "s3cr%t:x", .extraArguments = {"--auth", "digest"}},
         "s3cr%25t:x",
         true,
         std::nullopt},
        {"Digest, wrong password",
         {.user = "viewer", .password = "right", .extraArguments = {"--auth", "digest"}},
         "wrong",
         false,
         CameraProblem::credentialsRefused},
        {"Basic, right password",
         {.user = "viewer", .password = "right"},
         "right",
         true,
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestCamera camera;
        ASSERT_TRUE(camera.start(c.options));
        QString address = camera.url();
        if (c.byName) {
            address.replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"));
        }
        if (!c.options.user.isEmpty()) {
            address.replace(QStringLiteral("rtsp://"),
                            QStringLiteral("rtsp://%1:%2@").arg(c.options.user, c.password));
        }
        MPVEngine engine(makeHeadlessEngine(MPVEngineFactory::options));
        mpv_request_log_messages(engine.handle(), "error");
        ASSERT_GE(engine.loadFile(address), 0);
        const LoadOutcome outcome = waitForLoad(engine.handle(), 10);
        EXPECT_EQ(outcome.plays, c.plays);
        EXPECT_EQ(outcome.problem, c.problem);
    }

    // A port nobody listens on, as the engine reports it when it connects itself.
    MPVEngine engine(makeHeadlessEngine(MPVEngineFactory::options));
    mpv_request_log_messages(engine.handle(), "error");
    ASSERT_GE(
        engine.loadFile(QStringLiteral("rtsp://127.0.0.1:%1/camera").arg(TestCamera::freePort())),
        0);
    const LoadOutcome refused = waitForLoad(engine.handle(), 10);
    EXPECT_FALSE(refused.plays);
    EXPECT_EQ(refused.problem, CameraProblem::connectionRefused);
}

} // namespace
} // namespace rure::test
