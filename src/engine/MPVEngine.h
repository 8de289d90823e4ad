#pragma once

#include "engine/MPVHandle.h"
#include "engine/PlaybackEngine.h"
#include "engine/relay/RtspRelay.h"

#include <memory>

namespace rure {

class MPVSnapshotRequests;

// A created, initialised and attached engine instance. Destroying it destroys the
// instance, which the owner does only after its event loop has stopped and the
// view's render context has been freed.
class MPVEngine final : public PlaybackEngine {
public:
    explicit MPVEngine(MPVHandle handle);
    ~MPVEngine() override;

    int loadFile(const QString& url) override;
    void stopPlayback() override;
    void setProperty(const QString& name, const QString& value) override;
    // Nothing while a snapshot is being taken: see takeSnapshot.
    std::optional<int64_t> integerProperty(const char* name) override;
    std::optional<double> streamPosition() override;
    void takeSnapshot(SnapshotHandler done) override;
    std::unique_ptr<EngineEventLoop> makeEventLoop(int64_t generation,
                                                   PlaybackEngineEventHandler handler) override;

    mpv_handle* handle() const { return handle_.get(); }

private:
    // Applies a crop text through a crop filter where the engine lacks "video-crop".
    void emulateVideoCrop(const QString& text);

    // Declared before the handle, so that it outlives the instance's
    // connections through it.
    rtsp::RtspRelay relay_;
    // Declared before the handle: the requests the engine never answered are
    // answered with nothing after the instance is gone.
    std::shared_ptr<MPVSnapshotRequests> snapshots_;
    MPVHandle handle_;
};

} // namespace rure
