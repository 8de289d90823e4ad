#pragma once

#include "engine/PlaybackEngineEvent.h"

#include <mpv/client.h>

#include <optional>

namespace rure {

// The controller's view of one engine event; nothing for the events it ignores
// (including the empty event of a timed-out wait). An end-file without data
// becomes endFile(EndFileReason::unknown, 0), which the supervisor treats as a
// failure.
std::optional<PlaybackEngineEvent> playbackEngineEventFrom(const mpv_event& event);

} // namespace rure
