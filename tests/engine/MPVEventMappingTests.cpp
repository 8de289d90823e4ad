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

TEST(MPVEventMapping, EndFileCarriesReasonAndErrorOrMinusOneWithoutData) {
    mpv_event_end_file failed{};
    failed.reason = MPV_END_FILE_REASON_ERROR;
    failed.error = MPV_ERROR_LOADING_FAILED;
    EXPECT_EQ(playbackEngineEventFrom(eventWithId(MPV_EVENT_END_FILE, &failed)),
              PlaybackEngineEvent::endFile(MPV_END_FILE_REASON_ERROR, MPV_ERROR_LOADING_FAILED));

    mpv_event_end_file ended{};
    ended.reason = MPV_END_FILE_REASON_EOF;
    ended.error = 0;
    EXPECT_EQ(playbackEngineEventFrom(eventWithId(MPV_EVENT_END_FILE, &ended)),
              PlaybackEngineEvent::endFile(MPV_END_FILE_REASON_EOF, 0));

    EXPECT_EQ(playbackEngineEventFrom(eventWithId(MPV_EVENT_END_FILE)),
              PlaybackEngineEvent::endFile(-1, 0));
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
