#pragma once

#include "engine/CameraProblem.h"

#include <cstdint>

namespace rure {

// Why the engine ended a file. The values are the engine's own end-file reason
// numbers, so a log line that prints the number reads the same as the engine's
// documentation. A number the engine adds later keeps its value: it names
// none of the cases below, so the viewer treats it like any failure, and the
// log still says which one it was.
enum class EndFileReason : int32_t {
    eof = 0,
    stop = 2,
    quit = 3,
    error = 4,
    redirect = 5,
    // An end-file that came without its data.
    unknown = -1,
};

// The reason for one of the engine's end-file numbers.
constexpr EndFileReason endFileReasonFrom(int32_t number) {
    return static_cast<EndFileReason>(number);
}

// Whether the viewer's own request ended the file (a new load, a stop
// command, quitting, or a redirect the engine follows by itself) rather than
// the stream.
constexpr bool endedByRequest(EndFileReason reason) {
    switch (reason) {
    case EndFileReason::stop:
    case EndFileReason::quit:
    case EndFileReason::redirect:
        return true;
    case EndFileReason::eof:
    case EndFileReason::error:
    case EndFileReason::unknown:
        return false;
    }
    return false;
}

// The engine events the controller cares about; everything else is dropped by
// the event loop.
struct PlaybackEngineEvent {
    enum class Kind {
        endFile,
        startFile,
        fileLoaded,
        playbackRestart,
        shutdown,
        queueOverflow,
        // The stream reached its end and the engine holds its last picture
        // (it keeps the last picture open rather than ending the file): the
        // camera closed the session.
        streamEnded,
        // An error message of the engine named why the camera cannot be played.
        cameraProblem,
    };

    Kind kind = Kind::startFile;
    // Only meaningful for endFile: why the file ended, and the engine's error
    // code (0 without one). An end-file without data is reported as
    // EndFileReason::unknown, error 0.
    EndFileReason reason = EndFileReason::eof;
    int32_t error = 0;
    // Only meaningful for cameraProblem.
    CameraProblem problem = CameraProblem::noAnswer;

    static PlaybackEngineEvent endFile(EndFileReason reason, int32_t error) {
        return {Kind::endFile, reason, error, CameraProblem::noAnswer};
    }
    // From the engine's own end-file reason number.
    static PlaybackEngineEvent endFile(int32_t reasonNumber, int32_t error) {
        return endFile(endFileReasonFrom(reasonNumber), error);
    }
    static PlaybackEngineEvent of(Kind kind) {
        return {kind, EndFileReason::eof, 0, CameraProblem::noAnswer};
    }
    static PlaybackEngineEvent problemOfCamera(CameraProblem problem) {
        return {Kind::cameraProblem, EndFileReason::eof, 0, problem};
    }

    friend bool operator==(const PlaybackEngineEvent&, const PlaybackEngineEvent&) = default;
};

} // namespace rure
