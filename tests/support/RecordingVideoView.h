#pragma once

#include "engine/VideoView.h"
#include "support/FakePlaybackEngine.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace rure::test {

// A video view without video, for engine owners under test: it writes what is
// done to it into the fake engines' journal, so that one list shows the order
// of everything an owner does to engine, event loop and view ("attach",
// "handler set", "handler cleared", "render context freed", "picture cleared").
// Fake engines attach to it for real. Like the real views, it frees its render
// context when it is destroyed. A widget, so that owners can watch it with a
// QPointer.
class RecordingVideoView final : public QWidget, public VideoView {
public:
    explicit RecordingVideoView(std::shared_ptr<FakeEngineJournal> journal,
                                QWidget* parent = nullptr);
    ~RecordingVideoView() override;

    // Records "attach" and answers `attachStatus`; a negative status leaves the
    // view detached and records "attach refused".
    int configureWithMPV(mpv_handle* handle) override;
    void shutdownRenderContext() override;
    bool isAttached() const override { return attached_; }
    void clearPicture() override;
    void setPictureHidden(bool hidden) override { pictureHidden = hidden; }
    void holdPictureUntilNextFrame() override { ++pictureHolds; }
    void setFrameRenderedHandler(std::function<void()> handler) override;
    const std::function<void()>& frameRenderedHandler() const override { return handler_; }

    // Reports one new picture as presented, the way a real view does after
    // drawing it; false when detached or without a handler.
    bool presentPicture();

    int attachStatus = 0;
    bool pictureHidden = false;
    int pictureHolds = 0;

private:
    std::shared_ptr<FakeEngineJournal> journal_;
    bool attached_ = false;
    std::function<void()> handler_;
};

} // namespace rure::test
