#pragma once

#include <cstdint>

namespace rure {

// The engine events the controller cares about; everything else is dropped by
// the event loop.
struct PlaybackEngineEvent {
    enum class Kind { endFile, startFile, fileLoaded, playbackRestart, shutdown, queueOverflow };

    Kind kind = Kind::startFile;
    // Only meaningful for endFile: the engine's end-file reason and error codes.
    // An end-file without data is reported as reason -1, error 0.
    int32_t reason = 0;
    int32_t error = 0;

    static PlaybackEngineEvent endFile(int32_t reason, int32_t error) {
        return {Kind::endFile, reason, error};
    }
    static PlaybackEngineEvent of(Kind kind) { return {kind, 0, 0}; }

    friend bool operator==(const PlaybackEngineEvent&, const PlaybackEngineEvent&) = default;
};

} // namespace rure
