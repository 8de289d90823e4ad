#include "MPVEngineFactory.h"

#include "engine/MPVEngine.h"
#include "engine/MPVHandle.h"
#include "engine/VideoView.h"
#include "engine/VideoViewChoice.h"

namespace rure {

MPVEngineFactory::MPVEngineFactory(std::span<const MPVOption> optionTable)
    : optionTable_(optionTable.begin(), optionTable.end()) {
    if (!hasGraphicsDevice()) {
        optionTable_.push_back(softwareDecodingOnly);
    }
}

std::variant<std::unique_ptr<PlaybackEngine>, EngineStartError>
MPVEngineFactory::createEngine(VideoView& view) {
    MPVHandle handle(mpv_create());
    if (!handle) {
        return EngineStartError::create;
    }
    // A rejected option leaves the engine's default in place, which still plays.
    for (const MPVOption& option : optionTable_) {
        mpv_set_option_string(handle.get(), option.name, option.value);
    }
    if (mpv_initialize(handle.get()) < 0) {
        return EngineStartError::initialize;
    }
    // Error messages name why a camera cannot be played (a refused password,
    // an address the camera does not serve); the event loop keeps only that.
    mpv_request_log_messages(handle.get(), "error");
    // The end of a stream does not end the file (it is kept open on its last
    // picture), so a camera that closes its session would only be noticed by
    // the silence after it; this reports it at once.
    mpv_observe_property(handle.get(), 0, "eof-reached", MPV_FORMAT_FLAG);
    if (view.configureWithMPV(handle.get()) < 0) {
        return EngineStartError::attach;
    }
    return std::make_unique<MPVEngine>(std::move(handle));
}

} // namespace rure
