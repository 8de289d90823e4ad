#pragma once

#include "engine/PlaybackEngine.h"

#include <array>
#include <cstddef>
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
    // The engine's fixed table. The engine reads no user configuration, scripts
    // or profiles, has no on-screen controls, key bindings or audio, renders
    // only through the client render API, fills the view while keeping the
    // aspect ratio, keeps the last frame when a stream ends, and starts live
    // RTSP streams quickly over TCP without caching.
    static constexpr std::array<MPVOption, 20> baseOptions{{
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
        // The software view's scaler (zimg) fits the picture to the window
        // with a bicubic filter instead of its default Lanczos: bench/compare,
        // 1280 x 720 at 30 frames a second in a 640 x 360 window, CPU 12.3-12.5 %
        // of a core with Lanczos, 10.2-10.3 % with bicubic (9.9-10.9 % with
        // bilinear, 10.7 % with spline16); latency and start-up unchanged, and
        // a bicubic downscale rings less. Views that draw with OpenGL scale on
        // the GPU and ignore it.
        {"zimg-scaler", "bicubic"},
    }};

    // Added after the fixed table for a picture as fresh as the camera's.
    // Measured with bench/compare (1280 x 720 at 30 frames a second over
    // loopback, software rendering, 2 cores): the fixed table alone shows the
    // camera 1.2 s late; these three bring it to about 0.09 s, as low as
    // mpv's own low-latency profile. None of the other settings of that
    // profile lowered latency, start-up or memory further.
    static constexpr std::array<MPVOption, 4> latencyOptions{{
        // A stream that runs dry for a moment (at every start, often) is not
        // paused until a second of it is buffered again; that pause was the
        // 1.2 s, and it stayed for as long as the stream played.
        {"cache-pause", "no"},
        // One decoding thread: frame threading holds one frame per extra
        // thread before it is shown (about 30 ms of the rest), and each
        // thread keeps frames of its own (about 10 MiB less at its peak).
        {"vd-lavc-threads", "1"},
        // Shows a decoded frame at once instead of queueing frames ahead of
        // their display time (the last 30 ms or so).
        {"video-latency-hacks", "yes"},
        // Shows each frame as soon as it is decoded, never at its time on the
        // stream's clock. Timed, every gap in the stream (a "smart" camera
        // pausing for 5 s while nothing moves, a 1.5 s network stall) left
        // every later picture that much late until the camera was loaded
        // again: 5.1 s behind after a smart camera's first pause (test camera,
        // one picture every 5 s after 30 a second). Untimed, frames that come
        // in a burst after a stall are shown as they come and the picture is
        // live again by itself.
        {"untimed", "yes"},
    }};

    // Added after the latency options so that the engine plays RTSP and
    // nothing else, whatever address reaches it and wherever a camera's
    // answer points it: loadFile() refuses other addresses first, and these
    // hold should one get through. Checked against the engine (libmpv 0.35,
    // FFmpeg 5.1): "av://lavfi:testsrc", "file://" and plain paths of a video
    // file, "edl://", "memory://", "mf://", playlists and "http://" addresses
    // all end in a load error, without an HTTP request; the test camera
    // plays as before.
    static constexpr std::array<MPVOption, 3> rtspOnlyOptions{{
        // Only FFmpeg's demuxers, none of the engine's own (its Matroska,
        // playlist, EDL, CUE, image-sequence and archive readers).
        {"demuxer", "lavf"},
        // Of FFmpeg's demuxers only RTSP (not lavfi, a device, a file's
        // format), and RTSP may reach its camera over TCP only (as
        // "rtsp-transport" asks): a redirect cannot lead to another protocol.
        {"demuxer-lavf-o", "format_whitelist=rtsp,protocol_whitelist=tcp"},
        // The engine opens other addresses (http, ftp...) through FFmpeg's
        // protocols before any demuxer; RTSP never goes that way.
        {"stream-lavf-o", "protocol_whitelist=tcp"},
    }};

    static constexpr std::size_t optionCount =
        baseOptions.size() + latencyOptions.size() + rtspOnlyOptions.size();

    // Applied in this order before initialisation: the fixed table, then the
    // latency options, then the options that confine the engine to RTSP.
    static constexpr std::array<MPVOption, optionCount> options = [] {
        std::array<MPVOption, optionCount> all{};
        std::size_t at = 0;
        for (const MPVOption& option : baseOptions) {
            all[at++] = option;
        }
        for (const MPVOption& option : latencyOptions) {
            all[at++] = option;
        }
        for (const MPVOption& option : rtspOnlyOptions) {
            all[at++] = option;
        }
        return all;
    }();

    // `optionTable` replaces the table above; only tests that need the engine to
    // fail its initialisation pass another one.
    explicit MPVEngineFactory(std::span<const MPVOption> optionTable = options);

    // Added after the table on a machine without a graphics device (nothing in
    // /dev/dri), where no hardware decoder can work.
    static constexpr MPVOption softwareDecodingOnly{"hwdec", "no"};

    // GUI thread. On failure no engine instance and no render context remain.
    std::variant<std::unique_ptr<PlaybackEngine>, EngineStartError>
    createEngine(VideoView& view) override;

private:
    std::vector<MPVOption> optionTable_;
};

} // namespace rure
