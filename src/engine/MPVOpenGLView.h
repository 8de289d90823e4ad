#pragma once

#include "engine/MPVRenderContext.h"
#include "engine/MPVRenderSupport.h"
#include "engine/VideoView.h"

#include <QMetaObject>
#include <QOpenGLWidget>

#include <functional>

namespace rure {

// Shows the attached engine instance's pictures. Owns the engine's OpenGL render
// context, turns the engine's new-frame callbacks into coalesced repaints on the
// GUI thread, and calls the frame handler once for each announced frame that
// has been presented: that call is the playback supervisor's heartbeat, so
// repaints caused by resizing or exposure, and the engine's own redraws of its
// last picture, never count. The view ignores the
// pointer; whatever lies behind it handles mouse interaction.
class MPVOpenGLView final : public QOpenGLWidget, public VideoView {
    Q_OBJECT

public:
    explicit MPVOpenGLView(QWidget* parent = nullptr);
    ~MPVOpenGLView() override;

    // The GL context exists only once the widget has been shown; before that this
    // returns MPV_ERROR_UNSUPPORTED and the view stays detached.
    int configureWithMPV(mpv_handle* handle) override;
    void shutdownRenderContext() override;
    void setFrameRenderedHandler(std::function<void()> handler) override;
    const std::function<void()>& frameRenderedHandler() const override;

    bool isAttached() const override { return renderContext_ != nullptr; }
    void clearPicture() override;
    void setPictureHidden(bool hidden) override;
    void holdPictureUntilNextFrame() override;

    // GUI thread; posted by rure_render_update whenever the engine's rendering
    // state changed.
    void consumeRenderUpdates();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void presentedFrame();
    void contextAboutToBeDestroyed();
    // A hidden or minimised widget gets no paint calls; its frames are consumed
    // here without drawing so that the heartbeat keeps going.
    void consumeFrameWithoutDrawing(bool newVideoFrame);

    // Freed only with this view's GL context current.
    MPVRenderContext renderContext_;
    NewPictureFilter newPictures_;
    bool hasPendingVideoFrame_ = false;
    // Whether the paint that is about to be presented drew a pending frame.
    bool presentingPendingFrame_ = false;
    bool pictureHidden_ = false;
    // The framebuffer keeps the last picture until a new one comes.
    bool holdingPicture_ = false;
    std::function<void()> frameRenderedHandler_;
    QMetaObject::Connection contextDestructionConnection_;
};

} // namespace rure

// Engine callback of the view.
// Any thread: posts consumeRenderUpdates to the view (`ctx`) on the GUI thread;
// the posted call is dropped if the view is destroyed first.
void rure_render_update(void* ctx);
