#pragma once

#include <QString>

namespace rure {

enum class PlaybackSupervisorState { stopped, starting, playing, backingOff, suspended };

inline QString textValue(PlaybackSupervisorState state) {
    switch (state) {
    case PlaybackSupervisorState::stopped:
        return QStringLiteral("stopped");
    case PlaybackSupervisorState::starting:
        return QStringLiteral("starting");
    case PlaybackSupervisorState::playing:
        return QStringLiteral("playing");
    case PlaybackSupervisorState::backingOff:
        return QStringLiteral("backingOff");
    case PlaybackSupervisorState::suspended:
        return QStringLiteral("suspended");
    }
    return {};
}

} // namespace rure
