#include "MPVEventMapping.h"

#include "engine/CameraProblem.h"

#include <cstring>

namespace rure {

std::optional<PlaybackEngineEvent> playbackEngineEventFrom(const mpv_event& event) {
    using Kind = PlaybackEngineEvent::Kind;
    switch (event.event_id) {
    case MPV_EVENT_END_FILE: {
        const auto* data = static_cast<const mpv_event_end_file*>(event.data);
        if (data == nullptr) {
            return PlaybackEngineEvent::endFile(EndFileReason::unknown, 0);
        }
        return PlaybackEngineEvent::endFile(endFileReasonFrom(static_cast<int32_t>(data->reason)),
                                            static_cast<int32_t>(data->error));
    }
    case MPV_EVENT_START_FILE:
        return PlaybackEngineEvent::of(Kind::startFile);
    case MPV_EVENT_FILE_LOADED:
        return PlaybackEngineEvent::of(Kind::fileLoaded);
    case MPV_EVENT_PLAYBACK_RESTART:
        return PlaybackEngineEvent::of(Kind::playbackRestart);
    case MPV_EVENT_SHUTDOWN:
        return PlaybackEngineEvent::of(Kind::shutdown);
    case MPV_EVENT_QUEUE_OVERFLOW:
        return PlaybackEngineEvent::of(Kind::queueOverflow);
    case MPV_EVENT_PROPERTY_CHANGE: {
        // Only "eof-reached" is observed (see the engine factory).
        const auto* property = static_cast<const mpv_event_property*>(event.data);
        if (property == nullptr || property->format != MPV_FORMAT_FLAG ||
            property->data == nullptr || std::strcmp(property->name, "eof-reached") != 0) {
            return std::nullopt;
        }
        if (*static_cast<const int*>(property->data) == 0) {
            return std::nullopt;
        }
        return PlaybackEngineEvent::of(Kind::streamEnded);
    }
    case MPV_EVENT_LOG_MESSAGE: {
        // Only error-level messages are asked for (see the engine factory).
        const auto* message = static_cast<const mpv_event_log_message*>(event.data);
        if (message == nullptr || message->text == nullptr) {
            return std::nullopt;
        }
        if (const auto problem = cameraProblemFromEngineMessage(message->text)) {
            return PlaybackEngineEvent::problemOfCamera(*problem);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace rure
