#include "CameraProblem.h"

#include <array>
#include <utility>

namespace rure {

std::optional<CameraProblem> cameraProblemFromEngineMessage(std::string_view text) {
    // The words of the engine's RTSP and TCP code (FFmpeg's), and of the RTSP
    // status lines the camera sends back.
    static constexpr std::array<std::pair<std::string_view, CameraProblem>, 9> phrases{{
        {"401 Unauthorized", CameraProblem::credentialsRefused},
        {"403 Forbidden", CameraProblem::credentialsRefused},
        {"404 Not Found", CameraProblem::addressNotServed},
        {"454 Session Not Found", CameraProblem::addressNotServed},
        {"Connection refused", CameraProblem::connectionRefused},
        {"Connection timed out", CameraProblem::noAnswer},
        {"Operation timed out", CameraProblem::noAnswer},
        {"No route to host", CameraProblem::noAnswer},
        {"Network is unreachable", CameraProblem::noAnswer},
    }};
    for (const auto& [phrase, problem] : phrases) {
        if (text.find(phrase) != std::string_view::npos) {
            return problem;
        }
    }
    return std::nullopt;
}

} // namespace rure
