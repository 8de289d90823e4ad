#include "engine/MPVEventMapping.h"

#include <gtest/gtest.h>

#include <set>

namespace rure {
namespace {

using Kind = PlaybackEngineEvent::Kind;

mpv_event eventWithId(mpv_event_id id, void* data = nullptr) {
    mpv_event event{};
    event.event_id = id;
    event.data = data;
    return event;
}

TEST(MPVEventMapping, MapsTheEventsTheControllerUses) {
    const struct {
        mpv_event_id id;
        Kind kind;
    } cases[] = {
        {MPV_EVENT_START_FILE, Kind::startFile},
        {MPV_EVENT_FILE_LOADED, Kind::fileLoaded},
        {MPV_EVENT_PLAYBACK_RESTART, Kind::playbackRestart},
        {MPV_EVENT_SHUTDOWN, Kind::shutdown},
        {MPV_EVENT_QUEUE_OVERFLOW, Kind::queueOverflow},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(mpv_event_name(entry.id));
        const auto mapped = playbackEngineEventFrom(eventWithId(entry.id));
        ASSERT_TRUE(mapped.has_value());
        EXPECT_EQ(*mapped, PlaybackEngineEvent::of(entry.kind));
    }
}

TEST(MPVEventMapping, EndFileCarriesItsReasonAndErrorOrUnknownWithoutData) {
    const struct {
        mpv_end_file_reason number;
        int error;
        EndFileReason reason;
    } cases[] = {
        {MPV_END_FILE_REASON_EOF, 0, EndFileReason::eof},
        {MPV_END_FILE_REASON_STOP, 0, EndFileReason::stop},
        {MPV_END_FILE_REASON_QUIT, 0, EndFileReason::quit},
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_LOADING_FAILED, EndFileReason::error},
        {MPV_END_FILE_REASON_REDIRECT, 0, EndFileReason::redirect},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.number);
        mpv_event_end_file data{};
        data.reason = entry.number;
        data.error = entry.error;
        EXPECT_EQ(playbackEngineEventFrom(eventWithId(MPV_EVENT_END_FILE, &data)),
                  PlaybackEngineEvent::endFile(entry.reason, entry.error));
        // The number in the log is the engine's own.
        EXPECT_EQ(static_cast<int>(entry.reason), static_cast<int>(entry.number));
    }

    EXPECT_EQ(playbackEngineEventFrom(eventWithId(MPV_EVENT_END_FILE)),
              PlaybackEngineEvent::endFile(EndFileReason::unknown, 0));
    EXPECT_EQ(static_cast<int>(EndFileReason::unknown), -1);

    // A reason the engine adds later keeps its number.
    mpv_event_end_file later{};
    later.reason = static_cast<mpv_end_file_reason>(7);
    later.error = MPV_ERROR_GENERIC;
    const auto mapped = playbackEngineEventFrom(eventWithId(MPV_EVENT_END_FILE, &later));
    ASSERT_TRUE(mapped.has_value());
    EXPECT_EQ(static_cast<int>(mapped->reason), 7);
    EXPECT_EQ(mapped->error, MPV_ERROR_GENERIC);
}

TEST(EndFileReason, OnlyStopQuitAndRedirectAreTheViewersOwnDoing) {
    const struct {
        EndFileReason reason;
        bool byRequest;
    } cases[] = {
        {EndFileReason::eof, false},     {EndFileReason::stop, true},
        {EndFileReason::quit, true},     {EndFileReason::error, false},
        {EndFileReason::redirect, true}, {EndFileReason::unknown, false},
        {endFileReasonFrom(1), false},   {endFileReasonFrom(7), false},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(static_cast<int>(entry.reason));
        EXPECT_EQ(endedByRequest(entry.reason), entry.byRequest);
    }
    // The engine's numbers make the same events as the named reasons.
    EXPECT_EQ(PlaybackEngineEvent::endFile(5, -2),
              PlaybackEngineEvent::endFile(EndFileReason::redirect, -2));
}

TEST(MPVEventMapping, DropsEveryOtherEventIncludingTheEmptyOne) {
    const std::set<int> mapped{MPV_EVENT_START_FILE,  MPV_EVENT_END_FILE,
                               MPV_EVENT_FILE_LOADED, MPV_EVENT_PLAYBACK_RESTART,
                               MPV_EVENT_SHUTDOWN,    MPV_EVENT_QUEUE_OVERFLOW};
    int dropped = 0;
    for (int id = MPV_EVENT_NONE; id <= MPV_EVENT_HOOK; ++id) {
        if (mapped.contains(id)) {
            continue;
        }
        SCOPED_TRACE(id);
        EXPECT_FALSE(playbackEngineEventFrom(eventWithId(static_cast<mpv_event_id>(id))));
        ++dropped;
    }
    EXPECT_GT(dropped, 10);
}

} // namespace
} // namespace rure
