#pragma once

#include "engine/PlaybackEngine.h"

#include <array>
#include <span>
#include <vector>

namespace rure {

struct MPVOption {
    const char* name;
    const char* value;
};

// Creates engine instances: mpv_create, the option table, mpv_initialize, then
// attaching the instance to the video view.
class MPVEngineFactory final : public PlaybackEngineFactory {
public:
    // Applied in this order before initialisation. The engine reads no user
    // configuration, scripts or profiles, has no on-screen controls, key bindings
    // or audio, renders only through the client render API, fills the view while
    // keeping the aspect ratio, keeps the last frame when a stream ends, and
    // starts live RTSP streams quickly over TCP without caching.
    static constexpr std::array<MPVOption, 19> options{{
        {"config", "no"},
        {"load-scripts", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"audio", "no"},
        {"hwdec", "auto-safe"},
        {"vo", "libmpv"},
        {"keepaspect", "yes"},
        {"panscan", "1.0"},
        {"keep-open", "yes"},
        {"rtsp-transport", "tcp"},
        {"cache", "no"},
        {"demuxer-lavf-probe-info", "no"},
        {"demuxer-lavf-analyzeduration", "0.2"},
    }};

    // `optionTable` replaces the table above; only tests that need the engine to
    // fail its initialisation pass another one.
    explicit MPVEngineFactory(std::span<const MPVOption> optionTable = options);

    // GUI thread. On failure no engine instance and no render context remain.
    std::variant<std::unique_ptr<PlaybackEngine>, EngineStartError>
    createEngine(VideoView& view) override;

private:
    std::vector<MPVOption> optionTable_;
};

} // namespace rure
